#pragma once
// FlatMenu: the flat menu painter, a non-visual component that takes over the drawing
// of its form's menus and paints every item flat, with a coloured icon
// column, a framed highlight, its own check and radio marks, faded and
// shadowed pictures and right-aligned shortcuts. The form's menus are the
// owner-drawn menus of OwnerDrawMenu.h; Active false gives Qt its drawing back.

#include <QFont>

#include <functional>

#include "Colors.h"
#include "Component.h"

class QAction;
class QObject;
class QPainter;
class QRect;
class QWidget;

// System-colour references: resolved to their current values before any
// arithmetic (ColorToRGB).
constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;

struct TSystemColors {
    TColor BtnFace, Highlight, MenuText, BtnShadow, InactiveCaption;
};
// The application palette's Button, Highlight, WindowText and Dark roles;
// the inactive caption is a fixed light steel blue.
TSystemColors CurrentSystemColors();
TColor ColorToRGB(TColor color, const TSystemColors& system);

// The colour operations, before the device's nearest colour is taken.
// Lighten moves each channel p percent (at most 100) towards 255.
TColor Lighten(TColor color, int percent);
// Red and blue lose amount, green amount - 2; a negative amount lightens.
TColor Darken(TColor color, int amount);
// The gray of level min(amount, 100) + the channels' mean, at most 240.
TColor Gray(TColor color, int amount);
// The colour a screen of depth bits per pixel shows for color.
TColor NearestColor(TColor color, int depth);

// Bits per pixel of the screen the menus are drawn for.
using TScreenDepthSource = std::function<int()>;

// A font with its colour.
struct TMenuFont {
    QFont Font;
    TColor Color = clMenuText;
};
// The desktop's menu font in the menu-text colour (Tahoma in place of MS Sans Serif).
TMenuFont SystemMenuFont();

// The painter's colour settings.
struct TMenuColorSettings {
    TColor Color = clBtnFace;
    TColor IconBackColor = clBtnFace;
    TColor MenuBarColor = clBtnFace;
    TColor SelectColor = clHighlight;
    TColor SelectBorderColor = clHighlight;
    TColor SelectFontColor = clMenuText;
    TColor DisabledColor = clInactiveCaption;
    TColor SeparatorColor = clBtnFace;
    TColor CheckedColor = clHighlight;
    bool UseSystemColors = true;
};

// The colours an item is drawn in, all resolved.
struct TDrawingColors {
    TColor MenuBack, IconBack, SelectFill, SelectBorder, SelectedText, CheckedBack, CheckedBackSelected,
        CheckBorder, MenuBar, DisabledText, Separator, FrameDark, FrameLight;
};
// fontColor is the system menu font's colour; depth the screen's bits per
// pixel (16 and more is true colour).
TDrawingColors DrawingColors(const TMenuColorSettings& settings, const TSystemColors& system, TColor fontColor,
                             int depth);

// Accept starts true; a handler may refuse a menu or item the painter would restyle.
using TOnAcceptComponent = std::function<void(TComponent* Sender, QObject* Ctrl, bool& Accept)>;

class TFlatMenuPainter : public TComponent {
public:
    // The owner is the form whose menus it draws.
    explicit TFlatMenuPainter(TComponent* owner = nullptr);
    ~TFlatMenuPainter() override;

    const TOnAcceptComponent& OnAcceptComponent() const { return onAcceptComponent_; }
    void SetOnAcceptComponent(TOnAcceptComponent handler) { onAcceptComponent_ = std::move(handler); }
    const TMenuFont& Font() const { return font_; }
    void SetFont(const TMenuFont& font);
    const TMenuColorSettings& Colors() const { return colors_; }
    TColor Color() const { return colors_.Color; }
    void SetColor(TColor value) { colors_.Color = value; }
    TColor IconBackColor() const { return colors_.IconBackColor; }
    void SetIconBackColor(TColor value) { colors_.IconBackColor = value; }
    TColor MenuBarColor() const { return colors_.MenuBarColor; }
    void SetMenuBarColor(TColor value);
    TColor SelectColor() const { return colors_.SelectColor; }
    void SetSelectColor(TColor value) { colors_.SelectColor = value; }
    TColor SelectBorderColor() const { return colors_.SelectBorderColor; }
    void SetSelectBorderColor(TColor value) { colors_.SelectBorderColor = value; }
    TColor SelectFontColor() const { return colors_.SelectFontColor; }
    void SetSelectFontColor(TColor value) { colors_.SelectFontColor = value; }
    TColor DisabledColor() const { return colors_.DisabledColor; }
    void SetDisabledColor(TColor value) { colors_.DisabledColor = value; }
    TColor SeparatorColor() const { return colors_.SeparatorColor; }
    void SetSeparatorColor(TColor value) { colors_.SeparatorColor = value; }
    TColor CheckedColor() const { return colors_.CheckedColor; }
    void SetCheckedColor(TColor value) { colors_.CheckedColor = value; }
    int IconWidth() const { return iconWidth_; }
    void SetIconWidth(int value) { iconWidth_ = value; }
    bool DrawSelect() const { return drawSelect_; }
    void SetDrawSelect(bool value) { drawSelect_ = value; }
    bool UseSystemColors() const { return colors_.UseSystemColors; }
    void SetUseSystemColors(bool value);
    bool OverrideOwnerDraw() const { return overrideOwnerDraw_; }
    void SetOverrideOwnerDraw(bool value);
    bool Gradient() const { return gradient_; }
    void SetGradient(bool value) { gradient_ = value; }
    bool FlatMenu() const { return flatMenu_; }
    void SetFlatMenu(bool value);
    bool MakeMenus() const { return makeMenus_; }
    void SetMakeMenus(bool value);
    // The window's toolbars and control bars are Qt's own; these only record the choice.
    bool MakeToolbars() const { return makeToolbars_; }
    void SetMakeToolbars(bool value) { makeToolbars_ = value; }
    bool MakeControlBars() const { return makeControlBars_; }
    void SetMakeControlBars(bool value) { makeControlBars_ = value; }
    // True: items added to a menu of the form are taken over as they come.
    bool AutoDetect() const { return autoDetect_; }
    void SetAutoDetect(bool value);
    bool Active() const { return active_; }
    void SetActive(bool value);
    // The depth the colours are worked out for (16 and more: true colour);
    // the primary screen's unless told otherwise.
    void SetScreenDepthSource(TScreenDepthSource source) { screenDepth_ = std::move(source); }

    // The size of the menus' pictures.
    static constexpr int PictureSize = 16;

private:
    class TWatcher;

    // The handlers hooked into the items.
    void MeasureItem(QAction* item, QWidget* menu, int& width, int& height);
    void DrawItem(QAction* item, QWidget* menu, QPainter& canvas, const QRect& rect, bool selected);
    // The colours the next item will be drawn in.
    TDrawingColors CurrentColors() const;
    friend class TWatcher;

    QWidget* FormWindow() const;
    QList<QWidget*> RootMenus() const;
    bool Accepts(QObject* ctrl);
    void Install(bool on);
    void Hook(QAction* item, bool on, bool evenWithoutMakeMenus);
    void RedrawMenus();
    const QFont& DrawingFont();
    // The width of the drop-downs' frame.
    int FrameWidth() const;

    TOnAcceptComponent onAcceptComponent_;
    TMenuFont font_;
    TMenuColorSettings colors_;
    int iconWidth_ = 24;
    bool drawSelect_ = true;
    bool overrideOwnerDraw_ = false;
    bool gradient_ = false;
    bool flatMenu_ = false;
    bool makeMenus_ = true;
    bool makeToolbars_ = true;
    bool makeControlBars_ = true;
    bool autoDetect_ = false;
    bool active_ = false;
    TWatcher* watcher_ = nullptr;
    TScreenDepthSource screenDepth_;
};
