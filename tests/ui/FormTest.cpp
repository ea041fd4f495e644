#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

#include "Form.h"
#include "WindowFrame.h"

namespace {

// A component that records its own end.
struct TWitness : TComponent {
    TWitness(TComponent* owner, bool& gone) : TComponent(owner), gone_(gone) {}
    ~TWitness() override { gone_ = true; }
    bool& gone_;
};

} // namespace

TEST(FormTest, AnOwnedWindowGoesWithTheFormAfterItsComponents)
{
    bool componentGone = false;
    auto* window = new QWidget;
    QPointer<QWidget> watch(window);
    {
        TForm form(window);
        new TWitness(&form, componentGone);
    }
    EXPECT_TRUE(componentGone);
    EXPECT_TRUE(watch.isNull());
}

// A window on the stack or freed by its Qt parent: never freed by the form,
// and a window that outlives the form no longer calls it when it closes.
TEST(FormTest, ABorrowedWindowIsNeverFreedByTheForm)
{
    QDialog onStack;
    bool closed = false, componentGone = false;
    {
        TForm form(&onStack, nullptr, TWindowOwnership::woBorrowed);
        form.SetOnClose([&](TComponent*, TCloseAction&) { closed = true; });
        new TWitness(&form, componentGone);
    }
    EXPECT_TRUE(componentGone);
    onStack.show();
    EXPECT_TRUE(onStack.close());
    EXPECT_FALSE(closed);

    auto parent = std::make_unique<QWidget>();
    auto* child = new QDialog(parent.get());
    TForm form(child, nullptr, TWindowOwnership::woBorrowed);
    bool childComponentGone = false;
    new TWitness(&form, childComponentGone);
    parent.reset(); // frees the window first
    EXPECT_EQ(form.Window(), nullptr);
    EXPECT_FALSE(childComponentGone) << "the components stay until the form goes";
}

// A designed placement lands on the screen: moved in where it sticks out,
// shrunk where it is larger.
TEST(FormTest, ADesignedFrameIsKeptOnTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        QRect designed, expected;
    } cases[] = {
        {QRect(area.topLeft() + QPoint(10, 20), QSize(200, 100)), QRect(area.topLeft() + QPoint(10, 20), QSize(200, 100))},
        {QRect(area.bottomRight() - QPoint(50, 40), QSize(200, 100)),
         QRect(area.bottomRight() - QPoint(199, 99), QSize(200, 100))},
        {QRect(area.topLeft() + QPoint(127, 76), area.size() + QSize(300, 200)), area},
    };
    for (const auto& c : cases) {
        QWidget window;
        SetFrameOnScreen(&window, c.designed);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_EQ(window.frameGeometry(), c.expected);
    }
    // A dialog of a fixed size keeps it and comes in whole.
    QWidget dialog;
    dialog.setFixedSize(300, 200);
    MoveFrameOnScreen(&dialog, area.bottomRight() - QPoint(100, 50));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.frameGeometry().bottomRight(), area.bottomRight());
    EXPECT_EQ(dialog.size(), QSize(300, 200));
}
