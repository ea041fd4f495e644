// The about box in its real modal loop, with fixed facts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <optional>

#include "AboutDialog.h"
#include "AboutBox.h"
#include "FixedRegistry.h"
#include "Form.h"
#include "ModalTesting.h"
#include "RegistryKeys.h"
#include "settings/ThrowawayRegistry.h"

namespace {

constexpr const char* NtKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* WindowsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// What the box showed when it came up.
struct TShown {
    QString caption, product, version, copyright, comments;
    QString winType, winVersion, plusVersion, userLabel, userName, companyLabel, companyName, diskLabel, freeDisk;
    bool iconSet = false;
};

class AboutTest : public testing::Test {
protected:
    void SetUp() override
    {
        dialog_.SetProductName("Marrowind for Windows");
        dialog_.SetVersion("Version 1.1");
        dialog_.SetCopyright("Copyright 2026 Corvath");
        dialog_.SetComments("Pelorix for Windows");
        dialog_.SetDiskSpaceSource([this] { return space_; });
        // The box shows the application's icon, which the program sets at start.
        QPixmap icon(32, 32);
        icon.fill(Qt::red);
        QApplication::setWindowIcon(QIcon(icon));
    }

    // Runs the dialog; the user reads the box and closes it.
    bool Execute(TAboutDialog& dialog)
    {
        auto user = WhenModal<TAboutBox>([this](TAboutBox& box) { Read(box); });
        return dialog.Execute();
    }

    void Read(QDialog& dialog)
    {
        ++runs_;
        box_ = &dialog;
        auto& about = dynamic_cast<TAboutBox&>(dialog);
        TShown s;
        s.caption = about.windowTitle();
        s.product = about.ProductName->text();
        s.version = about.Version->text();
        s.copyright = about.Copyright->text();
        s.comments = about.Comments->text();
        s.winType = about.WinType->text();
        s.winVersion = about.WinVersion->text();
        s.plusVersion = about.PlusVersion->text();
        s.userLabel = about.UserLabel->text();
        s.userName = about.UserName->text();
        s.companyLabel = about.CompanyLabel->text();
        s.companyName = about.CompanyName->text();
        s.diskLabel = about.DiskFreeSpaceLabel->text();
        s.freeDisk = about.FreeDisk->text();
        s.iconSet = !about.ProgramIcon->pixmap().isNull();
        shown_ = s;
        if (inspect_) inspect_(about);
        if (closeWithOk_)
            about.Button1->click();
        else
            about.close();
    }

    void NtFacts()
    {
        facts_.AddText(NtKey, "ProductName", "Windows 10 Pro");
        facts_.AddText(NtKey, "CurrentVersion", "6.3");
        facts_.AddText(NtKey, "CurrentBuildNumber", "19045");
        facts_.AddText(NtKey, "RegisteredOwner", "Ada Lovelace");
        facts_.AddText(NtKey, "RegisteredOrganization", "Analytical Engines");
    }
    void WindowsFacts()
    {
        facts_.AddText(WindowsKey, "Version", "Windows 98");
        facts_.AddText(WindowsKey, "VersionNumber", "4.10.2222");
        facts_.AddText(WindowsKey, "Plus! VersionNumber", "IE 5 5.00.2614.3500");
        facts_.AddText(WindowsKey, "RegisteredOwner", "Charles Babbage");
        facts_.AddText(WindowsKey, "RegisteredOrganization", "Difference Engines");
    }

    TFixedRegistry facts_;
    TFaultyRegistry counted_{facts_}; // fails nothing: counts the keys left open
    TMachineRegistryScope machineRegistry_{&counted_};
    TDiskSpace space_{"D:\\Pictures", 2147483648};
    TAboutDialog dialog_;
    std::optional<TShown> shown_;
    std::function<void(TAboutBox&)> inspect_;
    bool closeWithOk_ = true;
    int runs_ = 0;
    QPointer<QDialog> box_;
};

TEST_F(AboutTest, ShowsTheTextsAndTheNtFactsAndIsTrueWhenClosedWithOk)
{
    NtFacts();
    EXPECT_TRUE(Execute(dialog_));
    ASSERT_TRUE(shown_);
    EXPECT_EQ(shown_->caption, "Marrowind for Windows");
    EXPECT_EQ(shown_->product, "Marrowind for Windows");
    EXPECT_EQ(shown_->version, "Version 1.1");
    EXPECT_EQ(shown_->copyright, "Copyright 2026 Corvath");
    EXPECT_EQ(shown_->comments, "Pelorix for Windows");
    EXPECT_EQ(shown_->winType, "Windows 10 Pro");
    EXPECT_EQ(shown_->winVersion, "Version: 6.3");
    EXPECT_EQ(shown_->plusVersion, "Build: 19045");
    EXPECT_EQ(shown_->userLabel, "User: ");
    EXPECT_EQ(shown_->userName, "Ada Lovelace");
    EXPECT_EQ(shown_->companyLabel, "Company: ");
    EXPECT_EQ(shown_->companyName, "Analytical Engines");
    EXPECT_EQ(shown_->diskLabel, "Disk free space: ");
    EXPECT_EQ(shown_->freeDisk, "2147 MB (D)");
    EXPECT_TRUE(shown_->iconSet);
    // Made for this showing and freed after it; no key left open.
    EXPECT_TRUE(box_.isNull());
    EXPECT_EQ(counted_.OpenKeys, 0);
}

TEST_F(AboutTest, IsFalseWhenClosedWithTheCloseBox)
{
    NtFacts();
    closeWithOk_ = false;
    EXPECT_FALSE(Execute(dialog_));
    EXPECT_EQ(runs_, 1);
    EXPECT_TRUE(box_.isNull());
}

TEST_F(AboutTest, FallsBackToTheOlderKeyWithBareValues)
{
    WindowsFacts();
    EXPECT_TRUE(Execute(dialog_));
    ASSERT_TRUE(shown_);
    EXPECT_EQ(shown_->winType, "Windows 98");
    EXPECT_EQ(shown_->winVersion, "4.10.2222");
    EXPECT_EQ(shown_->plusVersion, "IE 5 5.00.2614.3500");
    EXPECT_EQ(shown_->userName, "Charles Babbage");
    EXPECT_EQ(shown_->companyName, "Difference Engines");
}

TEST_F(AboutTest, AnNtKeyWithoutProductNameCountsAsMissing)
{
    facts_.AddText(NtKey, "ProductName", "");
    facts_.AddText(NtKey, "CurrentVersion", "6.3");
    WindowsFacts();
    EXPECT_TRUE(Execute(dialog_));
    ASSERT_TRUE(shown_);
    EXPECT_EQ(shown_->winType, "Windows 98");
    EXPECT_EQ(shown_->winVersion, "4.10.2222");
    EXPECT_EQ(counted_.OpenKeys, 0);
}

TEST_F(AboutTest, MissingKeysLeaveTheSystemLabelsEmptyAndMissingValuesReadEmpty)
{
    EXPECT_TRUE(Execute(dialog_));
    ASSERT_TRUE(shown_);
    for (const QString& text : {shown_->winType, shown_->winVersion, shown_->plusVersion, shown_->userName,
                                shown_->companyName})
        EXPECT_EQ(text, "");
    EXPECT_EQ(shown_->userLabel, "User: ");

    facts_.AddText(NtKey, "ProductName", "Windows XP");
    shown_.reset();
    EXPECT_TRUE(Execute(dialog_));
    ASSERT_TRUE(shown_);
    EXPECT_EQ(shown_->winType, "Windows XP");
    EXPECT_EQ(shown_->winVersion, "Version: ");
    EXPECT_EQ(shown_->plusVersion, "Build: ");
    EXPECT_EQ(shown_->userName, "");
}

TEST_F(AboutTest, AValueOfTheWrongTypeEndsExecuteWithTheBoxFreed)
{
    NtFacts();
    facts_.Add(NtKey, "CurrentBuildNumber", rtDword, {0x7D, 0x4A, 0, 0});
    const auto boxesBefore = QApplication::topLevelWidgets().size();
    try {
        Execute(dialog_);
        ADD_FAILURE() << "Execute went on past a number";
    } catch (const ERegistryError& e) {
        EXPECT_EQ(e.Message(), "Invalid data type for 'CurrentBuildNumber'");
    }
    EXPECT_EQ(runs_, 0);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), boxesBefore);
    for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_EQ(dynamic_cast<TAboutBox*>(widget), nullptr);
    EXPECT_EQ(counted_.OpenKeys, 0);
}

TEST_F(AboutTest, BoxHasItsFixedSizeAndControlsWhereTheyBelong)
{
    NtFacts();
    inspect_ = [](TAboutBox& box) {
        EXPECT_EQ(box.minimumSize(), QSize(411, 330));
        EXPECT_EQ(box.maximumSize(), QSize(411, 330));
        const Qt::WindowFlags flags = box.windowFlags();
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_EQ(box.Panel1->geometry(), QRect(0, 0, 411, 65));
        EXPECT_EQ(box.Panel1->palette().color(QPalette::Window), QColor(Qt::white));
        EXPECT_EQ(box.ProgramIcon->geometry(), QRect(10, 10, 32, 32));
        EXPECT_TRUE(box.ProgramIcon->hasScaledContents());
        EXPECT_EQ(box.ProductName->geometry(), QRect(112, 10, 272, 13));
        EXPECT_EQ(box.Copyright->geometry(), QRect(112, 42, 272, 13));
        EXPECT_EQ(box.Image1->geometry(), QRect(0, 65, 411, 6));
        EXPECT_EQ(box.Comments->geometry(), QRect(112, 82, 272, 31));
        EXPECT_EQ(box.Panel4->geometry(), QRect(112, 112, 292, 2));
        EXPECT_EQ(box.WinType->geometry(), QRect(112, 128, 273, 13));
        EXPECT_EQ(box.Panel2->geometry(), QRect(112, 184, 292, 2));
        EXPECT_EQ(box.UserLabel->pos(), QPoint(112, 200));
        EXPECT_EQ(box.CompanyName->geometry(), QRect(224, 216, 164, 13));
        EXPECT_EQ(box.DiskFreeSpaceLabel->pos(), QPoint(112, 256));
        EXPECT_EQ(box.FreeDisk->geometry(), QRect(296, 256, 91, 13));
        EXPECT_EQ(box.Button1->geometry(), QRect(328, 296, 76, 25));
        EXPECT_TRUE(box.Button1->isDefault());
        EXPECT_EQ(box.Button1->text(), "OK");
        for (QLabel* bold : {box.ProductName, box.Comments, box.WinType, box.UserLabel, box.CompanyLabel,
                             box.DiskFreeSpaceLabel})
            EXPECT_TRUE(bold->font().bold()) << bold->text().toStdString();
        for (QLabel* plain : {box.Version, box.Copyright, box.WinVersion, box.PlusVersion, box.UserName,
                              box.CompanyName, box.FreeDisk})
            EXPECT_FALSE(plain->font().bold()) << plain->text().toStdString();
        // The bold captions are not cut off.
        for (QLabel* label : {box.UserLabel, box.CompanyLabel, box.DiskFreeSpaceLabel})
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
        for (QLabel* hidden : {box.Label5, box.FreeMemory, box.Label6, box.FreeResources})
            EXPECT_TRUE(hidden->isHidden());
    };
    EXPECT_TRUE(Execute(dialog_));
}

TEST_F(AboutTest, BelongsToItsFormsWindow)
{
    auto* form = new TForm(new QWidget);
    auto* dialog = new TAboutDialog(form);
    QWidget* parent = nullptr;
    inspect_ = [&parent](TAboutBox& box) { parent = box.parentWidget(); };
    Execute(*dialog);
    EXPECT_EQ(parent, form->Window());
    delete form;
}

TEST(FreeSpace, IsDecimalMegabytesTruncatedWithTheDirectorysFirstCharacter)
{
    EXPECT_EQ(FreeSpaceText({"D:\\", 2147483648}), "2147 MB (D)");
    EXPECT_EQ(FreeSpaceText({"C:\\Users", 5123999999}), "5123 MB (C)");
    EXPECT_EQ(FreeSpaceText({"/home/ada", 999999}), "0 MB (/)");
    EXPECT_EQ(FreeSpaceText({"/home/ada", -1}), "0 MB (/)");
    // Beyond what 32 bits hold.
    EXPECT_EQ(FreeSpaceText({"/", 8000000000000}), "8000000 MB (/)");
}

TEST(FreeSpace, TheRealCurrentDirectoryHasAKnownSize)
{
    const TDiskSpace space = CurrentDiskSpace();
    EXPECT_EQ(space.Directory.substr(0, 1), "/");
    EXPECT_GE(space.BytesAvailable, 0);
}

TEST(AboutBox, ActivationBringsTheShownBoxToTheFrontAndLeavesAHiddenOneAlone)
{
    QWidget other;
    other.setWindowTitle("other");
    TAboutBox box;
    box.ApplicationEvents1Activate();
    EXPECT_FALSE(box.isVisible());

    box.show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.isActiveWindow(); }));
    box.ApplicationEvents1Activate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return box.isActiveWindow(); }));

    // The program's activation comes in through the application's state.
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.isActiveWindow(); }));
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(QTest::qWaitFor([&] { return box.isActiveWindow(); }));
}

} // namespace
