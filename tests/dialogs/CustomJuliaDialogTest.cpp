#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

#include "CustomJuliaDialog.h"
#include "components/EditTesting.h"
#include "ModalTesting.h"
#include "Exceptions.h"
#include "settings/RegistryTesting.h"

namespace {

const std::string DialogKey = "Software\\Corvath\\Pelorix\\1.1\\CustomJuliaSetForm";

// The dialog as the user finds it on the screen, its controls by name.
class TJuliaDialog {
public:
    explicit TJuliaDialog(QDialog& dialog)
        : FloatEdit1(dialog.findChild<TFloatEdit*>("FloatEdit1")),
          FloatEdit2(dialog.findChild<TFloatEdit*>("FloatEdit2")),
          OKBtn(dialog.findChild<QPushButton*>("OKBtn")),
          Button1(dialog.findChild<QPushButton*>("Button1")),
          dialog_(&dialog)
    {
    }
    QDialog* Dialog() const { return dialog_; }

    TFloatEdit* FloatEdit1;
    TFloatEdit* FloatEdit2;
    QPushButton* OKBtn;
    QPushButton* Button1;

private:
    QDialog* dialog_;
};

// What the user does with the next dialog in its modal loop: run answers
// with the dialog's result, or with -1 when it closes the dialog itself.
class ShowModal {
public:
    explicit ShowModal(std::function<int(TJuliaDialog&)> run)
        : user_(WhenModal<QDialog>([this, run = std::move(run)](QDialog& shown) {
              dialog = &shown;
              TJuliaDialog view(shown);
              const int result = run(view);
              if (result >= 0 && dialog && dialog->isVisible()) dialog->done(result);
          }))
    {
    }
    QPointer<QDialog> dialog;

private:
    TModalUser user_;
};

// What a user types into the two edits, then OK or Cancel.
std::function<int(TJuliaDialog&)> Typed(const QString& x, const QString& y, int result)
{
    return [=](TJuliaDialog& form) {
        form.FloatEdit1->setText(x);
        form.FloatEdit2->setText(y);
        return result;
    };
}

// The user at the keyboard and mouse, who also closes the dialog.
std::function<int(TJuliaDialog&)> Driven(std::function<void(TJuliaDialog&)> user)
{
    return [user = std::move(user)](TJuliaDialog& form) {
        if (ShownAndActive(form.Dialog())) user(form);
        return -1;
    };
}

class CustomJuliaDialogTest : public RegistryFixture {
protected:
    CustomJuliaDialogTest()
    {
        appKey.SetCompanyName("Corvath");
        appKey.SetApplicationName("Pelorix");
        appKey.SetApplicationVersion("1.1");
    }

    bool Execute() { return ExecuteCustomJuliaDialog(x, y, &mainWindow, &appKey); }

    std::string ExecuteError()
    {
        try {
            Execute();
        } catch (const EConvertError& e) {
            return e.what();
        }
        return "(no error)";
    }

    QWidget mainWindow;
    TAppConfigKey appKey;
    double x = -0.39054, y = -0.58679;
};

std::vector<std::uint8_t> Record(int left, int top, int width, int height)
{
    std::vector<std::uint8_t> r;
    for (int v : {left, top, width, height})
        for (int i = 0; i < 4; ++i) r.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
    return r;
}

} // namespace

TEST_F(CustomJuliaDialogTest, LayoutAndTexts)
{
    TCustomJuliaSetForm form(&mainWindow, &appKey);
    QDialog* dialog = form.Dialog();
    EXPECT_EQ(form.Name(), "CustomJuliaSetForm");
    EXPECT_EQ(dialog->windowTitle(), "Cusom Julia set");
    EXPECT_EQ(dialog->size(), QSize(352, 264));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_EQ(dialog->parentWidget(), &mainWindow); // stacks over the main window
    EXPECT_TRUE(dialog->isWindow());
    const Qt::WindowFlags flags = dialog->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(dialog->pos(), QPoint(335, 253)); // nothing stored yet

    EXPECT_EQ(form.Memo1->toPlainText(), "Calculate a custom Julia set:\n f(z) = z^2 + x + y*i\n\nFor example:\n"
                                         "x = -0.39054\ny = -0.58679\n<siegel>");
    EXPECT_TRUE(form.Memo1->isReadOnly());
    EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form.Memo1->geometry(), QRect(8, 8, 336, 113));
    EXPECT_EQ(form.Label1->text(), "x: ");
    EXPECT_EQ(form.Label2->text(), "y: ");
    EXPECT_EQ(form.Label1->buddy(), form.FloatEdit1);
    EXPECT_EQ(form.Label2->buddy(), form.FloatEdit2);
    const auto inDialog = [&](QWidget* w) { return QRect(w->mapTo(dialog, QPoint(0, 0)), w->size()); };
    EXPECT_EQ(inDialog(form.FloatEdit1), QRect(48, 137, 121, 21));
    EXPECT_EQ(inDialog(form.FloatEdit2), QRect(48, 169, 121, 21));
    EXPECT_EQ(inDialog(form.Label1).topLeft(), QPoint(24, 137));
    EXPECT_EQ(inDialog(form.Bevel1), QRect(0, 221, 352, 2));
    EXPECT_EQ(inDialog(form.OKBtn), QRect(171, 231, 75, 25));
    EXPECT_EQ(inDialog(form.Button1), QRect(259, 231, 75, 25));
    EXPECT_EQ(form.OKBtn->text(), "OK");
    EXPECT_EQ(form.Button1->text(), "Cancel");
    EXPECT_TRUE(form.OKBtn->isDefault());
    // The design values, shown as the edit shows numbers, and the defaults.
    EXPECT_EQ(form.FloatEdit1->text(), "-0.39054");
    EXPECT_EQ(form.FloatEdit2->text(), "-0.58679");
    for (TFloatEdit* edit : {form.FloatEdit1, form.FloatEdit2}) {
        // Bounds on: a double's range.
        EXPECT_TRUE(edit->UseBounds());
        EXPECT_EQ(edit->MaxValue(), std::numeric_limits<double>::max());
        EXPECT_EQ(edit->MinValue(), -std::numeric_limits<double>::max());
        EXPECT_TRUE(edit->AllowEmpty());
        EXPECT_TRUE(edit->BeepOnInvalid());
        EXPECT_EQ(edit->Format(), TFloatView::fvGeneral);
        EXPECT_EQ(edit->Digits(), 10);
    }
    EXPECT_EQ(form.FormRestorer1->Restoring(), TFormRestorerOption::frPositionOnly);
    EXPECT_EQ(form.FormRestorer1->FullPath(), DialogKey);

    // Focus in FloatEdit1 at open; Tab runs edits, OK, Cancel, the memo left out.
    ASSERT_TRUE(ShownAndActive(dialog));
    EXPECT_TRUE(form.FloatEdit1->hasFocus());
    EXPECT_EQ(form.FloatEdit1->selectedText(), "-0.39054");
    for (QWidget* next : {static_cast<QWidget*>(form.FloatEdit2), static_cast<QWidget*>(form.OKBtn),
                          static_cast<QWidget*>(form.Button1), static_cast<QWidget*>(form.FloatEdit1)}) {
        Key(dialog, Qt::Key_Tab);
        Settle();
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(CustomJuliaDialogTest, OKReadsXThenY)
{
    x = 0.25;
    y = -1.5;
    QString shownX, shownY;
    ShowModal show([&](TJuliaDialog& form) {
        shownX = form.FloatEdit1->text();
        shownY = form.FloatEdit2->text();
        return Typed("1e-1", "-0.745", QDialog::Accepted)(form);
    });
    EXPECT_TRUE(Execute());
    // Opened with the parameters in force, not the design values.
    EXPECT_EQ(shownX, "0.25");
    EXPECT_EQ(shownY, "-1.5");
    EXPECT_EQ(x, 0.1);
    EXPECT_EQ(y, -0.745);
    EXPECT_TRUE(show.dialog.isNull()); // freed
}

TEST_F(CustomJuliaDialogTest, CancelChangesNothing)
{
    ShowModal show(Typed("0.5", "abc", QDialog::Rejected));
    EXPECT_FALSE(Execute());
    EXPECT_EQ(x, -0.39054);
    EXPECT_EQ(y, -0.58679);
    EXPECT_TRUE(show.dialog.isNull());
}

TEST_F(CustomJuliaDialogTest, AnInvalidYLeavesXRead)
{
    {
        ShowModal show(Typed("0.5", "abc", QDialog::Accepted));
        EXPECT_EQ(ExecuteError(), "Invalid validation text");
        EXPECT_EQ(x, 0.5);
        EXPECT_EQ(y, -0.58679);
        EXPECT_TRUE(show.dialog.isNull()); // freed also when the read fails
    }
    {
        ShowModal show(Typed("1,5", "0.25", QDialog::Accepted));
        EXPECT_EQ(ExecuteError(), "Invalid validation text");
        EXPECT_EQ(x, 0.5);
        EXPECT_EQ(y, -0.58679);
    }
}

TEST_F(CustomJuliaDialogTest, RefusesWhatADoubleCannotHoldAndAlwaysOpensAgain)
{
    // Typed x, and the x that OK gives: nothing when the text is refused.
    const struct {
        const char* typed;
        std::optional<double> read;
    } cases[] = {
        {"1e309", std::nullopt},
        {"-1e309", std::nullopt},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        {"-1e308", -1e308},
        {"1e-400", 0.0},
    };
    for (const auto& c : cases) {
        x = 0.5;
        {
            ShowModal show(Typed(c.typed, "0.25", QDialog::Accepted));
            if (c.read) {
                EXPECT_TRUE(Execute()) << c.typed;
                EXPECT_EQ(x, *c.read) << c.typed;
            } else {
                EXPECT_EQ(ExecuteError(), "Invalid validation text") << c.typed;
                EXPECT_EQ(x, 0.5) << c.typed;
            }
        }
        ShowModal again(Typed("0.125", "0.25", QDialog::Accepted));
        EXPECT_TRUE(Execute()) << "after " << c.typed;
        EXPECT_EQ(x, 0.125);
    }
}

TEST_F(CustomJuliaDialogTest, AnEmptiedEditKeepsItsNumber)
{
    x = 0.125;
    ShowModal show(Typed("", "", QDialog::Accepted));
    EXPECT_TRUE(Execute());
    EXPECT_EQ(x, 0.125);
    EXPECT_EQ(y, -0.58679);
}

TEST_F(CustomJuliaDialogTest, DrivenByKeyboard)
{
    {
        ShowModal show(Driven([](TJuliaDialog& form) {
            Type(form.Dialog(), "0.3"); // replaces the selected text
            Key(form.Dialog(), Qt::Key_Tab);
            Type(form.Dialog(), "0.4e0");
            Key(form.Dialog(), Qt::Key_Return);
        }));
        EXPECT_TRUE(Execute());
        EXPECT_EQ(x, 0.3);
        EXPECT_EQ(y, 0.4);
    }
    {
        ShowModal show(Driven([](TJuliaDialog& form) {
            Type(form.Dialog(), "0.9");
            Key(form.Dialog(), Qt::Key_Escape);
        }));
        EXPECT_FALSE(Execute());
        EXPECT_EQ(x, 0.3);
    }
    {
        // Tab out of a bad x: the caret stays; Enter then
        // confirms and the read fails.
        ShowModal show(Driven([&](TJuliaDialog& form) {
            Type(form.Dialog(), "x");
            Key(form.Dialog(), Qt::Key_Tab);
            Settle();
            EXPECT_TRUE(form.FloatEdit1->hasFocus());
                Key(form.Dialog(), Qt::Key_Return);
        }));
        EXPECT_EQ(ExecuteError(), "Invalid validation text");
        EXPECT_EQ(x, 0.3);
    }
}

TEST_F(CustomJuliaDialogTest, ClicksOnOKAndCancelWithBadText)
{
    {
        ShowModal show(Driven([](TJuliaDialog& form) {
            Type(form.Dialog(), "0.7");
            Key(form.Dialog(), Qt::Key_Tab);
            Type(form.Dialog(), "abc");
            Click(form.OKBtn);
        }));
        EXPECT_EQ(ExecuteError(), "Invalid validation text");
        EXPECT_EQ(x, 0.7);
        EXPECT_EQ(y, -0.58679);
    }
    {
        ShowModal show(Driven([](TJuliaDialog& form) {
            Type(form.Dialog(), "abc");
            Click(form.Button1);
        }));
        EXPECT_FALSE(Execute());
        EXPECT_EQ(x, 0.7);
    }
}

TEST_F(CustomJuliaDialogTest, StoresItsPositionHoweverItEnds)
{
    const std::vector<std::function<void(TJuliaDialog&)>> endings = {
        [](TJuliaDialog& form) { Click(form.OKBtn); },
        [](TJuliaDialog& form) { Click(form.Button1); },
        [](TJuliaDialog& form) { Key(form.Dialog(), Qt::Key_Escape); },
        [](TJuliaDialog& form) { form.Dialog()->close(); }, // the close box
    };
    int left = 100;
    for (const auto& end : endings) {
        left += 10;
        QSize frame;
        ShowModal show(Driven([&](TJuliaDialog& form) {
            form.Dialog()->move(left, 60);
            ASSERT_TRUE(QTest::qWaitFor([&] { return form.Dialog()->pos() == QPoint(left, 60); }));
            frame = form.Dialog()->frameGeometry().size();
            end(form);
        }));
        Execute();
        EXPECT_EQ(ValueOf(DialogKey, "SizeAndPosition"), Record(left, 60, frame.width(), frame.height()));
    }
    // The next run opens where the last one was, before it is shown.
    QPoint before;
    ShowModal show([&](TJuliaDialog& form) {
        before = form.Dialog()->pos();
        return QDialog::Rejected;
    });
    Execute();
    EXPECT_EQ(before, QPoint(left, 60));
}

TEST_F(CustomJuliaDialogTest, RestoresThePositionOnly)
{
    SetValueOf(DialogKey, "SizeAndPosition", Record(40, 30, 900, 700));
    TCustomJuliaSetForm form(&mainWindow, &appKey);
    EXPECT_EQ(form.Dialog()->pos(), QPoint(40, 30));
    EXPECT_EQ(form.Dialog()->size(), QSize(352, 264));
}
