#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "components/EditTesting.h"
#include "Exceptions.h"
#include "FloatEdit.h"

namespace {

// The message of the exception of type E that f raises.
template <class E, class F>
std::string ErrorOf(F f)
{
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(no error)";
}

const QLocale German(QLocale::German, QLocale::Germany);

} // namespace

TEST(FloatEditTest, ANewEditHoldsZeroWithoutBounds)
{
    TListenedFloatEdit edit;
    EXPECT_EQ(edit.text(), "0");
    EXPECT_EQ(edit.Value(), 0.0L);
    EXPECT_EQ(edit.MinValue(), 0.0L);
    EXPECT_EQ(edit.MaxValue(), 0.0L);
    EXPECT_FALSE(edit.UseBounds());
    EXPECT_EQ(edit.Digits(), 10);
    EXPECT_EQ(edit.Precision(), 2);
    EXPECT_EQ(edit.Format(), TFloatView::fvGeneral);
    EXPECT_TRUE(edit.AllowEmpty());
    EXPECT_TRUE(edit.BeepOnInvalid());
    EXPECT_TRUE(edit.AutoSelect());
    EXPECT_FALSE(edit.OnInvalid());
    // Without bounds any value goes, 0 and 0 notwithstanding.
    edit.SetValue(-12.5L);
    EXPECT_EQ(edit.text(), "-12.5");
}

TEST(FloatEditTest, NotationSettersRewriteTheText)
{
    TListenedFloatEdit edit;
    edit.SetValue(3.14159L);
    EXPECT_EQ(edit.text(), "3.14159");
    edit.SetDigits(3);
    EXPECT_EQ(edit.text(), "3.14");
    edit.SetValue(0.5L);
    edit.SetFormat(TFloatView::fvFixed);
    EXPECT_EQ(edit.text(), "0.50");
    edit.SetPrecision(4);
    EXPECT_EQ(edit.text(), "0.5000");
    edit.SetFormat(TFloatView::fvExponent);
    EXPECT_EQ(edit.text(), "5.00E-0001");
    // Out-of-range settings are kept as they are and brought inside when shown.
    edit.SetDigits(40);
    EXPECT_EQ(edit.Digits(), 40);
    EXPECT_EQ(edit.text(), "5.00000000000000000E-0001");
}

TEST(FloatEditTest, BoundsRules)
{
    TListenedFloatEdit edit;
    edit.SetMaxValue(1);
    edit.SetValue(0.5L);
    edit.SetUseBounds(true);
    EXPECT_EQ(ErrorOf<ERangeError>([&] { edit.SetValue(2); }), "Value out of bound");
    EXPECT_EQ(ErrorOf<ERangeError>([&] { edit.SetValue(-0.1L); }), "Value out of bound");
    EXPECT_EQ(edit.Value(), 0.5L);
    EXPECT_EQ(edit.text(), "0.5");
    edit.SetValue(1); // the bounds themselves are inside
    edit.SetValue(0);
    edit.SetValue(0.5L);

    EXPECT_EQ(ErrorOf<ERangeError>([&] { edit.SetMinValue(0.6L); }), "Value out of bound");
    EXPECT_EQ(edit.MinValue(), 0.0L);
    EXPECT_EQ(ErrorOf<ERangeError>([&] { edit.SetMaxValue(0.4L); }), "Value out of bound");
    EXPECT_EQ(edit.MaxValue(), 1.0L);
    edit.SetMinValue(0.5L);
    edit.SetMaxValue(0.5L);
    EXPECT_EQ(edit.text(), "0.5"); // bounds never rewrite the text

    // Bounds off: anything goes, and switching them on tests nothing.
    edit.SetUseBounds(false);
    edit.SetValue(7);
    edit.SetMinValue(9);
    edit.SetUseBounds(true);
    EXPECT_EQ(edit.text(), "7");

    // A number that no text could hold is refused, bounds or not.
    edit.SetUseBounds(false);
    EXPECT_EQ(ErrorOf<ERangeError>([&] { edit.SetValue(std::numeric_limits<long double>::quiet_NaN()); }),
              "Value out of bound");
    EXPECT_EQ(ErrorOf<ERangeError>([&] { edit.SetValue(-std::numeric_limits<long double>::infinity()); }),
              "Value out of bound");
    EXPECT_EQ(edit.text(), "7");
}

TEST(FloatEditTest, ACheckedTextShowsItsNumberInTheLocalesNotation)
{
    BeepCounter beeps;
    {
        TListenedFloatEdit edit;
        edit.setText("1e-1");
        EXPECT_TRUE(edit.Validate());
        EXPECT_EQ(edit.text(), "0.1");
        EXPECT_EQ(edit.Value(), 0.1L);
    }
    {
        DefaultLocale german(German);
        TListenedFloatEdit edit;
        edit.SetValue(-0.39054);
        EXPECT_EQ(edit.text(), "-0,39054");
        edit.setText(" 1E-1 ");
        EXPECT_EQ(edit.Value(), 0.1L);
        EXPECT_EQ(edit.text(), "0,1");
        // The point is a group separator in German: no number.
        edit.setText("0.5");
        EXPECT_FALSE(edit.Validate());
        EXPECT_EQ(edit.text(), "0.5");
        edit.setText("1.000,5");
        EXPECT_FALSE(edit.Validate());
        EXPECT_EQ(beeps.count, 2);
    }
}

TEST(FloatEditTest, TheLocalesMinusSignAndItsKeyboardOne)
{
    BeepCounter beeps;
    DefaultLocale swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    ASSERT_EQ(QLocale().negativeSign(), QString(QChar(0x2212)));
    TListenedFloatEdit edit;
    edit.SetValue(-1.5L);
    EXPECT_EQ(edit.text(), QString(QChar(0x2212)) + "1,5");
    edit.setText("-2,5e-1"); // as typed on a keyboard
    EXPECT_EQ(edit.Value(), -0.25L);
    EXPECT_EQ(edit.text(), QString(QChar(0x2212)) + "0,25");
    edit.setText("1 000"); // a group separator
    EXPECT_FALSE(edit.Validate());
    EXPECT_EQ(beeps.count, 1);
}

TEST(FloatEditTest, InvalidTextBeepsAndKeepsTheNumber)
{
    BeepCounter beeps;
    TListenedFloatEdit edit;
    edit.SetValue(2.5L);
    for (const char* text : {"abc", "inf", "nan", "1e99999", "2,5", "0x1p3"}) {
        edit.setText(text);
        EXPECT_EQ(ErrorOf<EConvertError>([&] { edit.Value(); }), "Invalid validation text") << text;
        EXPECT_EQ(edit.text(), text);
    }
    EXPECT_EQ(beeps.count, 6);
    edit.SetBeepOnInvalid(false);
    EXPECT_FALSE(edit.Validate());
    EXPECT_EQ(beeps.count, 6);
    edit.setText("2.5e0");
    EXPECT_EQ(edit.Value(), 2.5L);
}

TEST(FloatEditTest, EmptyText)
{
    BeepCounter beeps;
    TListenedFloatEdit edit;
    edit.SetValue(4);
    edit.clear();
    // Allowed: valid without a check, the number stays.
    EXPECT_TRUE(edit.Validate());
    EXPECT_EQ(edit.Value(), 4.0L);
    EXPECT_EQ(edit.text(), "");
    EXPECT_EQ(beeps.count, 0);
    // Not allowed: invalid like any other text that is no number.
    edit.SetAllowEmpty(false);
    EXPECT_EQ(ErrorOf<EConvertError>([&] { edit.Value(); }), "Invalid validation text");
    EXPECT_EQ(beeps.count, 1);
    edit.setText("5");
    EXPECT_TRUE(edit.Validate());
}

TEST(FloatEditTest, ATextOutsideTheBoundsIsStoredButInvalid)
{
    BeepCounter beeps;
    TListenedFloatEdit edit;
    edit.SetMaxValue(1);
    edit.SetUseBounds(true);
    edit.setText("2");
    EXPECT_FALSE(edit.Validate());
    EXPECT_EQ(beeps.count, 1);
    EXPECT_EQ(ErrorOf<EConvertError>([&] { edit.Value(); }), "Invalid validation text");
    // The number was stored all the same.
    edit.SetUseBounds(false);
    EXPECT_EQ(edit.Value(), 2.0L);
}

TEST(FloatEditTest, OnInvalidMayAcceptTheText)
{
    BeepCounter beeps;
    TListenedFloatEdit edit;
    edit.SetValue(1.5L);
    std::vector<bool> canLeaveOnEntry;
    TValidCustomEdit* sender = nullptr;
    edit.SetOnInvalid([&](TValidCustomEdit* s, bool& canLeave) {
        sender = s;
        canLeaveOnEntry.push_back(canLeave);
        canLeave = true;
    });
    edit.setText("abc");
    EXPECT_TRUE(edit.Validate());
    EXPECT_EQ(sender, &edit);
    // Reading the value returns the last number stored.
    EXPECT_EQ(edit.Value(), 1.5L);
    EXPECT_EQ(edit.text(), "abc");
    EXPECT_EQ(canLeaveOnEntry, (std::vector<bool>{false, false}));
    EXPECT_EQ(beeps.count, 2); // the handler does not silence the beep
    // Valid text does not ask the handler.
    edit.setText("3");
    EXPECT_EQ(edit.Value(), 3.0L);
    EXPECT_EQ(canLeaveOnEntry.size(), 2u);
}

namespace {

// A window with two edits and a button, shown and active, A focused.
class FocusTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        a = new TListenedFloatEdit;
        auto* labelB = new QLabel("&B:");
        b = new TListenedFloatEdit;
        labelB->setBuddy(b);
        button = new QPushButton("Button");
        for (QWidget* w : {static_cast<QWidget*>(a), static_cast<QWidget*>(labelB), static_cast<QWidget*>(b),
                           static_cast<QWidget*>(button)})
            layout->addWidget(w);
        a->SetValue(1);
        b->SetValue(2);
        a->SetOnExit([this](TValidCustomEdit*) { ++exitsA; });
        a->SetOnEnter([this](TValidCustomEdit*) { ++entersA; });
        ASSERT_TRUE(ShownAndActive(window.get()));
        a->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(a->hasFocus());
        entersA = 0;
    }

    // Types text into A, replacing what was there.
    void TypeIntoA(const QString& text)
    {
        a->selectAll();
        Type(window.get(), text);
        ASSERT_EQ(a->text(), text);
    }

    BeepCounter beeps;
    std::unique_ptr<QWidget> window;
    TFloatEdit* a = nullptr;
    TFloatEdit* b = nullptr;
    QPushButton* button = nullptr;
    int exitsA = 0, entersA = 0;
};

} // namespace

TEST_F(FocusTest, TabLeavesWithANumberAndComesBackWithoutOne)
{
    TypeIntoA("1e-1");
    Key(window.get(), Qt::Key_Tab);
    Settle();
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(a->text(), "0.1");
    EXPECT_EQ(exitsA, 1);
    EXPECT_EQ(beeps.count, 0);

    Key(window.get(), Qt::Key_Backtab);
    Settle();
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(entersA, 1);
    TypeIntoA("abc");
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        Key(window.get(), key);
        Settle();
        EXPECT_TRUE(a->hasFocus());
    }
    EXPECT_EQ(beeps.count, 2);
    EXPECT_EQ(a->text(), "abc");
    EXPECT_EQ(exitsA, 1); // no exit for a text that may not stand
    EXPECT_EQ(entersA, 1); // and no new entry when the focus is taken back
    a->SetAllowEmpty(true);
    a->setText("");
    EXPECT_EQ(a->Value(), 0.1L); // the previous number
}

TEST_F(FocusTest, AutoSelectDecidesWhetherTheKeyboardSelectsTheText)
{
    Key(window.get(), Qt::Key_Tab);
    Settle();
    ASSERT_TRUE(b->hasFocus());
    EXPECT_EQ(b->selectedText(), "2");
    b->SetAutoSelect(false);
    Key(window.get(), Qt::Key_Backtab);
    Key(window.get(), Qt::Key_Tab);
    Settle();
    ASSERT_TRUE(b->hasFocus());
    EXPECT_EQ(b->selectedText(), "");
}

TEST_F(FocusTest, AClickElsewhereIsCheckedOnceTheButtonIsUp)
{
    TypeIntoA("abc");
    Press(b);
    Settle();
    // The button is still down: nothing checked yet, B has the focus.
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(beeps.count, 0);
    Release(b);
    Settle();
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(beeps.count, 1);

    // A click on a button that keeps its press: the button's click lands
    // first, then the focus comes back.
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    Click(button);
    Settle();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(beeps.count, 2);

    TypeIntoA("42");
    Click(b);
    Settle();
    EXPECT_TRUE(b->hasFocus());
    EXPECT_EQ(a->Value(), 42.0L);
    EXPECT_EQ(beeps.count, 2);
}

TEST_F(FocusTest, AShortcutToAnotherControlIsAnExit)
{
    TypeIntoA("abc");
    Key(window.get(), Qt::Key_B, Qt::AltModifier);
    Settle();
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(beeps.count, 1);
    TypeIntoA("5");
    Key(window.get(), Qt::Key_B, Qt::AltModifier);
    Settle();
    EXPECT_TRUE(b->hasFocus());
}

TEST_F(FocusTest, TwoEditsWithBadTextNeverBounceTheFocus)
{
    b->setText("xyz");
    TypeIntoA("abc");
    Key(window.get(), Qt::Key_Tab); // A to B, and A takes it back
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(5);
        Settle();
    }
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(beeps.count, 1);
    EXPECT_EQ(b->text(), "xyz");
    // The same by a click.
    Click(b);
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(5);
        Settle();
    }
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(beeps.count, 2);
}

TEST_F(FocusTest, AnotherProgramOrAPopupTakesTheFocusWithoutACheck)
{
    TypeIntoA("abc");
    QWidget other;
    ASSERT_TRUE(ShownAndActive(&other));
    Settle();
    EXPECT_FALSE(a->hasFocus());
    ASSERT_TRUE(ShownAndActive(window.get()));
    Settle();
    EXPECT_TRUE(a->hasFocus());

    QMenu menu;
    menu.addAction("Item");
    menu.popup(window->mapToGlobal(QPoint(5, 5)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    Settle();
    menu.close();
    Settle();
    EXPECT_TRUE(a->hasFocus());
    EXPECT_EQ(beeps.count, 0);
    EXPECT_EQ(exitsA, 0);
    EXPECT_EQ(entersA, 0);
}

namespace {

// A dialog with an edit, OK and Cancel, as dialogs use the edit.
class DialogFocusTest : public testing::Test {
protected:
    void SetUp() override
    {
        dialog = std::make_unique<QDialog>();
        auto* layout = new QVBoxLayout(dialog.get());
        edit = new TListenedFloatEdit;
        ok = new QPushButton("OK");
        ok->setDefault(true);
        cancel = new QPushButton("Cancel");
        layout->addWidget(edit);
        layout->addWidget(ok);
        layout->addWidget(cancel);
        QObject::connect(ok, &QPushButton::clicked, dialog.get(), &QDialog::accept);
        QObject::connect(cancel, &QPushButton::clicked, dialog.get(), &QDialog::reject);
        edit->SetValue(3);
        ASSERT_TRUE(ShownAndActive(dialog.get()));
        edit->setFocus();
        edit->selectAll();
        Type(dialog.get(), "abc");
    }

    int Finished()
    {
        Settle();
        EXPECT_FALSE(dialog->isVisible());
        return dialog->result();
    }

    BeepCounter beeps;
    std::unique_ptr<QDialog> dialog;
    TFloatEdit* edit = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

} // namespace

TEST_F(DialogFocusTest, CancelAlwaysWorksWithInvalidText)
{
    Click(cancel);
    EXPECT_EQ(Finished(), QDialog::Rejected);
    EXPECT_EQ(beeps.count, 0);

    ASSERT_TRUE(ShownAndActive(dialog.get()));
    edit->setFocus();
    Key(dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(Finished(), QDialog::Rejected);

    ASSERT_TRUE(ShownAndActive(dialog.get()));
    edit->setFocus();
    EXPECT_TRUE(dialog->close()); // the close box
    EXPECT_EQ(Finished(), QDialog::Rejected);
    EXPECT_EQ(beeps.count, 0);
}

TEST_F(DialogFocusTest, OKClosesAndTheReadFails)
{
    Click(ok);
    EXPECT_EQ(Finished(), QDialog::Accepted);
    EXPECT_EQ(beeps.count, 0);
    EXPECT_EQ(ErrorOf<EConvertError>([&] { edit->Value(); }), "Invalid validation text");
    EXPECT_EQ(beeps.count, 1);

    ASSERT_TRUE(ShownAndActive(dialog.get()));
    edit->setFocus();
    Key(dialog.get(), Qt::Key_Return); // no focus change
    EXPECT_EQ(Finished(), QDialog::Accepted);
}
