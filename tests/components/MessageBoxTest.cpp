#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "MessageBox.h"
#include "QtMessageBox.h"

namespace {

using B = TMessageBoxButtons;
using I = TMessageBoxIcon;
using D = TMessageBoxDefButton;
using M = TMessageBoxModality;

// Replaces the presenter for one test, recording every box.
class RecordingPresenter {
public:
    explicit RecordingPresenter(int answer = mrOK) : answer_(answer) {}

    std::vector<TMessageBoxRequest> shown;
    std::function<void()> onShow;

private:
    int answer_;
    TMessageBoxPresenterScope installed_{[this](const TMessageBoxRequest& r) {
        shown.push_back(r);
        if (onShow) onShow();
        return answer_;
    }};
};

uint32_t FlagsOf(B buttons, I icon = I::mbxNoIcon, D def = D::mbxNoDefButton, M modality = M::mbxDefModality)
{
    TMessageBoxOptions o;
    o.Buttons = buttons;
    o.Icon = icon;
    o.DefaultButton = def;
    o.Modality = modality;
    return MessageBoxFlags(o);
}

} // namespace

TEST(MessageBoxFlagsTest, EachOptionGivesThePlatformFlag)
{
    // Buttons alone, with no icon, no default button and the default modality.
    EXPECT_EQ(FlagsOf(B::mbxAbortRetryIgnore), 2u);
    EXPECT_EQ(FlagsOf(B::mbxOK), 0u);
    EXPECT_EQ(FlagsOf(B::mbxOKCancel), 1u);
    EXPECT_EQ(FlagsOf(B::mbxRetryCancel), 5u);
    EXPECT_EQ(FlagsOf(B::mbxYesNo), 4u);
    EXPECT_EQ(FlagsOf(B::mbxYesNoCancel), 3u);

    const std::pair<I, uint32_t> icons[] = {
        {I::mbxIconExclamation, 0x30}, {I::mbxIconWarning, 0x30}, {I::mbxIconInformation, 0x40},
        {I::mbxIconAsterisk, 0x40},    {I::mbxIconQuestion, 0x20}, {I::mbxIconStop, 0x10},
        {I::mbxIconError, 0x10},       {I::mbxIconHand, 0x10},     {I::mbxNoIcon, 0},
    };
    for (auto [icon, flag] : icons) EXPECT_EQ(FlagsOf(B::mbxOK, icon), flag) << static_cast<int>(icon);

    EXPECT_EQ(FlagsOf(B::mbxOK, I::mbxNoIcon, D::mbxDefButton1), 0u);
    EXPECT_EQ(FlagsOf(B::mbxOK, I::mbxNoIcon, D::mbxDefButton2), 0x100u);
    EXPECT_EQ(FlagsOf(B::mbxOK, I::mbxNoIcon, D::mbxDefButton3), 0x200u);
    EXPECT_EQ(FlagsOf(B::mbxOK, I::mbxNoIcon, D::mbxNoDefButton), 0u);

    const std::tuple<M, uint32_t, TMessageBoxOwner> modalities[] = {
        {M::mbxApplModal, 0, TMessageBoxOwner::moFocusedWindow},
        {M::mbxSystemModal, 0x1000, TMessageBoxOwner::moFocusedWindow},
        {M::mbxTaskModal, 0x2000, TMessageBoxOwner::moNone},
        {M::mbxDefModality, 0, TMessageBoxOwner::moFocusedWindow},
        {M::mbxNoModality, 0, TMessageBoxOwner::moDesktop},
    };
    for (auto [modality, flag, owner] : modalities) {
        EXPECT_EQ(FlagsOf(B::mbxOK, I::mbxNoIcon, D::mbxNoDefButton, modality), flag) << static_cast<int>(modality);
        EXPECT_EQ(MessageBoxOwner(modality), owner) << static_cast<int>(modality);
    }

    TMessageBoxOptions o;
    o.Buttons = B::mbxOK;
    o.TextAlignment = TMessageBoxTextAlignment::mbxRight;
    EXPECT_EQ(MessageBoxFlags(o), 0x80000u);
    o.TextAlignment = TMessageBoxTextAlignment::mbxLeft;
    o.OnTop = true;
    EXPECT_EQ(MessageBoxFlags(o), 0x40000u);

    // Everything at once combines without overlap.
    o = {B::mbxYesNoCancel, I::mbxIconQuestion, D::mbxDefButton3, M::mbxTaskModal, TMessageBoxTextAlignment::mbxRight,
         true};
    EXPECT_EQ(MessageBoxFlags(o), 0x3u | 0x20 | 0x200 | 0x2000 | 0x80000 | 0x40000);
}

TEST(MessageBoxTest, ANewBoxIsAnOkCancelBoxCaptionedWithTheApplicationTitle)
{
    TMessageBox box;
    EXPECT_EQ(box.Caption(), "Pelorix"); // the application title
    EXPECT_EQ(box.Text(), "Write your message here.");
    EXPECT_EQ(box.Buttons(), B::mbxOKCancel);
    EXPECT_EQ(box.Icon(), I::mbxNoIcon);
    EXPECT_EQ(box.DefaultButton(), D::mbxNoDefButton);
    EXPECT_EQ(box.Modality(), M::mbxDefModality);
    EXPECT_EQ(box.TextAlignment(), TMessageBoxTextAlignment::mbxLeft);
    EXPECT_FALSE(box.OnTop());
    EXPECT_FALSE(box.OnAfterExecute());
    EXPECT_FALSE(box.OnBeforeExecute());
    EXPECT_EQ(box.LastResult(), -1);
}

TEST(MessageBoxTest, ExecuteShowsTheBoxBetweenItsEvents)
{
    RecordingPresenter presenter(mrOK);
    TMessageBox box;
    // As the window's clipboard error box is set up.
    box.SetCaption("Pelorix");
    box.SetText("Can not copy to clipboard an empty bitmap!");
    box.SetButtons(B::mbxOK);
    box.SetIcon(I::mbxIconError);
    box.SetDefaultButton(D::mbxDefButton1);
    box.SetModality(M::mbxTaskModal);
    std::vector<std::string> order;
    box.SetOnBeforeExecute([&](TComponent* sender, bool& allow) {
        EXPECT_EQ(sender, &box);
        EXPECT_TRUE(allow);
        order.push_back("before");
    });
    presenter.onShow = [&] { order.push_back("box"); };
    box.SetOnAfterExecute([&](TComponent* sender) {
        EXPECT_EQ(sender, &box);
        EXPECT_EQ(box.LastResult(), mrOK) << "the result is stored before OnAfterExecute";
        order.push_back("after");
    });

    EXPECT_EQ(box.Execute(), mrOK);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].Text, "Can not copy to clipboard an empty bitmap!");
    EXPECT_EQ(presenter.shown[0].Caption, "Pelorix");
    EXPECT_EQ(presenter.shown[0].Flags, 0x2010u);
    EXPECT_EQ(presenter.shown[0].Owner, TMessageBoxOwner::moNone);
    EXPECT_EQ(order, (std::vector<std::string>{"before", "box", "after"}));
}

TEST(MessageBoxTest, ClearingAllowExecShowsNothing)
{
    RecordingPresenter presenter(mrYes);
    TMessageBox box;
    EXPECT_EQ(box.Execute(), mrYes);
    bool after = false;
    box.SetOnAfterExecute([&](TComponent*) { after = true; });
    box.SetOnBeforeExecute([](TComponent*, bool& allow) { allow = false; });
    EXPECT_EQ(box.Execute(), -1);
    EXPECT_EQ(box.LastResult(), -1);
    EXPECT_EQ(presenter.shown.size(), 1u);
    EXPECT_FALSE(after);
}

TEST(MessageBoxTest, ExecuteTextAndExecuteFmtLeaveTextAsItWas)
{
    RecordingPresenter presenter(mrCancel);
    TMessageBox box;
    box.SetText("Can not open %s: %d bytes");
    EXPECT_EQ(box.ExecuteText("Other"), mrCancel);
    EXPECT_EQ(box.LastResult(), mrCancel);
    // A file name full of placeholders is shown as it is.
    EXPECT_EQ(box.ExecuteFmt({"%s%n%d.ppm", -3}), mrCancel);
    ASSERT_EQ(presenter.shown.size(), 2u);
    EXPECT_EQ(presenter.shown[0].Text, "Other");
    EXPECT_EQ(presenter.shown[1].Text, "Can not open %s%n%d.ppm: -3 bytes");
    EXPECT_EQ(box.Text(), "Can not open %s: %d bytes");

    // Also when the box fails, or the arguments do not fit.
    presenter.onShow = [] { throw Exception("no box"); };
    EXPECT_THROW(box.ExecuteText("Other"), Exception);
    EXPECT_EQ(box.Text(), "Can not open %s: %d bytes");
    EXPECT_THROW(box.ExecuteFmt({3, "x"}), EConvertError);
    EXPECT_EQ(box.Text(), "Can not open %s: %d bytes");
    EXPECT_EQ(presenter.shown.size(), 3u) << "no box for arguments that do not fit";
}

namespace {

TQtMessageBox* OpenBox()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = dynamic_cast<TQtMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

// Shows the Qt box for the request and has `drive` answer it from
// inside the box's own event loop.
int ShowAndDrive(const TMessageBoxRequest& request, std::function<void(TQtMessageBox*)> drive)
{
    bool driven = false;
    QTimer::singleShot(0, [&] {
        TQtMessageBox* box = nullptr;
        if (QTest::qWaitFor([&] { return (box = OpenBox()) != nullptr; }, 10000)) drive(box);
        driven = true;
    });
    int code = ShowQtMessageBox(request);
    EXPECT_TRUE(driven);
    return code;
}

// Each button of the box for these flags, left to right, with the code that
// clicking it returns.
std::vector<std::pair<QString, int>> Buttons(uint32_t flags)
{
    std::vector<std::pair<QString, int>> out;
    for (int i = 0;; ++i) {
        QString text;
        const int code = ShowAndDrive({"text", "caption", flags}, [&](TQtMessageBox* b) {
            if (i < b->buttons().size()) {
                text = b->buttons()[i]->text();
                b->buttons()[i]->click();
            } else {
                b->buttons()[0]->click();
            }
        });
        if (text.isEmpty()) return out;
        out.emplace_back(text, code);
    }
}

} // namespace

TEST(QtMessageBoxTest, HasThePlatformsButtonsInItsOrderWithTheDefaultByFlag)
{
    using V = std::vector<std::pair<QString, int>>;
    const std::pair<uint32_t, V> cases[] = {
        {0x0, {{"OK", 1}}},
        {0x1, {{"OK", 1}, {"Cancel", 2}}},
        {0x2, {{"&Abort", 3}, {"&Retry", 4}, {"&Ignore", 5}}},
        {0x3, {{"&Yes", 6}, {"&No", 7}, {"Cancel", 2}}},
        {0x4, {{"&Yes", 6}, {"&No", 7}}},
        {0x5, {{"&Retry", 4}, {"Cancel", 2}}},
    };
    for (const auto& [flags, expected] : cases) {
        EXPECT_EQ(Buttons(flags), expected) << flags;
        TQtMessageBox box({"text", "caption", flags});
        box.show();
        // Shown left to right in that order.
        const QList<QAbstractButton*> buttons = box.buttons();
        for (qsizetype i = 1; i < buttons.size(); ++i)
            EXPECT_LT(buttons[i - 1]->x(), buttons[i]->x()) << flags;
        EXPECT_EQ(box.defaultButton(), buttons[0]) << flags;
    }
    TQtMessageBox second({"", "", 0x3 | 0x100});
    EXPECT_EQ(second.defaultButton()->text(), "&No");
    TQtMessageBox third({"", "", 0x3 | 0x200});
    EXPECT_EQ(third.defaultButton()->text(), "Cancel");
    TQtMessageBox missingThird({"", "", 0x1 | 0x200});
    EXPECT_EQ(missingThird.defaultButton()->text(), "OK");
}

TEST(QtMessageBoxTest, ShowsTextCaptionIconAlignmentAndPlacementAsFlagged)
{
    TQtMessageBox plain({"<b>not bold</b>", "Error", 0x10});
    EXPECT_EQ(plain.text(), "<b>not bold</b>");
    EXPECT_EQ(plain.textFormat(), Qt::PlainText);
    EXPECT_EQ(plain.windowTitle(), "Error");
    EXPECT_EQ(plain.icon(), QMessageBox::Critical);
    EXPECT_EQ(plain.windowModality(), Qt::WindowModal);
    EXPECT_FALSE(plain.windowFlags() & Qt::WindowStaysOnTopHint);
    const QLabel* label = plain.findChild<QLabel*>("qt_msgbox_label");
    ASSERT_NE(label, nullptr);
    EXPECT_FALSE(label->alignment() & Qt::AlignRight);

    EXPECT_EQ(TQtMessageBox({"", "", 0x20}).icon(), QMessageBox::Question);
    EXPECT_EQ(TQtMessageBox({"", "", 0x30}).icon(), QMessageBox::Warning);
    EXPECT_EQ(TQtMessageBox({"", "", 0x40}).icon(), QMessageBox::Information);
    EXPECT_EQ(TQtMessageBox({"", "", 0x0}).icon(), QMessageBox::NoIcon);

    TQtMessageBox right({"text", "", 0x80000});
    EXPECT_TRUE(right.findChild<QLabel*>("qt_msgbox_label")->alignment() & Qt::AlignRight);
    TQtMessageBox topmost({"", "", 0x40000});
    topmost.show();
    EXPECT_TRUE(topmost.windowFlags() & Qt::WindowStaysOnTopHint);
    // The close box only where Esc has an answer.
    EXPECT_TRUE(topmost.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(TQtMessageBox({"", "", 0x4}).windowFlags() & Qt::WindowCloseButtonHint);
    TQtMessageBox system({"", "", 0x1000});
    EXPECT_EQ(system.windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(system.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(TQtMessageBox({"", "", 0x2000, TMessageBoxOwner::moNone}).windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(TQtMessageBox({"", "", 0x0, TMessageBoxOwner::moDesktop}).windowModality(), Qt::NonModal);
}

TEST(QtMessageBoxTest, ReturnsTheButtonsCodeAndAnswersEscAndTheCloseBoxLikeThePlatform)
{
    EXPECT_EQ(ShowAndDrive({"", "", 0x1}, [](TQtMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); }), mrCancel);
    EXPECT_EQ(ShowAndDrive({"", "", 0x3}, [](TQtMessageBox* b) { b->close(); }), mrCancel);
    EXPECT_EQ(ShowAndDrive({"", "", 0x5}, [](TQtMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); }), mrCancel);
    EXPECT_EQ(ShowAndDrive({"", "", 0x0}, [](TQtMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); }), mrOK);
    EXPECT_EQ(ShowAndDrive({"", "", 0x0}, [](TQtMessageBox* b) { b->close(); }), mrOK);

    for (uint32_t flags : {0x2u, 0x4u}) {
        bool stayedOpen = false;
        const int code = ShowAndDrive({"", "", flags}, [&](TQtMessageBox* b) {
            QTest::keyClick(b, Qt::Key_Escape);
            b->close();
            QCoreApplication::processEvents();
            stayedOpen = b->isVisible();
            b->buttons()[1]->click();
        });
        EXPECT_TRUE(stayedOpen) << flags;
        EXPECT_EQ(code, flags == 0x2u ? mrRetry : mrNo);
    }
    // Enter takes the default button.
    EXPECT_EQ(ShowAndDrive({"", "", 0x3 | 0x100}, [](TQtMessageBox* b) { QTest::keyClick(b, Qt::Key_Return); }), mrNo);
    EXPECT_EQ(ShowAndDrive({"", "", 0x4}, [](TQtMessageBox* b) { QTest::keyClick(b, Qt::Key_Return); }), mrYes);
}

namespace {

// Counts the times a window is blocked by a modal one.
class TBlockCounter : public QObject {
public:
    int blocked = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::WindowBlocked) ++blocked;
        return false;
    }
};

} // namespace

TEST(QtMessageBoxTest, ABoxWithoutModalityBlocksNoOtherWindow)
{
    QWidget other;
    TBlockCounter counter;
    other.installEventFilter(&counter);
    other.show();
    auto blockedWhileShown = [&](TMessageBoxOwner owner, uint32_t flags) {
        int blocked = -1;
        const int code = ShowAndDrive({"", "", flags, owner}, [&](TQtMessageBox* b) {
            QCoreApplication::processEvents();
            blocked = counter.blocked;
            b->buttons()[0]->click();
        });
        EXPECT_EQ(code, mrOK);
        QCoreApplication::processEvents();
        counter.blocked = 0;
        return blocked;
    };
    EXPECT_EQ(blockedWhileShown(TMessageBoxOwner::moDesktop, 0x1), 0);
    EXPECT_EQ(blockedWhileShown(TMessageBoxOwner::moNone, 0x1 | 0x2000), 1) << "a task-modal box blocks it";
}
