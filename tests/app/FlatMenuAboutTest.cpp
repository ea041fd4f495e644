// The window's flat menu painter and about dialog: made with the window's
// settings, drawing every menu, and the About command showing the box.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "AboutDialog.h"
#include "AboutBox.h"
#include "FixedRegistry.h"
#include "FlatMenuPainter.h"
#include "MessageBox.h"
#include "ModalTesting.h"
#include "OwnerDrawMenu.h"
#include "RegistryTesting.h"
#include "MainWindow.h"

namespace {

class FlatMenuAboutTest : public RegistryFixture {
protected:
    FlatMenuAboutTest() { form = std::make_unique<TForm1>(); }
    ~FlatMenuAboutTest() override { form.reset(); }

    // Help > About; the user reads the box and closes it with OK.
    void About()
    {
        auto user = WhenModal<TAboutBox>([this](TAboutBox& box) {
            shown = &box;
            caption = box.windowTitle();
            parent = box.parentWidget();
            winType = box.WinType->text();
            box.Button1->click();
        });
        form->About1->trigger();
    }

    std::vector<TMessageBoxRequest> boxes;
    TMessageBoxPresenterScope presenter{[this](const TMessageBoxRequest& request) {
        boxes.push_back(request);
        return mrOK;
    }};
    TFixedRegistry facts;
    TMachineRegistryScope machineRegistry{&facts};
    std::unique_ptr<TForm1> form;
    QPointer<QDialog> shown;
    QString caption, winType;
    QWidget* parent = nullptr;
};

TEST_F(FlatMenuAboutTest, ThePainterDrawsEveryMenuOfTheWindowWithItsSettings)
{
    TFlatMenuPainter& painter = *form->FlatMenuPainter1;
    EXPECT_EQ(painter.Owner(), form.get());
    EXPECT_TRUE(painter.Active());
    EXPECT_TRUE(painter.UseSystemColors());
    EXPECT_TRUE(painter.MakeMenus());
    EXPECT_FALSE(painter.MakeToolbars());
    EXPECT_FALSE(painter.MakeControlBars());
    EXPECT_FALSE(painter.FlatMenu());
    EXPECT_FALSE(painter.Gradient());
    EXPECT_EQ(painter.IconWidth(), 24);
    EXPECT_EQ(painter.Color(), clBtnFace);
    EXPECT_EQ(painter.SelectColor(), clHighlight);
    EXPECT_EQ(painter.DisabledColor(), clInactiveCaption);

    auto* bar = dynamic_cast<TOwnerDrawMenuBar*>(form->MainMenu1);
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isNativeMenuBar());
    EXPECT_TRUE(bar->OwnerDraw());
    const QList<QWidget*> menus = MenuTree(bar);
    EXPECT_GE(menus.size(), 1 + 5 + 2); // the bar, its five menus and the two Fractal submenus
    int items = 0;
    for (QWidget* menu : menus) {
        if (menu != bar) {
            auto* dropDown = dynamic_cast<TOwnerDrawMenu*>(menu);
            ASSERT_NE(dropDown, nullptr) << menu->objectName().toStdString();
            EXPECT_TRUE(dropDown->OwnerDraw());
        }
        for (QAction* item : menu->actions()) {
            EXPECT_EQ(DrawItemTag(item), &painter) << item->objectName().toStdString();
            EXPECT_EQ(MeasureItemTag(item), &painter) << item->objectName().toStdString();
            ++items;
        }
    }
    EXPECT_GT(items, 27 + 8);

    // Measured by the painter: a separator is 4 pixels high.
    QAction* separator = form->File1->actions().at(1);
    ASSERT_TRUE(separator->isSeparator());
    EXPECT_EQ(form->File1->actionGeometry(separator).height(), 4);
}

TEST_F(FlatMenuAboutTest, AboutShowsTheBoxOverTheWindowAndFreesIt)
{
    EXPECT_EQ(form->AboutDialog1->ProductName(), "Marrowind for Windows");
    EXPECT_EQ(form->AboutDialog1->Version(), "Version 1.1");
    EXPECT_EQ(form->AboutDialog1->Comments(), "Pelorix for Windows");
    EXPECT_FALSE(form->AboutDialog1->Copyright().empty());

    facts.AddText("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName", "Windows 10 Pro");
    About();
    EXPECT_EQ(caption, "Marrowind for Windows");
    EXPECT_EQ(winType, "Windows 10 Pro");
    EXPECT_EQ(parent, form->MainWindow());
    EXPECT_TRUE(shown.isNull());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FlatMenuAboutTest, AnErrorReadingTheFactsIsShownAndTheProgramGoesOn)
{
    facts.Add("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName", rtBinary, {1, 2, 3});
    form->About1->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, "Invalid data type for 'ProductName'");
    EXPECT_TRUE(caption.isEmpty()); // the box never showed
    for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_EQ(dynamic_cast<TAboutBox*>(widget), nullptr);

    // The next time it opens.
    facts.AddText("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName", "Windows 11 Home");
    About();
    EXPECT_EQ(winType, "Windows 11 Home");
}

} // namespace
