#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <cmath>
#include <memory>
#include <thread>

#include <csignal>

#include "Catalogue.h"
#include "CustomJuliaDialog.h"
#include "Exceptions.h"
#include "HandleException.h"
#include "MessageBox.h"
#include "ModalTesting.h"
#include "PictureFormats.h"
#include "RasterImage.h"
#include "RegistryTesting.h"
#include "SavePictureDialog.h"
#include "ThreadComponent.h"
#include "MainWindow.h"
#include "Variant.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

const std::string Form1Key = "Software\\Corvath\\Pelorix\\1.1\\Form1";
const QString IdleText = "Pelorix, Version1.1";

// Takes the addresses the window asks the desktop to open.
class TUrlRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> Urls;
public slots:
    void Open(const QUrl& url) { Urls.push_back(url); }
};

TBytes Stored(const TVariant& value)
{
    if (const auto text = value.AsString()) {
        TBytes bytes = {0x00, 0x01};
        bytes.insert(bytes.end(), text->begin(), text->end());
        bytes.push_back(0);
        return bytes;
    }
    const auto record = value.Record();
    return TBytes(record.begin(), record.end());
}

class WindowTest : public RegistryFixture {
protected:
    WindowTest()
    {
        for (const char* scheme : {"https", "mailto"}) QDesktopServices::setUrlHandler(scheme, &urls, "Open");
    }
    ~WindowTest() override
    {
        for (const char* scheme : {"https", "mailto"}) QDesktopServices::unsetUrlHandler(scheme);
    }

    // The window as the program makes it: created, then shown.
    std::unique_ptr<TForm1> Open()
    {
        auto form = std::make_unique<TForm1>();
        form->MainWindow()->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form->MainWindow()));
        return form;
    }
    void StoreSize(const TVariant& width, const TVariant& height)
    {
        SetValueOf(Form1Key, "FractalWidth", Stored(width));
        SetValueOf(Form1Key, "FractalHeight", Stored(height));
    }
    // Serves events until the poll has brought Save, Copy and Clear in step
    // with the picture.
    static bool PollShows(const TForm1& form, bool drawn)
    {
        return QTest::qWaitFor([&] { return CommandState(form) == All(drawn); });
    }
    static QAction* Item(TForm1& form, const char* name)
    {
        return form.MainWindow()->findChild<QAction*>(name);
    }
    // The enabled state of Save, Copy and Clear in the menus and on the toolbar.
    static std::vector<bool> CommandState(const TForm1& form)
    {
        return {form.SaveAs1->isEnabled(), form.Save2->isEnabled(),  form.Copy1->isEnabled(),
                form.Copy2->isEnabled(),   form.Clear1->isEnabled(), form.Clear2->isEnabled()};
    }
    static std::vector<bool> All(bool state) { return std::vector<bool>(6, state); }
    static QString Status(const TForm1& form) { return form.StatusPanel->text(); }

    std::vector<TMessageBoxRequest> Boxes;
    TUrlRecorder urls;

private:
    TMessageBoxPresenterScope recordBoxes_{[this](const TMessageBoxRequest& request) {
        Boxes.push_back(request);
        return mrOK;
    }};
};

// A generator that paints one pixel and fails.
void FailingGenerator(TBitmap& raster)
{
    raster.Canvas().SetPixel(1, 1, RGB(0, 0, 255));
    throw Exception("The generator failed");
}

// A generator during which another thread hands a call over to this one, as
// the poll does: the call must not be served before the command has returned.
int callsServed = 0;
void GeneratorDuringWhichACallIsHandedOver(TBitmap& raster)
{
    raster.Canvas().SetPixel(0, 0, clWhite);
    std::thread([] {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { ++callsServed; }, Qt::QueuedConnection);
    }).join();
}

// The menu tree as lines "depth name caption | hint | shortcut".
void Describe(const QMenu* menu, int depth, std::vector<std::string>& lines)
{
    for (const QAction* action : menu->actions()) {
        std::string line = std::string(depth * 2, ' ') + action->objectName().toStdString();
        if (!action->isSeparator())
            line += " " + action->text().toStdString() + " | " + action->statusTip().toStdString() + " | " +
                    action->shortcut().toString().toStdString();
        lines.push_back(line);
        if (action->menu()) Describe(action->menu(), depth + 1, lines);
    }
}

} // namespace

TEST_F(WindowTest, TheMenuTreeHoldsEveryCommandWithItsCatalogueEntry)
{
    auto form = Open();
    std::vector<std::string> expected = {
        "File1 File |  | ",
        "  SaveAs1 Save As... | Export current fractal to an image file on disk | Ctrl+S",
        "  N1",
        "  Exit1 Exit | Exit the application | Ctrl+X",
        "Edit1 Edit |  | ",
        "  Copy1 Copy | Copy current fractal as an image to clipboard | Ctrl+C",
        "  Clear1 Clear | Clear view | Del",
        "View1 View |  | ",
        "  ViewToolbar1 Toolbar | Show or hide the toolbar | ",
        "  ViewStatusbar1 Status bar | Show or hide the status bar | ",
        "  N5",
    };
    for (const TDrawingSize& size : DrawingSizes()) {
        if (size.SeparatorBefore) expected.push_back("  N2");
        expected.push_back(std::string("  ") + size.MenuItem + " " + size.Caption + " | " + size.Hint + " | ");
    }
    expected.push_back("Fractal1 Fractal |  | ");
    std::string submenu;
    for (const TFractalEntry& entry : FractalCatalogue()) {
        if (*entry.Submenu && entry.Submenu != submenu)
            expected.push_back("  " + CompactCaption(entry.Submenu) + "1 " + entry.Submenu + " |  | ");
        submenu = entry.Submenu;
        const std::string indent = submenu.empty() ? "  " : "    ";
        expected.push_back(indent + entry.MenuItem + " " + entry.Caption + " | " + entry.Hint + " | ");
        if (entry.SeparatorAfter) expected.push_back(indent + "N4");
    }
    for (const char* line : {"Help1 Help |  | ", "  HomePage1 Home Page | Go to application's homepage and look for updates | ",
                             "  Contactme1 Contact me | COntact the author | ", "  N3",
                             "  About1 About | Display general information and copyright notice | "})
        expected.push_back(line);

    std::vector<std::string> actual;
    for (const QAction* action : form->MainMenu1->actions()) {
        ASSERT_TRUE(action->menu());
        actual.push_back(action->objectName().toStdString() + " " + action->text().toStdString() + " |  | ");
        Describe(action->menu(), 1, actual);
    }
    EXPECT_EQ(actual, expected);
    EXPECT_FALSE(form->MainMenu1->isNativeMenuBar());
    // The items with a picture; the others have none.
    for (QAction* action : form->MainWindow()->findChildren<QAction*>()) {
        const bool pictured = QStringList{"SaveAs1", "Exit1", "Copy1", "Clear1", "HomePage1", "Contactme1"}.contains(
            action->objectName());
        EXPECT_EQ(action->icon().isNull(), !pictured) << action->objectName().toStdString();
    }
    EXPECT_FALSE(form->MainWindow()->windowIcon().isNull());
    EXPECT_EQ(form->MainWindow()->windowTitle(), "Pelorix");

    // Every item does what its catalogue entry says.
    for (const TFractalEntry& entry : FractalCatalogue()) {
        if (std::string_view(entry.MenuItem) == "CustomJulia1") continue;
        Item(*form, entry.MenuItem)->trigger();
        EXPECT_EQ(form->Render.CurrentFractal, entry.Generator) << entry.MenuItem;
    }
    for (const TDrawingSize& size : DrawingSizes()) {
        Item(*form, size.MenuItem)->trigger();
        EXPECT_EQ(form->Image1->size(), QSize(size.Width, size.Height)) << size.MenuItem;
        EXPECT_EQ(form->Render.Raster().Width(), size.Width);
    }
    // Custom.. renders only after its dialog is confirmed (CustomJuliaCommandTest.cpp).
    const TFractalProc current = form->Render.CurrentFractal;
    {
        auto user = WhenModal<QDialog>([](QDialog& dialog) { dialog.reject(); });
        Item(*form, "CustomJulia1")->trigger();
    }
    EXPECT_EQ(form->Render.CurrentFractal, current);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(WindowTest, TheToolbarHoldsThreeFlatButtonsFoundByName)
{
    auto form = Open();
    EXPECT_FALSE(form->ToolBar1->isMovable());
    EXPECT_FALSE(form->ToolBar1->isFloatable());
    EXPECT_EQ(form->MainWindow()->createPopupMenu(), nullptr);
    const std::vector<std::tuple<QToolButton*, QString, int, QString>> buttons = {
        {form->Save2, "Save", 23, "Save the current view as an image file on disk"},
        {form->Copy2, "Copy", 25, "Copy current view to clipboard as bitmap"},
        {form->Clear2, "Clear", 25, ""},
    };
    int left = 0;
    for (const auto& [button, name, width, hint] : buttons) {
        EXPECT_EQ(button->accessibleName(), name);
        EXPECT_TRUE(button->autoRaise());
        EXPECT_EQ(button->size(), QSize(width, 22));
        EXPECT_EQ(button->toolTip(), hint);
        EXPECT_EQ(button->statusTip(), hint);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_GT(button->x(), left);
        left = button->x();
    }
    EXPECT_EQ(form->StatusPanel->width(), 400);
}

TEST_F(WindowTest, SaveCopyAndClearFollowThePictureAtTheNextPoll)
{
    auto form = Open();
    EXPECT_EQ(form->ThreadComponent1->Sleep(), 100u);
    EXPECT_EQ(form->ThreadComponent1->ThreadPriority(), TThreadPriority::tpLower);
    EXPECT_TRUE(form->ThreadComponent1->Enabled());
    EXPECT_EQ(CommandState(*form), All(false));

    Item(*form, "Fern1")->trigger();
    EXPECT_EQ(CommandState(*form), All(false)); // not until the poll
    // Opening a menu brings the commands up to date at once; the buttons
    // share the items' actions.
    emit form->File1->aboutToShow();
    EXPECT_EQ(CommandState(*form), All(true));
    Item(*form, "Clear1")->trigger();
    emit form->Edit1->aboutToShow();
    EXPECT_EQ(CommandState(*form), All(false));
    Item(*form, "Fern1")->trigger();
    EXPECT_TRUE(PollShows(*form, true));

    QTest::mouseClick(form->Clear2, Qt::LeftButton);
    EXPECT_EQ(form->Render.CurrentFractal, nullptr);
    EXPECT_EQ(form->Image1->Picture().pixel(10, 10), qRgb(0, 0, 0));
    EXPECT_TRUE(PollShows(*form, false));
    // A button keeps its own hint through the changes of its action.
    EXPECT_EQ(form->Save2->statusTip(), "Save the current view as an image file on disk");
    EXPECT_EQ(form->Clear2->toolTip(), "");
}

TEST_F(WindowTest, NothingServesThePollDuringACommand)
{
    auto form = Open();
    callsServed = 0;
    TForm1::RunGuarded([&] { form->DrawFractal(GeneratorDuringWhichACallIsHandedOver); });
    // The render, the cursor and the picture's refresh have run the event loop
    // nowhere: the call is still waiting, and so is any call of the poll.
    EXPECT_EQ(callsServed, 0);
    EXPECT_EQ(CommandState(*form), All(false));
    EXPECT_EQ(form->Image1->Picture().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_TRUE(QTest::qWaitFor([&] { return callsServed == 1; }));
    EXPECT_TRUE(PollShows(*form, true));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowTest, RegistryErrorsAtStartAndEndAreShownAndTheWindowGoesOn)
{
    faulty.Failing = {"SetValue"};
    auto form = Open();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "Error writing value");
    EXPECT_EQ(form->Image1->size(), QSize(640, 480));
    EXPECT_EQ(Status(*form), IdleText);
    // The Custom Julia generator reads the window's parameters while it lives.
    const TCustomJuliaParameters* windows = &form->Render;
    EXPECT_EQ(&ProgramJuliaParameters(), windows);
    form.reset();
    EXPECT_NE(&ProgramJuliaParameters(), windows);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Text, "Error writing value");
}

TEST_F(WindowTest, ShortcutsReachTheirCommands)
{
    auto form = Open();
    QMainWindow* window = form->MainWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    Item(*form, "Fern1")->trigger();
    ASSERT_TRUE(PollShows(*form, true));

    int saveDialogs = 0;
    {
        auto user = WhenModal<QFileDialog>([&](QFileDialog& dialog) {
            ++saveDialogs;
            dialog.reject();
        });
        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
    }
    EXPECT_EQ(saveDialogs, 1);
    window->activateWindow(); // the keyboard's again, after the dialog
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    QApplication::clipboard()->clear();
    QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->image(), RasterToImage(form->Render.Raster()));

    QTest::keyClick(window, Qt::Key_Delete);
    EXPECT_EQ(form->Render.CurrentFractal, nullptr);

    // F10 enters the menu bar on its first item, as Alt does; Down opens the
    // menu, Esc goes back to the bar, F10 leaves it.
    QTest::keyClick(window, Qt::Key_F10);
    EXPECT_EQ(form->MainMenu1->activeAction(), form->File1->menuAction());
    EXPECT_FALSE(form->File1->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->File1->isVisible(); }));
    QTest::keyClick(form->File1, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->File1->isVisible(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
    EXPECT_EQ(form->MainMenu1->activeAction(), nullptr);

    QTest::keyClick(window, Qt::Key_X, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ValueOf(Form1Key, "SizeAndPosition").size(), 16u);
}

// Save As from the menu and from the toolbar, with the dialog's answers given;
// a failure to write reaches the error handler.
TEST_F(WindowTest, SaveAsWritesThePictureFromTheMenuAndTheToolbar)
{
    QTemporaryDir folder;
    auto form = Open();
    ASSERT_EQ(form->FindComponent("SavePictureDialog1"), form->SaveAsCommand.SavePictureDialog1);
    ASSERT_EQ(form->FindComponent("MessageBox1"), form->SaveAsCommand.MessageBox1);
    std::string answer;
    int dialogs = 0;
    // Each save, the user answers in the dialog.
    const auto answered = [&] {
        return WhenModal<QFileDialog>([&](QFileDialog& dialog) {
            ++dialogs;
            AnswerSaveDialog(dialog, answer, 2);
        });
    };
    const std::string fern = QFile::encodeName(folder.filePath("fern")).toStdString();

    form->SaveAsClick(form->SaveAs1); // no picture yet
    EXPECT_EQ(dialogs, 0);

    Item(*form, "Fern1")->trigger();
    ASSERT_TRUE(PollShows(*form, true));
    answer = fern;
    {
        auto user = answered();
        form->SaveAs1->trigger();
    }
    EXPECT_EQ(dialogs, 1);
    std::unique_ptr<TBitmap> saved = LoadPicture(fern + ".ppm");
    EXPECT_EQ(RasterToImage(*saved), RasterToImage(form->Render.Raster()));

    answer = fern + ".ppm";
    {
        auto user = answered();
        QTest::mouseClick(form->Save2, Qt::LeftButton);
    }
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(QFile::exists(QFile::decodeName((fern + ".~ppm").c_str())));
    EXPECT_TRUE(Boxes.empty());

    answer = fern + "-missing/fern.bmp";
    {
        auto user = answered();
        form->SaveAs1->trigger();
    }
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_NE(Boxes[0].Text.find("fern-missing"), std::string::npos) << Boxes[0].Text;
    EXPECT_EQ(Boxes[0].Flags, mb::OK | mb::ICONHAND);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowTest, TheStatusBarShowsTheHintAfterABlankOrTheIdleText)
{
    auto form = Open();
    EXPECT_EQ(Status(*form), IdleText);

    QTest::mouseMove(form->Save2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Status(*form) == " Save the current view as an image file on disk"; }))
        << Status(*form).toStdString();
    QTest::mouseMove(form->Image1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Status(*form) == IdleText; })) << Status(*form).toStdString();
    // Clear2 has no hint: pointing at it shows the idle text, whatever stood there.
    form->Contactme1->showStatusText(form->MainMenu1);
    QTest::mouseMove(form->Clear2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Status(*form) == IdleText; })) << Status(*form).toStdString();

    // A menu item reports its hint as the menus do, through the menu bar.
    form->Contactme1->showStatusText(form->MainMenu1);
    EXPECT_EQ(Status(*form), " COntact the author");
    EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty());
    QStatusTipEvent empty{QString()};
    QApplication::sendEvent(form->MainMenu1, &empty);
    EXPECT_EQ(Status(*form), IdleText);
}

// Pointing at a menu item selects it and shows its hint, also while the item
// is disabled (nothing is drawn yet: Save As, Copy and Clear).
TEST_F(WindowTest, PointingAtAMenuItemShowsItsHintEnabledOrNot)
{
    auto form = Open();
    emit form->File1->aboutToShow(); // the commands as the menus see them
    const std::vector<std::tuple<QMenu*, QAction*, bool, QString>> items = {
        {form->File1, form->SaveAs1, false, " Export current fractal to an image file on disk"},
        {form->File1, form->Exit1, true, " Exit the application"},
        {form->Edit1, form->Copy1, false, " Copy current fractal as an image to clipboard"},
        {form->Edit1, form->Clear1, false, " Clear view"},
        {form->View1, form->ViewStatusbar1, true, " Show or hide the status bar"},
        {form->Help1, form->Contactme1, true, " COntact the author"},
        {form->Help1, form->About1, true, " Display general information and copyright notice"},
    };
    for (const auto& [menu, item, enabled, hint] : items) {
        const std::string name = item->objectName().toStdString();
        form->MainMenu1->setActiveAction(menu->menuAction());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu)) << name;
        QTest::mouseMove(menu, menu->actionGeometry(item).center());
        EXPECT_TRUE(QTest::qWaitFor([&] { return Status(*form) == hint; })) << name << ": " << Status(*form).toStdString();
        EXPECT_EQ(menu->activeAction(), item) << name;
        EXPECT_EQ(item->isEnabled(), enabled) << name;
        // Moving on with the keys reaches disabled items as well, and their hints.
        form->StatusPanel->clear();
        QTest::keyClick(menu, Qt::Key_Up);
        QTest::keyClick(menu, Qt::Key_Down);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Status(*form) == hint; })) << name;
        menu->close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); })) << name;
    }
}

TEST_F(WindowTest, TheViewMenuMarksTheCurrentSizeAndTheVisibleBars)
{
    StoreSize(TVariant(int32_t(700)), TVariant(int32_t(500)));
    auto form = Open();
    EXPECT_EQ(form->Image1->size(), QSize(700, 500));
    emit form->View1->aboutToShow();
    for (QAction* item : form->SizeItems) EXPECT_FALSE(item->isChecked()) << item->objectName().toStdString();
    EXPECT_TRUE(form->ViewToolbar1->isChecked());
    EXPECT_TRUE(form->ViewStatusbar1->isChecked());

    Item(*form, "N640x6401")->trigger();
    emit form->View1->aboutToShow();
    for (QAction* item : form->SizeItems)
        EXPECT_EQ(item->isChecked(), item->objectName() == "N640x6401") << item->objectName().toStdString();
}

TEST_F(WindowTest, HidingTheBarsLastsOnlyForTheRun)
{
    {
        auto form = Open();
        form->ViewToolbar1->trigger();
        form->ViewStatusbar1->trigger();
        EXPECT_FALSE(form->ToolBar1->isVisible());
        EXPECT_FALSE(form->StatusBar1->isVisible());
        emit form->View1->aboutToShow();
        EXPECT_FALSE(form->ViewToolbar1->isChecked());
        EXPECT_FALSE(form->ViewStatusbar1->isChecked());
        form->ViewToolbar1->trigger();
        EXPECT_TRUE(form->ToolBar1->isVisible());
        form->ViewToolbar1->trigger();
        form->Exit1->trigger();
    }
    auto form = Open();
    EXPECT_TRUE(form->ToolBar1->isVisible());
    EXPECT_TRUE(form->StatusBar1->isVisible());
}

// One raster pixel on one pixel of the screen at any device pixel ratio
// (ctest runs this once more at a ratio of 2): the control is the raster's
// size in the screen's pixels, the scroll range covers just that, and the
// stored size stays the raster's.
TEST_F(WindowTest, ThePictureIsShownPixelForPixelAtAnyPixelRatio)
{
    StoreSize(TVariant(int32_t(1024)), TVariant(int32_t(767)));
    auto form = Open();
    Item(*form, "Mandel1")->trigger();
    const qreal ratio = form->Image1->devicePixelRatioF();
    EXPECT_EQ(form->Image1->size(), QSize(std::ceil(1024 / ratio), std::ceil(767 / ratio))) << ratio;

    QImage shown = form->Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shown.setDevicePixelRatio(1);
    const QImage raster = RasterToImage(form->Render.Raster()).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.copy(0, 0, 1024, 767), raster);

    const QScrollBar* across = form->ScrollBox1->horizontalScrollBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return across->maximum() > 0; }));
    EXPECT_EQ(across->maximum(), form->Image1->width() - form->ScrollBox1->viewport()->width());
    form.reset();
    EXPECT_EQ(ValueOf(Form1Key, "FractalWidth"), Stored(TVariant(int32_t(1024))));
    EXPECT_EQ(ValueOf(Form1Key, "FractalHeight"), Stored(TVariant(int32_t(767))));
}

TEST_F(WindowTest, CopyPutsThePictureOnTheClipboard)
{
    StoreSize(TVariant(int32_t(320)), TVariant(int32_t(240)));
    auto form = Open();
    QApplication::clipboard()->setText("before");
    form->Copy1->setEnabled(true); // nothing drawn: the command does nothing
    form->Copy1->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "before");

    Item(*form, "Triangle1")->trigger();
    form->Copy1->trigger();
    const QImage copied = QApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(320, 240));
    EXPECT_EQ(copied, RasterToImage(form->Render.Raster()));
    EXPECT_EQ(copied, form->Image1->Picture());
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(WindowTest, CopyingAnEmptyPictureShowsTheClipboardError)
{
    StoreSize(TVariant(int32_t(0)), TVariant(int32_t(0)));
    auto form = Open();
    EXPECT_EQ(form->Image1->size(), QSize(0, 0));
    Item(*form, "Mandel1")->trigger();
    ASSERT_EQ(form->Render.CurrentFractal, &DrawSimpleMandel);
    QApplication::clipboard()->setText("before");
    QTest::mouseClick(form->Copy2, Qt::LeftButton); // still disabled: no poll yet
    EXPECT_TRUE(Boxes.empty());
    ASSERT_TRUE(PollShows(*form, true));
    QTest::mouseClick(form->Copy2, Qt::LeftButton);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "Can not copy to clipboard an empty bitmap!");
    EXPECT_EQ(Boxes[0].Caption, "Pelorix");
    EXPECT_EQ(Boxes[0].Flags, mb::OK | mb::ICONHAND | mb::TASKMODAL);
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
}

TEST_F(WindowTest, SizeAndPlacementLastFromOneRunToTheNext)
{
    QRect placement;
    {
        auto form = Open();
        // First run: the designed 800 x 600 is the frame's size; the default
        // drawing size is stored at once.
        EXPECT_TRUE(QTest::qWaitFor([&] { return form->MainWindow()->frameGeometry().size() == QSize(800, 600); }));
        EXPECT_EQ(ValueOf(Form1Key, "FractalWidth"), Stored(TVariant(int32_t(640))));
        EXPECT_EQ(ValueOf(Form1Key, "FractalHeight"), Stored(TVariant(int32_t(480))));
        EXPECT_EQ(form->Image1->size(), QSize(640, 480));
        Item(*form, "N800x6001")->trigger();
        form->MainWindow()->move(90, 40);
        form->MainWindow()->resize(700, 500);
        placement = form->MainWindow()->frameGeometry();
        form->Exit1->trigger();
    }
    EXPECT_EQ(ValueOf(Form1Key, "FractalWidth"), Stored(TVariant(int32_t(800))));
    EXPECT_EQ(ValueOf(Form1Key, "FractalHeight"), Stored(TVariant(int32_t(600))));
    auto form = Open();
    EXPECT_EQ(form->MainWindow()->frameGeometry(), placement);
    EXPECT_EQ(form->Image1->size(), QSize(800, 600));
    EXPECT_EQ(form->Render.Raster().Height(), 600);
    EXPECT_EQ(form->Render.CurrentFractal, nullptr);
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(WindowTest, AFailingGeneratorIsReportedAndTheWindowGoesOn)
{
    auto form = Open();
    Item(*form, "Fern1")->trigger();
    TForm1::RunGuarded([&] { form->DrawFractal(FailingGenerator); });
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "The generator failed");
    EXPECT_EQ(Boxes[0].Caption, "Pelorix");
    EXPECT_EQ(Boxes[0].Flags, mb::OK | mb::ICONHAND);
    EXPECT_EQ(form->Render.CurrentFractal, &DrawFern);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // What it drew before it failed is on the screen.
    EXPECT_EQ(form->Image1->Picture().pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(form->Image1->Picture().pixel(0, 0), qRgb(0, 0, 0));

    // A size command re-running a generator that fails: reported the same way.
    form->Render.CustomJuliaX = 1e300;
    form->Render.CurrentFractal = DrawCustomJulia;
    Item(*form, "N320x2401")->trigger();
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Text, "Floating point overflow");
    EXPECT_EQ(form->Image1->size(), QSize(320, 240));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(form->MainWindow()->isVisible());
    Item(*form, "Fern1")->trigger();
    EXPECT_EQ(form->Render.CurrentFractal, &DrawFern);
}

TEST_F(WindowTest, AStoredSizeThatIsNoNumberIsShownAndTheWindowStartsAt640x480)
{
    StoreSize(TVariant("abc"), TVariant(int32_t(300)));
    auto form = Open();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "'abc' is not a valid integer value");
    EXPECT_EQ(Boxes[0].Flags, mb::OK | mb::ICONHAND);
    EXPECT_EQ(form->Image1->size(), QSize(640, 480));
    EXPECT_EQ(form->Render.Raster().Canvas().Pen.Color, clWhite);
    EXPECT_EQ(Status(*form), IdleText);
    // Pen-colour pictures show.
    Item(*form, "Fern1")->trigger();
    bool white = false;
    for (int y = 0; y < 480 && !white; ++y)
        for (int x = 0; x < 640 && !white; ++x) white = form->Image1->Picture().pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_TRUE(white);
}

TEST_F(WindowTest, AStoredSizeOutOfRangeGivesTheDefaultSize)
{
    for (const auto& [width, height] : std::vector<std::pair<int32_t, int32_t>>{{16385, 480}, {640, -1}, {-5, -5}}) {
        StoreSize(TVariant(width), TVariant(height));
        auto form = Open();
        EXPECT_EQ(form->Image1->size(), QSize(640, 480)) << width << "x" << height;
    }
    StoreSize(TVariant(int32_t(16384)), TVariant(int32_t(1)));
    auto form = Open();
    EXPECT_EQ(form->Image1->size(), QSize(16384, 1));
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(WindowTest, HelpItemsOpenTheHomePageAndAMailAddress)
{
    auto form = Open();
    form->HomePage1->trigger();
    form->Contactme1->trigger();
    ASSERT_EQ(urls.Urls.size(), 2u);
    EXPECT_EQ(urls.Urls[0].toString(), TForm1::HomePageAddress);
    EXPECT_EQ(urls.Urls[1].toString(), "mailto:author@pelorix.org?subject=Pelorix");
}

// The program itself, headless, over a hive of its own.
class ProgramTest : public testing::Test {
protected:
    void Start()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", config.path());
        program.setProcessEnvironment(environment);
        program.start(PELORIX_PROGRAM, {});
        ASSERT_TRUE(program.waitForStarted());
    }
    QString Hive() const
    {
        QFile file(config.path() + "/pelorix/HKEY_CURRENT_USER.reg");
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }
    // Ends the program by the signal; it closes its window first, which
    // stores the placement.
    void EndBy(int signal)
    {
        ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), signal), 0);
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << program.readAllStandardError().toStdString();
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_TRUE(Hive().contains("\"SizeAndPosition\"")) << Hive().toStdString();
    }

    QTemporaryDir config;
    QProcess program;
};

TEST_F(ProgramTest, StartsKeepsRunningAndClosesOnTerminate)
{
    Start();
    // The first run stores the default size once its window is up, and goes on running.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Hive().contains("FractalHeight"); }, 10000))
        << program.readAllStandardError().toStdString();
    ASSERT_EQ(program.state(), QProcess::Running);
    EXPECT_TRUE(Hive().contains("\"FractalWidth\"=hex:03,00,00,00,00,00,00,00,80,02")) << Hive().toStdString();
    EXPECT_FALSE(Hive().contains("SizeAndPosition"));
    EndBy(SIGTERM);
}

TEST_F(ProgramTest, ASignalDuringAStartUpErrorBoxStillEndsTheProgram)
{
    // A stored width that is no number: start-up stores the missing height,
    // then shows the width's error in a box.
    QDir().mkpath(config.path() + "/pelorix");
    QFile hive(config.path() + "/pelorix/HKEY_CURRENT_USER.reg");
    ASSERT_TRUE(hive.open(QIODevice::WriteOnly));
    hive.write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Corvath\\Pelorix\\1.1\\Form1]\r\n"
               "\"FractalWidth\"=hex:00,01,61,62,63,00\r\n\r\n");
    hive.close();
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Hive().contains("FractalHeight"); }, 10000));
    EndBy(SIGTERM);
}

TEST_F(ProgramTest, ClosesOnInterrupt)
{
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Hive().contains("FractalHeight"); }, 10000));
    EndBy(SIGINT);
}

#include "WindowTest.moc"
