#include "MainWindow.h"

#include <QAction>
#include <QActionEvent>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "AboutDialog.h"
#include "Catalogue.h"
#include "CustomJuliaDialog.h"
#include "Format.h"
#include "FormRestorer.h"
#include "FlatMenuPainter.h"
#include "Generators.h"
#include "HandleException.h"
#include "MessageBox.h"
#include "OwnerDrawMenu.h"
#include "Pictures.h"
#include "Profiles.h"
#include "Random.h"
#include "RasterImage.h"
#include "RegistryKeys.h"
#include "ThreadComponent.h"
#include "Variant.h"
#include "WindowFrame.h"

namespace {

// A toolbar button made from a command's action, with a hint of its own: the
// action's, which the menu item shows, would replace it at each change.
class TCommandButton : public QToolButton {
public:
    TCommandButton(QAction* command, QString hint, QWidget* parent) : QToolButton(parent), hint_(std::move(hint))
    {
        setDefaultAction(command);
        ShowHint();
    }

protected:
    void actionEvent(QActionEvent* event) override
    {
        QToolButton::actionEvent(event);
        if (event->type() == QEvent::ActionChanged) ShowHint();
    }

private:
    void ShowHint()
    {
        setToolTip(hint_);
        setStatusTip(hint_);
    }

    QString hint_;
};

// The largest stored side taken as it is; a larger or a negative one is a
// damaged value, and the window starts with the default size instead.
constexpr int32_t MaxStoredSide = 16384;
constexpr int32_t DefaultWidth = 640, DefaultHeight = 480;

// Indices of MenuPicture.
constexpr int SavePicture = 0, CopyPicture = 1, ExitPicture = 2, ContactPicture = 3, HomePagePicture = 4,
              ClearPicture = 5;

QString Text(const char* text) { return QString::fromUtf8(text); }

} // namespace

// ---------------------------------------------------------------------------

bool TMainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip && form_) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        TForm1::RunGuarded([&] { form_->ApplicationEvents1Hint(tip); });
        return true;
    }
    return QMainWindow::event(event);
}

// A control without a hint sends no status tip when the pointer enters it;
// the status bar then shows the idle text, as for any empty hint.
bool TMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Enter && form_) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->statusTip().isEmpty())
            TForm1::RunGuarded([&] { form_->ApplicationEvents1Hint(QString()); });
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------

TForm1::TForm1() : TForm(new TMainWindow(this)), window_(static_cast<TMainWindow*>(Window()))
{
    SetName("Form1");
    window_->setObjectName("Form1");
    CreateControls();
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateComponents();
    LoadComponents();

    // The cursor changes when the event loop runs next, and a render never
    // runs the event loop.
    Render.OnBusy = [this](bool busy) {
        if (busy)
            busyCursor_.emplace();
        else
            busyCursor_.reset();
    };
    Render.OnResized = [this](int32_t width, int32_t height) { Image1->SetPixelSize({width, height}); };
    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
    window_->Detach();
    Render.OnBusy = nullptr;
    Render.OnResized = nullptr;
    // TForm frees the components, then the window.
}

QMainWindow* TForm1::MainWindow() const
{
    return window_;
}

template <class Sender, class Signal>
void TForm1::Connect(Sender* sender, Signal signal, void (TForm1::*handler)(QObject*))
{
    QObject::connect(sender, signal, window_, [this, sender, handler] { RunGuarded([&] { (this->*handler)(sender); }); });
}

void TForm1::RunGuarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        HandleException(e);
    }
}

void TForm1::CreateControls()
{
    window_->setWindowTitle(QString::fromStdString(ApplicationTitle()));
    SetFrameOnScreen(window_, QRect(127, 76, 800, 600));
    window_->setContextMenuPolicy(Qt::NoContextMenu);

    auto* client = new QWidget(window_);
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);

    Bevel1 = new QFrame(client);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setFixedHeight(2);
    clientLayout->addWidget(Bevel1);

    Panel1 = new QWidget(client);
    Panel1->setObjectName("Panel1");
    clientLayout->addWidget(Panel1, 1);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);

    ScrollBox1 = new QScrollArea(Panel1);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setWidgetResizable(false);
    Image1 = new TImageControl;
    Image1->setObjectName("Image1");
    Image1->SetPixelSize({640, 480});
    ScrollBox1->setWidget(Image1);
    panelLayout->addWidget(ScrollBox1, 1);

    StatusBar1 = new QStatusBar(Panel1);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setFixedHeight(19);
    StatusPanel = new QLabel(StatusBar1);
    StatusPanel->setObjectName("StatusPanel");
    StatusPanel->setFixedWidth(400);
    StatusBar1->addWidget(StatusPanel);
    panelLayout->addWidget(StatusBar1);

    window_->setCentralWidget(client);
}

void TForm1::CreateActions()
{
    // An item of the window with its caption, hint and shortcut.
    auto item = [this](const char* name, const char* caption, const char* hint = "",
                       const QKeySequence& shortcut = {}, int picture = -1) {
        auto* action = new QAction(MenuPicture(picture), Text(caption), window_);
        action->setObjectName(name);
        action->setStatusTip(Text(hint));
        action->setShortcut(shortcut);
        return action;
    };
    SaveAs1 = item("SaveAs1", "Save As...", "Export current fractal to an image file on disk",
                   QKeySequence(Qt::CTRL | Qt::Key_S), SavePicture);
    Exit1 = item("Exit1", "Exit", "Exit the application", QKeySequence(Qt::CTRL | Qt::Key_X), ExitPicture);
    Copy1 = item("Copy1", "Copy", "Copy current fractal as an image to clipboard", QKeySequence(Qt::CTRL | Qt::Key_C),
                 CopyPicture);
    Clear1 = item("Clear1", "Clear", "Clear view", QKeySequence(Qt::Key_Delete), ClearPicture);
    ViewToolbar1 = item("ViewToolbar1", "Toolbar", "Show or hide the toolbar");
    ViewStatusbar1 = item("ViewStatusbar1", "Status bar", "Show or hide the status bar");
    HomePage1 = item("HomePage1", "Home Page", "Go to application's homepage and look for updates", {},
                     HomePagePicture);
    Contactme1 = item("Contactme1", "Contact me", "COntact the author", {}, ContactPicture);
    About1 = item("About1", "About", "Display general information and copyright notice");
    ViewToolbar1->setCheckable(true);
    ViewStatusbar1->setCheckable(true);

    // Save, Copy and Clear wait for a picture.
    UpdateActions();

    Connect(SaveAs1, &QAction::triggered, &TForm1::SaveAsClick);
    Connect(Exit1, &QAction::triggered, &TForm1::Exit1Click);
    Connect(Copy1, &QAction::triggered, &TForm1::CopyClick);
    Connect(Clear1, &QAction::triggered, &TForm1::ClearClick);
    Connect(ViewToolbar1, &QAction::triggered, &TForm1::ViewToolbar1Click);
    Connect(ViewStatusbar1, &QAction::triggered, &TForm1::ViewStatusbar1Click);
    Connect(HomePage1, &QAction::triggered, &TForm1::HomePage1Click);
    Connect(Contactme1, &QAction::triggered, &TForm1::Contactme1Click);
    Connect(About1, &QAction::triggered, &TForm1::About1Click);

    // The size marks are set when the View menu opens; none is marked for a
    // size off the menu, so they form no exclusive group.
    for (const TDrawingSize& size : DrawingSizes()) {
        QAction* action = item(size.MenuItem, size.Caption, size.Hint);
        action->setCheckable(true);
        QObject::connect(action, &QAction::triggered, window_,
                         [this, &size] { RunGuarded([&] { SizeItemClick(size); }); });
        SizeItems.push_back(action);
    }
    for (const TFractalEntry& entry : FractalCatalogue()) {
        QAction* action = item(entry.MenuItem, entry.Caption, entry.Hint);
        if (std::string_view(entry.MenuItem) == "CustomJulia1")
            Connect(action, &QAction::triggered, &TForm1::CustomJulia1Click);
        else
            QObject::connect(action, &QAction::triggered, window_,
                             [this, &entry] { RunGuarded([&] { FractalItemClick(entry); }); });
        FractalItems.push_back(action);
    }
}

TOwnerDrawMenuBar* TForm1::NewMenuBar()
{
    // Never the desktop's global menu bar: the window draws its own menus.
    return new TOwnerDrawMenuBar(window_);
}

TOwnerDrawMenu* TForm1::NewMenu(const QString& title, QWidget* parent)
{
    return new TOwnerDrawMenu(title, parent);
}

QMenu* TForm1::NewNamedMenu(const char* name, const char* title, QWidget* parent)
{
    QMenu* m = NewMenu(Text(title), parent);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    return m;
}

namespace {

void AddSeparator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(name);
}

} // namespace

void TForm1::CreateMenus()
{
    TOwnerDrawMenuBar* bar = NewMenuBar();
    bar->SetOwnerDraw(true);
    MainMenu1 = bar;
    MainMenu1->setObjectName("MainMenu1");
    window_->setMenuBar(MainMenu1);

    File1 = NewNamedMenu("File1", "File", MainMenu1);
    File1->addAction(SaveAs1);
    AddSeparator(File1, "N1");
    File1->addAction(Exit1);
    Connect(File1, &QMenu::aboutToShow, &TForm1::File1Click);

    Edit1 = NewNamedMenu("Edit1", "Edit", MainMenu1);
    Edit1->addAction(Copy1);
    Edit1->addAction(Clear1);
    Connect(Edit1, &QMenu::aboutToShow, &TForm1::Edit1Click);

    View1 = NewNamedMenu("View1", "View", MainMenu1);
    View1->addAction(ViewToolbar1);
    View1->addAction(ViewStatusbar1);
    AddSeparator(View1, "N5");
    for (size_t i = 0; i < SizeItems.size(); ++i) {
        if (DrawingSizes()[i].SeparatorBefore) AddSeparator(View1, "N2");
        View1->addAction(SizeItems[i]);
    }
    Connect(View1, &QMenu::aboutToShow, &TForm1::View1Click);

    CreateFractalMenu();

    Help1 = NewNamedMenu("Help1", "Help", MainMenu1);
    Help1->addAction(HomePage1);
    Help1->addAction(Contactme1);
    AddSeparator(Help1, "N3");
    Help1->addAction(About1);

    for (QMenu* m : {File1, Edit1, View1, Fractal1, Help1}) MainMenu1->addMenu(m);
}

// The generators, grouped into the submenus the catalogue names, each
// submenu where its first item stands.
void TForm1::CreateFractalMenu()
{
    Fractal1 = NewNamedMenu("Fractal1", "Fractal", MainMenu1);
    std::vector<QMenu*> submenus;
    for (size_t i = 0; i < FractalItems.size(); ++i) {
        const TFractalEntry& entry = FractalCatalogue()[i];
        QMenu* target = Fractal1;
        if (*entry.Submenu) {
            const QString title = Text(entry.Submenu);
            auto found = std::find_if(submenus.begin(), submenus.end(),
                                      [&](QMenu* m) { return m->title() == title; });
            if (found == submenus.end()) {
                const std::string name = CompactCaption(entry.Submenu) + "1";
                submenus.push_back(NewNamedMenu(name.c_str(), entry.Submenu, Fractal1));
                Fractal1->addMenu(submenus.back());
                found = submenus.end() - 1;
            }
            target = *found;
        }
        target->addAction(FractalItems[i]);
        if (entry.SeparatorAfter) AddSeparator(target, "N4");
    }
}

void TForm1::CreateToolBar()
{
    ToolBar1 = new QToolBar(window_);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(29);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->layout()->setSpacing(0);
    window_->addToolBar(Qt::TopToolBarArea, ToolBar1);

    // A flat button for a command's action, with its width, accessible name and hint.
    auto button = [this](QAction* command, const char* name, int width, const char* accessibleName,
                         const char* hint) {
        auto* b = new TCommandButton(command, Text(hint), ToolBar1);
        b->setObjectName(name);
        b->setIconSize(QSize(16, 16));
        b->setAutoRaise(true);
        b->setFixedSize(width, 22);
        b->setAccessibleName(Text(accessibleName));
        b->installEventFilter(window_);
        return b;
    };
    auto gap = [this](QFrame::Shape shape) {
        auto* frame = new QFrame(ToolBar1);
        frame->setFrameStyle(shape | QFrame::Sunken);
        frame->setFixedSize(8, 22);
        ToolBar1->addWidget(frame);
    };

    Save2 = button(SaveAs1, "Save2", 23, "Save", "Save the current view as an image file on disk");
    Copy2 = button(Copy1, "Copy2", 25, "Copy", "Copy current view to clipboard as bitmap");
    Clear2 = button(Clear1, "Clear2", 25, "Clear", "");
    gap(QFrame::NoFrame);
    ToolBar1->addWidget(Save2);
    gap(QFrame::VLine);
    ToolBar1->addWidget(Copy2);
    ToolBar1->addWidget(Clear2);
}

void TForm1::CreateComponents()
{
    AppConfigKey1 = new TAppConfigKey(this);
    AppConfigKey1->SetName("AppConfigKey1");
    FormRestorer1 = new TFormRestorer(this);
    FormRestorer1->SetName("FormRestorer1");
    FractalWidth = new TVariantProfile(this);
    FractalWidth->SetName("FractalWidth");
    FractalHeight = new TVariantProfile(this);
    FractalHeight->SetName("FractalHeight");
    ClipboardErrorMessageBox = new TMessageBox(this);
    ClipboardErrorMessageBox->SetName("ClipboardErrorMessageBox");
    ThreadComponent1 = new TThreadComponent(this);
    ThreadComponent1->SetName("ThreadComponent1");
    FlatMenuPainter1 = new TFlatMenuPainter(this);
    FlatMenuPainter1->SetName("FlatMenuPainter1");
    AboutDialog1 = new TAboutDialog(this);
    AboutDialog1->SetName("AboutDialog1");
}

// The components' settings, as the window's design gives them. The restorer
// puts the window at its stored place when loading ends.
void TForm1::LoadComponents()
{
    BeginLoading();
    AppConfigKey1->SetApplicationName("Pelorix");
    AppConfigKey1->SetApplicationVersion("1.1");
    AppConfigKey1->SetCompanyName("Corvath");
    FormRestorer1->SetParentKey(AppConfigKey1);
    FormRestorer1->SetRestoring(TFormRestorerOption::frSizeAndPosition);
    FractalWidth->SetKey(FormRestorer1);
    FractalHeight->SetKey(FormRestorer1);
    ClipboardErrorMessageBox->SetCaption("Pelorix");
    ClipboardErrorMessageBox->SetText("Can not copy to clipboard an empty bitmap!");
    ClipboardErrorMessageBox->SetButtons(TMessageBoxButtons::mbxOK);
    ClipboardErrorMessageBox->SetIcon(TMessageBoxIcon::mbxIconError);
    ClipboardErrorMessageBox->SetDefaultButton(TMessageBoxDefButton::mbxDefButton1);
    ClipboardErrorMessageBox->SetModality(TMessageBoxModality::mbxTaskModal);
    ClipboardErrorMessageBox->SetTextAlignment(TMessageBoxTextAlignment::mbxLeft);
    // Everything the poll touches exists by now: a box shown from FormCreate
    // runs a nested event loop, which serves the poll.
    ThreadComponent1->SetEnabled(true);
    ThreadComponent1->SetOnExecute([this](TComponent* sender) { ThreadComponent1Execute(sender); });
    ThreadComponent1->SetSleep(100);
    ThreadComponent1->SetThreadPriority(TThreadPriority::tpLower);
    // The painter's font only counts without the system's colours, which it uses here.
    QFont tahoma(QStringLiteral("Tahoma"), 8);
    FlatMenuPainter1->SetFont({tahoma, clMenuText});
    FlatMenuPainter1->SetColor(clBtnFace);
    FlatMenuPainter1->SetIconBackColor(clBtnFace);
    FlatMenuPainter1->SetMenuBarColor(clBtnFace);
    FlatMenuPainter1->SetSelectColor(clHighlight);
    FlatMenuPainter1->SetSelectBorderColor(clHighlight);
    FlatMenuPainter1->SetSelectFontColor(clMenuText);
    FlatMenuPainter1->SetDisabledColor(clInactiveCaption);
    FlatMenuPainter1->SetSeparatorColor(clBtnFace);
    FlatMenuPainter1->SetCheckedColor(clHighlight);
    FlatMenuPainter1->SetIconWidth(24);
    FlatMenuPainter1->SetDrawSelect(true);
    FlatMenuPainter1->SetUseSystemColors(true);
    FlatMenuPainter1->SetOverrideOwnerDraw(false);
    FlatMenuPainter1->SetGradient(false);
    FlatMenuPainter1->SetFlatMenu(false);
    FlatMenuPainter1->SetMakeMenus(true);
    FlatMenuPainter1->SetMakeToolbars(false);
    FlatMenuPainter1->SetMakeControlBars(false);
    FlatMenuPainter1->SetAutoDetect(false);
    FlatMenuPainter1->SetActive(true);
    AboutDialog1->SetProductName("Marrowind for Windows");
    AboutDialog1->SetVersion("Version 1.1");
    AboutDialog1->SetCopyright("Copyright \xC2\xA9 2026 Corvath");
    AboutDialog1->SetComments("Pelorix for Windows");
    EndLoading();
}

// ---------------------------------------------------------------------------
// The picture.

template <class Operation>
void TForm1::Redrawing(Operation operation)
{
    try {
        operation();
    } catch (...) {
        RefreshPicture(); // what the generator drew before it failed
        throw;
    }
    RefreshPicture();
}

void TForm1::RefreshPicture()
{
    Image1->SetPicture(RasterToImage(Render.Raster()));
}

void TForm1::SetFractalSize(int32_t width, int32_t height)
{
    Redrawing([&] { Render.SetFractalSize(width, height); });
}

void TForm1::DrawFractal(TFractalProc generator)
{
    Redrawing([&] { Render.DrawFractal(generator); });
}

QString TForm1::IdleStatusText() const
{
    return QString::fromStdString(ApplicationTitle() + ", Version" + AppConfigKey1->ApplicationVersion());
}

// ---------------------------------------------------------------------------
// Start-up and shut-down.

void TForm1::FormCreate()
{
    int32_t width = DefaultWidth, height = DefaultHeight;
    try {
        SeedRandom();
        Render.CurrentFractal = nullptr;
        Render.CustomJuliaX = -0.39054;
        Render.CustomJuliaY = -0.58679;
        ThreadComponent1->SetEnabled(true);

        TVariant value;
        FractalWidth->ReadValue(value);
        if (value.IsEmpty()) FractalWidth->WriteValue(TVariant(DefaultWidth));
        FractalHeight->ReadValue(value);
        if (value.IsEmpty()) FractalHeight->WriteValue(TVariant(DefaultHeight));
        FractalHeight->ReadValue(value);
        const int32_t storedHeight = VariantToInteger(value);
        FractalWidth->ReadValue(value);
        const int32_t storedWidth = VariantToInteger(value);
        if (storedWidth >= 0 && storedWidth <= MaxStoredSide && storedHeight >= 0 && storedHeight <= MaxStoredSide) {
            width = storedWidth;
            height = storedHeight;
        }
    } catch (const std::exception& e) {
        // Shown, and the window still gets a picture and a white pen.
        HandleException(e);
    }
    try {
        SetFractalSize(width, height);
        Redrawing([&] { Render.ClearFractal(); });
        StatusPanel->setText(IdleStatusText());
    } catch (const std::exception& e) {
        HandleException(e);
    }
}

void TForm1::FormDestroy()
{
    try {
        FractalWidth->WriteValue(TVariant(static_cast<int32_t>(Image1->PixelSize().width())));
        FractalHeight->WriteValue(TVariant(static_cast<int32_t>(Image1->PixelSize().height())));
    } catch (const std::exception& e) {
        HandleException(e);
    }
}

// ---------------------------------------------------------------------------
// Command state and the status bar.

void TForm1::UpdateActions()
{
    // Save, Copy and Clear need a picture; menu items and buttons share their actions.
    const bool drawn = Drawn();
    SaveAs1->setEnabled(drawn);
    Copy1->setEnabled(drawn);
    Clear1->setEnabled(drawn);
}

void TForm1::ThreadComponent1Execute(TComponent*)
{
    UpdateActions();
}

void TForm1::ApplicationEvents1Hint(const QString& hint)
{
    StatusPanel->setText(hint.isEmpty() ? IdleStatusText() : " " + hint);
}

void TForm1::File1Click(QObject*)
{
    UpdateActions();
}

void TForm1::Edit1Click(QObject*)
{
    UpdateActions();
}

void TForm1::View1Click(QObject*)
{
    const TBitmap& raster = Render.Raster();
    for (size_t i = 0; i < SizeItems.size(); ++i) {
        const TDrawingSize& size = DrawingSizes()[i];
        SizeItems[i]->setChecked(raster.Width() == size.Width && raster.Height() == size.Height);
    }
    ViewToolbar1->setChecked(!ToolBar1->isHidden());
    ViewStatusbar1->setChecked(!StatusBar1->isHidden());
}

// ---------------------------------------------------------------------------
// Commands.

void TForm1::SaveAsClick(QObject* Sender)
{
    SaveAsCommand.SaveAsClick(Sender);
}

void TForm1::CustomJulia1Click(QObject*)
{
    // Drawn only once the user has confirmed the parameters.
    if (ExecuteCustomJuliaDialog(Render.CustomJuliaX, Render.CustomJuliaY, window_, AppConfigKey1))
        DrawFractal(DrawCustomJulia);
}

void TForm1::About1Click(QObject*)
{
    AboutDialog1->Execute();
}

void TForm1::Exit1Click(QObject*)
{
    window_->close();
}

void TForm1::CopyClick(QObject*)
{
    if (!Drawn()) return;
    const TBitmap& raster = Render.Raster();
    if (static_cast<int64_t>(raster.Width()) * raster.Height() == 0) {
        ClipboardErrorMessageBox->Execute();
        return;
    }
    QApplication::clipboard()->setImage(RasterToImage(raster));
}

void TForm1::ClearClick(QObject*)
{
    Redrawing([&] { Render.Clear(); });
}

void TForm1::ViewToolbar1Click(QObject*)
{
    ToolBar1->setVisible(ToolBar1->isHidden());
}

void TForm1::ViewStatusbar1Click(QObject*)
{
    StatusBar1->setVisible(StatusBar1->isHidden());
}

void TForm1::HomePage1Click(QObject*)
{
    QDesktopServices::openUrl(QUrl(Text(HomePageAddress)));
}

void TForm1::Contactme1Click(QObject*)
{
    const std::string address =
        Format("%s:%s@%s?%s=%s", {"mailto", ContactUserName, MailDomain, "subject", ApplicationTitle()});
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void TForm1::FractalItemClick(const TFractalEntry& entry)
{
    DrawFractal(entry.Generator);
}

void TForm1::SizeItemClick(const TDrawingSize& size)
{
    SetFractalSize(size.Width, size.Height);
}
