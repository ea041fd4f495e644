#pragma once
// Unit1: the main window. Menu bar, toolbar, the picture in a scrolling view and a
// status bar; the commands; the command state that follows the picture; and
// the start-up and shut-down that keep the drawing size between runs.

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "BusyCursor.h"
#include "Form.h"
#include "ImageView.h"
#include "RenderControl.h"
#include "SaveAsCommand.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollArea;
class QStatusBar;
class QToolBar;
class QToolButton;
class TAboutDialog;
class TAppConfigKey;
class TFlatMenuPainter;
class TOwnerDrawMenu;
class TOwnerDrawMenuBar;
class TFormRestorer;
class TMessageBox;
class TThreadComponent;
class TVariantProfile;
struct TDrawingSize;
struct TFractalEntry;
class TForm1;

// The main form's window. It hands status tips to the form's hint handler:
// QMainWindow itself would show them as temporary messages over the status
// bar's panel.
class TMainWindow : public QMainWindow {
public:
    explicit TMainWindow(TForm1* form) : form_(form) {}
    // The form is going: events from now on are the window's own business.
    void Detach() { form_ = nullptr; }
    // The toolbar is fixed: no menu to hide it or move it.
    QMenu* createPopupMenu() override { return nullptr; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TForm1* form_;
};

class TForm1 : public TForm {
public:
    // Creates the window and its components, loads their settings (the window
    // takes its stored placement) and runs FormCreate; the caller shows it.
    TForm1();
    ~TForm1() override;

    QMainWindow* MainWindow() const;

    // Non-visual components.
    TAppConfigKey* AppConfigKey1 = nullptr;
    TFormRestorer* FormRestorer1 = nullptr;
    TVariantProfile* FractalWidth = nullptr;
    TVariantProfile* FractalHeight = nullptr;
    TMessageBox* ClipboardErrorMessageBox = nullptr;
    TThreadComponent* ThreadComponent1 = nullptr;
    TFlatMenuPainter* FlatMenuPainter1 = nullptr;
    TAboutDialog* AboutDialog1 = nullptr;

    // Controls.
    QToolBar* ToolBar1 = nullptr;
    QToolButton* Save2 = nullptr;
    QToolButton* Copy2 = nullptr;
    QToolButton* Clear2 = nullptr;
    QFrame* Bevel1 = nullptr;
    QWidget* Panel1 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TImageControl* Image1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel = nullptr; // the status bar's only panel

    // Menus and their items.
    QMenuBar* MainMenu1 = nullptr;
    QMenu* File1 = nullptr;
    QMenu* Edit1 = nullptr;
    QMenu* View1 = nullptr;
    QMenu* Fractal1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Clear1 = nullptr;
    QAction* ViewToolbar1 = nullptr;
    QAction* ViewStatusbar1 = nullptr;
    QAction* HomePage1 = nullptr;
    QAction* Contactme1 = nullptr;
    QAction* About1 = nullptr;
    std::vector<QAction*> SizeItems;    // in DrawingSizes() order
    std::vector<QAction*> FractalItems; // in FractalCatalogue() order

    // The raster, the current generator and the custom Julia parameters.
    TRenderControl Render;
    // Save As with its components SavePictureDialog1 and MessageBox1.
    TSaveAsCommand SaveAsCommand{this, Render};

    // The render control's size change and render; the picture on the screen
    // follows the raster afterwards, also when a generator throws.
    void SetFractalSize(int32_t width, int32_t height);
    void DrawFractal(TFractalProc generator);

    // Runs a command handler; what it throws goes to the application's error
    // handler, so no exception crosses Qt's signal and event code.
    static void RunGuarded(const std::function<void()>& handler);

    // Event handlers.
    void FormCreate();
    void FormDestroy();
    void ThreadComponent1Execute(TComponent* Sender);
    void ApplicationEvents1Hint(const QString& hint);
    void File1Click(QObject* Sender);
    void Edit1Click(QObject* Sender);
    void View1Click(QObject* Sender);
    void SaveAsClick(QObject* Sender);
    void Exit1Click(QObject* Sender);
    void CopyClick(QObject* Sender);
    void ClearClick(QObject* Sender);
    void ViewToolbar1Click(QObject* Sender);
    void ViewStatusbar1Click(QObject* Sender);
    void CustomJulia1Click(QObject* Sender);
    void HomePage1Click(QObject* Sender);
    void Contactme1Click(QObject* Sender);
    void About1Click(QObject* Sender);
    // The other Fractal items and the size items.
    void FractalItemClick(const TFractalEntry& entry);
    void SizeItemClick(const TDrawingSize& size);

    static constexpr const char* HomePageAddress = PELORIX_HOME_PAGE;
    static constexpr const char* ContactUserName = "author";
    static constexpr const char* MailDomain = "pelorix.org";

private:
    // "Pelorix, Version1.1": the title and the version with no blank between.
    QString IdleStatusText() const;
    // The one place the menu bar and every menu are made: owner-drawn ones,
    // which the flat menu painter draws.
    TOwnerDrawMenuBar* NewMenuBar();
    TOwnerDrawMenu* NewMenu(const QString& title, QWidget* parent);
    void CreateControls();
    void CreateActions();
    void CreateMenus();
    void CreateFractalMenu();
    QMenu* NewNamedMenu(const char* name, const char* title, QWidget* parent);
    void CreateToolBar();
    void CreateComponents();
    void LoadComponents();
    // Connects a signal to a handler through RunGuarded.
    template <class Sender, class Signal>
    void Connect(Sender* sender, Signal signal, void (TForm1::*handler)(QObject*));
    template <class Operation>
    void Redrawing(Operation operation);
    void RefreshPicture();
    // Enables the commands that need a picture while there is one.
    void UpdateActions();
    bool Drawn() const { return Render.CurrentFractal != nullptr; }

    TMainWindow* window_;
    std::optional<TBusyCursor> busyCursor_; // while a render runs
    // The Custom Julia generator reads this window's parameters while it lives.
    TJuliaParametersScope juliaParameters_{&Render};
};
