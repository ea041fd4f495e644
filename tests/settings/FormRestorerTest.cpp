#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "FormRestorer.h"
#include "HandleException.h"
#include "RegistryTesting.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

const std::string Form1Key = "Software\\Corvath\\Pelorix\\1.1\\Form1";
const TBytes Placement = {0x64, 0, 0, 0, 0x32, 0, 0, 0, 0x20, 3, 0, 0, 0x58, 2, 0, 0}; // 100, 50, 800, 600

TBytes Record(int left, int top, int width, int height)
{
    TBytes r;
    for (int v : {left, top, width, height})
        for (int i = 0; i < 4; ++i) r.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
    return r;
}

class FormRestorerTest : public RegistryFixture {
protected:
    // A form as its description would make it: the window at its designed
    // place 10, 10, 300 x 200, an application key and a restorer below it.
    std::unique_ptr<TForm> MakeForm(TFormRestorerOption restoring = TFormRestorerOption::frSizeAndPosition,
                                    QWidget* window = new QWidget)
    {
        window->move(10, 10);
        window->resize(300, 200);
        auto form = std::make_unique<TForm>(window);
        form->SetName("Form1");
        form->SetOnClose(previousClose);
        auto* app = new TAppConfigKey(form.get());
        restorer = new TFormRestorer(form.get());
        form->BeginLoading();
        app->SetCompanyName("Corvath");
        app->SetApplicationName("Pelorix");
        app->SetApplicationVersion("1.1");
        restorer->SetParentKey(app);
        restorer->SetRestoring(restoring);
        form->EndLoading();
        return form;
    }
    static bool Shown(QWidget* window)
    {
        window->show();
        return QTest::qWaitForWindowExposed(window);
    }

    TCloseEvent previousClose;
    TFormRestorer* restorer = nullptr;
};

} // namespace

TEST_F(FormRestorerTest, StoresThePlacementAtCloseAndRestoresItBeforeTheFirstShow)
{
    {
        auto form = MakeForm();
        QWidget* window = form->Window();
        EXPECT_EQ(restorer->KeyName(), "Form1");
        // Nothing stored yet: nothing restored, and nothing created.
        EXPECT_EQ(window->geometry(), QRect(10, 10, 300, 200));
        EXPECT_FALSE(QFile::exists(hive.Path()));

        ASSERT_TRUE(Shown(window));
        window->move(100, 50);
        window->resize(window->size() + QSize(800, 600) - window->frameGeometry().size());
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry() == QRect(100, 50, 800, 600); }));
        EXPECT_TRUE(window->close());
        EXPECT_EQ(ValueOf(Form1Key, "SizeAndPosition"), Placement);
    }
    // The next start: in force before the window shows, and the window does
    // not grow by its frame.
    auto form = MakeForm();
    QWidget* window = form->Window();
    EXPECT_EQ(window->frameGeometry(), QRect(100, 50, 800, 600));
    ASSERT_TRUE(Shown(window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry() == QRect(100, 50, 800, 600); }))
        << window->frameGeometry().width() << "x" << window->frameGeometry().height();
}

TEST_F(FormRestorerTest, RestoringDecidesWhatIsApplied)
{
    SetValueOf(Form1Key, "SizeAndPosition", Placement);
    {
        auto form = MakeForm(TFormRestorerOption::frPositionOnly);
        ASSERT_TRUE(Shown(form->Window()));
        EXPECT_EQ(form->Window()->frameGeometry().topLeft(), QPoint(100, 50));
        EXPECT_EQ(form->Window()->size(), QSize(300, 200));
    }
    {
        auto form = MakeForm(TFormRestorerOption::frSizeOnly);
        ASSERT_TRUE(Shown(form->Window()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return form->Window()->frameGeometry().size() == QSize(800, 600); }));
        EXPECT_EQ(form->Window()->frameGeometry().topLeft(), QPoint(10, 10));
    }
    // A record of another length is ignored.
    SetValueOf(Form1Key, "SizeAndPosition", TBytes(Placement.begin(), Placement.begin() + 12));
    auto form = MakeForm();
    EXPECT_EQ(form->Window()->geometry(), QRect(10, 10, 300, 200));
}

TEST_F(FormRestorerTest, AWindowOffEveryScreenComesBackOnThePrimaryScreen)
{
    SetValueOf(Form1Key, "SizeAndPosition", Record(-5000, 3000, 400, 300));
    auto form = MakeForm();
    ASSERT_TRUE(Shown(form->Window()));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(form->Window()->frameGeometry())) << screen.width() << "x" << screen.height();

    // Partly on a screen is on it: left where it was.
    SetValueOf(Form1Key, "SizeAndPosition", Record(-100, -20, 400, 300));
    form = MakeForm();
    EXPECT_EQ(form->Window()->pos(), QPoint(-100, -20));
}

TEST_F(FormRestorerTest, AnyStoredRecordPutsTheWindowOnAScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int most = 0x7fffffff, least = -most - 1;
    const struct {
        TBytes record;
        bool offEveryScreen; // then it comes back wholly on the primary one
    } cases[] = {
        {Record(most, most, most, most), true},    {Record(least, least, least, least), true},
        {Record(most, least, 400, 300), true},     {Record(least, most, most, 300), true},
        {Record(-200, -100, most, most), false},   {Record(100, 50, 0, -1), false},
    };
    for (const auto& c : cases) {
        SetValueOf(Form1Key, "SizeAndPosition", c.record);
        auto form = MakeForm();
        ASSERT_TRUE(Shown(form->Window()));
        const QRect frame = form->Window()->frameGeometry();
        SCOPED_TRACE(std::to_string(frame.x()) + "," + std::to_string(frame.y()) + " " +
                     std::to_string(frame.width()) + "x" + std::to_string(frame.height()));
        EXPECT_TRUE(screen.intersects(frame));
        EXPECT_LE(frame.width(), screen.width());
        EXPECT_LE(frame.height(), screen.height());
        if (c.offEveryScreen) {
            EXPECT_TRUE(screen.contains(frame));
        }
    }
    // A size that cannot have been the window's leaves the designed one.
    auto form = MakeForm();
    EXPECT_EQ(form->Window()->size(), QSize(300, 200));
}

TEST_F(FormRestorerTest, TheFormsOwnCloseHandlerRunsAfterTheStore)
{
    std::vector<std::string> calls;
    previousClose = [&](TComponent* sender, TCloseAction& action) {
        calls.push_back(sender->Name() + (ValueOf(Form1Key, "SizeAndPosition").size() == 16 ? " after store" : ""));
        action = TCloseAction::caNone;
    };
    auto form = MakeForm();
    ASSERT_TRUE(Shown(form->Window()));
    EXPECT_FALSE(form->Window()->close()); // the handler kept it open
    EXPECT_EQ(calls, std::vector<std::string>{"Form1 after store"});
    EXPECT_TRUE(form->Window()->isVisible());

    // A store that fails is reported, and the window still closes.
    std::string reported;
    TExceptionHandlerScope report([&](const std::exception& e) { reported = e.what(); });
    faulty.Failing = {"SetValue"};
    previousClose = nullptr;
    form = MakeForm();
    ASSERT_TRUE(Shown(form->Window()));
    EXPECT_TRUE(form->Window()->close());
    EXPECT_EQ(reported, "Error writing value");
    faulty.Failing = {};

    // Without its restorer the form still closes, with its own handler.
    calls.clear();
    previousClose = [&](TComponent*, TCloseAction&) { calls.push_back("own"); };
    form = MakeForm();
    delete restorer;
    ASSERT_TRUE(Shown(form->Window()));
    EXPECT_TRUE(form->Window()->close());
    EXPECT_EQ(calls, std::vector<std::string>{"own"});
}

TEST_F(FormRestorerTest, ADialogEndedByItsButtonsStoresItsPlacement)
{
    auto* dialog = new QDialog;
    auto form = MakeForm(TFormRestorerOption::frPositionOnly, dialog);
    ASSERT_TRUE(Shown(dialog));
    dialog->move(120, 80);
    dialog->accept();
    EXPECT_EQ(ValueOf(Form1Key, "SizeAndPosition"), Record(120, 80, 304, 204));
}
