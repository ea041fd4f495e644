#include "FlatMenuPainter.h"

#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QScreen>

#include <algorithm>
#include <array>

#include "Form.h"
#include "OwnerDrawMenu.h"

// ---------------------------------------------------------------------------
// Colours

namespace {

int Clamp255(int value)
{
    return std::clamp(value, 0, 255);
}

// numerator / denominator (denominator > 0) to the nearest integer, halves
// to the even neighbour; exact, as it stays in integers.
int DivideHalfEven(int numerator, int denominator)
{
    int quotient = numerator / denominator, remainder = numerator % denominator;
    if (remainder < 0) {
        quotient -= 1;
        remainder += denominator;
    }
    if (2 * remainder > denominator || (2 * remainder == denominator && (quotient & 1))) ++quotient;
    return quotient;
}

TColor FromQColor(const QColor& color)
{
    return RGB(uint8_t(color.red()), uint8_t(color.green()), uint8_t(color.blue()));
}

QColor ToQColor(TColor color)
{
    return QColor(GetRed(color), GetGreen(color), GetBlue(color));
}

int PrimaryScreenDepth()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 32;
}

} // namespace

TSystemColors CurrentSystemColors()
{
    const QPalette palette = QGuiApplication::palette();
    return {FromQColor(palette.color(QPalette::Button)), FromQColor(palette.color(QPalette::Highlight)),
            FromQColor(palette.color(QPalette::WindowText)), FromQColor(palette.color(QPalette::Dark)),
            RGB(191, 205, 219)};
}

TColor ColorToRGB(TColor color, const TSystemColors& system)
{
    switch (color) {
    case clBtnFace: return system.BtnFace;
    case clHighlight: return system.Highlight;
    case clMenuText: return system.MenuText;
    case clBtnShadow: return system.BtnShadow;
    case clInactiveCaption: return system.InactiveCaption;
    default: return color & 0xFFFFFF;
    }
}

TColor Lighten(TColor color, int percent)
{
    percent = std::min(percent, 100);
    auto channel = [percent](int c) { return Clamp255(c + DivideHalfEven((255 - c) * percent, 100)); };
    return RGB(uint8_t(channel(GetRed(color))), uint8_t(channel(GetGreen(color))), uint8_t(channel(GetBlue(color))));
}

TColor Darken(TColor color, int amount)
{
    return RGB(uint8_t(Clamp255(GetRed(color) - amount)), uint8_t(Clamp255(GetGreen(color) - amount + 2)),
               uint8_t(Clamp255(GetBlue(color) - amount)));
}

TColor Gray(TColor color, int amount)
{
    const int level =
        std::clamp(std::min(amount, 100) + (GetRed(color) + GetGreen(color) + GetBlue(color)) / 3, 0, 240);
    return RGB(uint8_t(level), uint8_t(level), uint8_t(level));
}

TColor NearestColor(TColor color, int depth)
{
    if (depth >= 24) return color;
    if (depth >= 15) {
        // 5 bits a channel, 6 for green at 16 bits per pixel.
        const uint8_t greenMask = depth >= 16 ? 0xFC : 0xF8;
        return RGB(GetRed(color) & 0xF8, GetGreen(color) & greenMask, GetBlue(color) & 0xF8);
    }
    // A palette screen: the nearest of the sixteen standard colours.
    auto distance = [color](TColor c) {
        const int r = GetRed(c) - GetRed(color), g = GetGreen(c) - GetGreen(color), b = GetBlue(c) - GetBlue(color);
        return r * r + g * g + b * b;
    };
    return *std::min_element(SixteenColors.begin(), SixteenColors.end(),
                             [&](TColor a, TColor b) { return distance(a) < distance(b); });
}

TMenuFont SystemMenuFont()
{
    QFont font = QApplication::font("QMenu");
    if (font.family() == QStringLiteral("MS Sans Serif")) font.setFamily(QStringLiteral("Tahoma"));
    return {font, clMenuText};
}

TDrawingColors DrawingColors(const TMenuColorSettings& settings, const TSystemColors& system, TColor fontColor,
                             int depth)
{
    const bool trueColor = depth >= 16;
    auto device = [depth](TColor c) { return NearestColor(c, depth); };
    auto rgb = [&system](TColor c) { return ColorToRGB(c, system); };
    const TColor face = system.BtnFace, highlight = system.Highlight, shadow = system.BtnShadow;

    TDrawingColors colors{};
    colors.SelectBorder = highlight;
    colors.SelectedText = rgb(fontColor);
    colors.CheckBorder = highlight;
    colors.MenuBar = face;
    colors.FrameDark = trueColor ? device(Darken(face, 90)) : shadow;
    colors.FrameLight = trueColor ? device(Darken(face, 76)) : shadow;
    if (!settings.UseSystemColors) {
        colors.MenuBack = rgb(settings.Color);
        colors.IconBack = rgb(settings.IconBackColor);
        colors.SelectFill = rgb(settings.SelectColor);
        colors.SelectBorder = rgb(settings.SelectBorderColor);
        colors.SelectedText = rgb(settings.SelectFontColor);
        colors.CheckedBack = trueColor ? device(Lighten(rgb(settings.SelectColor), 75)) : clWhite;
        colors.CheckedBackSelected = trueColor ? device(Lighten(rgb(settings.SelectColor), 50)) : RGB(0xC0, 0xC0, 0xC0);
        colors.CheckBorder = rgb(settings.CheckedColor);
        colors.MenuBar = rgb(settings.MenuBarColor);
        colors.DisabledText = rgb(settings.DisabledColor);
        colors.Separator = rgb(settings.SeparatorColor);
    } else if (trueColor) {
        colors.MenuBack = device(Lighten(face, 86));
        colors.IconBack = device(Lighten(face, 16));
        colors.SelectFill = device(Lighten(highlight, 68));
        colors.CheckedBack = device(Lighten(highlight, 75));
        colors.CheckedBackSelected = device(Lighten(highlight, 50));
        colors.DisabledText = device(Lighten(shadow, 10));
        colors.Separator = device(Lighten(shadow, 25));
    } else {
        colors.MenuBack = clWhite;
        colors.IconBack = face;
        colors.SelectFill = clWhite;
        colors.CheckedBack = clWhite;
        colors.CheckedBackSelected = clWhite;
        colors.DisabledText = shadow;
        colors.Separator = shadow;
    }
    return colors;
}

// ---------------------------------------------------------------------------
// Drawing in logical pixels, the way the platform's canvas does: rectangles
// hold their left and top edge but not their right and bottom one, and a line
// leaves out its last point.

namespace {

struct TRect {
    int Left, Top, Right, Bottom;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    QRect ToQt() const { return QRect(Left, Top, Width(), Height()); }
};

void Fill(QPainter& canvas, const TRect& r, TColor color)
{
    if (r.Width() > 0 && r.Height() > 0) canvas.fillRect(r.ToQt(), ToQColor(color));
}

void Frame(QPainter& canvas, const TRect& r, TColor color)
{
    Fill(canvas, {r.Left, r.Top, r.Right, r.Top + 1}, color);
    Fill(canvas, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, color);
    Fill(canvas, {r.Left, r.Top, r.Left + 1, r.Bottom}, color);
    Fill(canvas, {r.Right - 1, r.Top, r.Right, r.Bottom}, color);
}

// A rectangle outlined in pen and filled with brush.
void Rectangle(QPainter& canvas, const TRect& r, TColor pen, TColor brush)
{
    Fill(canvas, {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, brush);
    Frame(canvas, r, pen);
}

void Line(QPainter& canvas, int x0, int y0, int x1, int y1, TColor color)
{
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    while (x0 != x1 || y0 != y1) {
        Fill(canvas, {x0, y0, x0 + 1, y0 + 1}, color);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

// An ellipse or rounded rectangle inside r, outlined in pen and filled with brush.
void Shape(QPainter& canvas, const TRect& r, TColor pen, TColor brush, bool rounded)
{
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setPen(QPen(ToQColor(pen), 1));
    canvas.setBrush(ToQColor(brush));
    const QRect shape(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
    if (rounded)
        canvas.drawRoundedRect(shape, 3, 3);
    else
        canvas.drawEllipse(shape);
    canvas.restore();
}

void Text(QPainter& canvas, const TRect& r, const QString& text, TColor color, int flags)
{
    canvas.setPen(ToQColor(color));
    canvas.drawText(r.ToQt(), flags | Qt::TextSingleLine | Qt::TextShowMnemonic, text);
}

// Runs op over every pixel of image through the screen's nearest colour,
// working a colour out again only when a pixel differs from the one before.
template <class Op>
void MapPixels(QImage& image, int depth, Op op)
{
    QRgb last = 0;
    QRgb mapped = 0;
    bool first = true;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (first || line[x] != last) {
                last = line[x];
                const TColor c = NearestColor(op(RGB(uint8_t(qRed(last)), uint8_t(qGreen(last)), uint8_t(qBlue(last)))), depth);
                mapped = qRgb(GetRed(c), GetGreen(c), GetBlue(c));
                first = false;
            }
            line[x] = mapped;
        }
    }
}

// The picture's bottom-left pixel is its transparent colour.
QRgb TransparentKey(const QImage& picture)
{
    return picture.pixel(0, picture.height() - 1) & 0xFFFFFF;
}

// picture with its transparent colour see-through; with shadow set, every
// other pixel becomes shadow.
QImage Keyed(const QImage& picture, const TColor* shadow)
{
    const QRgb key = TransparentKey(picture);
    QImage keyed = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
            else if (shadow)
                line[x] = qRgb(GetRed(*shadow), GetGreen(*shadow), GetBlue(*shadow));
        }
    }
    return keyed;
}

bool IsRadioItem(const QAction* item)
{
    const QActionGroup* group = item->actionGroup();
    return group && group->exclusionPolicy() != QActionGroup::ExclusionPolicy::None;
}

// The caption without a tab-separated shortcut text.
QString Caption(const QAction* item)
{
    const QString text = item->text();
    const qsizetype tab = text.indexOf(u'\t');
    return tab >= 0 ? text.left(tab) : text;
}

QString ShortcutText(const QAction* item)
{
    return item->shortcut().toString(QKeySequence::NativeText);
}

bool IsLight(TColor color)
{
    return (GetRed(color) + GetBlue(color)) / 2 > 150 || GetGreen(color) > 200;
}

// The drop-down's frame. Flat: a dark line round the menu with the icon
// column's colour inside it and lighter inner corners. Otherwise the thin
// frame the platform draws round owner-drawn items. Qt keeps the items out
// of reach of both.
void DrawMenuFrame(QPainter& canvas, const TRect& outer, const TDrawingColors& colors, TColor shadow, bool flat)
{
    if (!flat) {
        Frame(canvas, outer, shadow);
        return;
    }
    Fill(canvas, {outer.Left + 1, outer.Top + 1, outer.Right - 1, outer.Bottom - 1}, colors.IconBack);
    Frame(canvas, outer, colors.FrameDark);
    for (const TRect& corner : {TRect{outer.Left + 1, outer.Top + 1, outer.Left + 3, outer.Top + 3},
                                TRect{outer.Right - 3, outer.Bottom - 3, outer.Right - 1, outer.Bottom - 1}}) {
        Fill(canvas, corner, colors.FrameLight);
        Fill(canvas, {corner.Left + 1, corner.Top + 1, corner.Right, corner.Bottom}, colors.IconBack);
    }
}

// ---- Drawing one item, step by step ----

// The painter's settings an item is drawn with.
struct TItemLook {
    TDrawingColors Colors;
    int Depth;
    TColor FontColor;
    int IconWidth;
    bool Gradient, DrawSelect, FlatMenu;

    bool TrueColor() const { return Depth >= 16; }
    TColor Device(TColor color) const { return NearestColor(color, Depth); }
};

// One item: what it is, and where its parts go.
struct TItemDrawing {
    const TItemLook& Look;
    QAction* Item;
    QIcon Icon;
    bool Selected, TopLevel, RightToLeft, Enabled, Checked, Separator, HasImage, IsDefault;
    int PictureWidth;
    TRect Whole, IconColumn, Mark, Text;
    TColor TextBack; // the colour under the caption
};

// The item one pixel taller, its icon column, mark and text rectangles.
TItemDrawing LayOut(QAction* item, QWidget* menu, const QRect& rect, bool selected, const TItemLook& look)
{
    auto* dropDown = qobject_cast<QMenu*>(menu);
    TItemDrawing d{look, item, item->icon(), selected, qobject_cast<QMenuBar*>(menu) != nullptr,
                   menu && menu->isRightToLeft(), item->isEnabled(), item->isCheckable() && item->isChecked(),
                   IsSeparatorItem(item), false, dropDown && dropDown->defaultAction() == item, 0, {}, {}, {}, {},
                   look.Colors.MenuBack};
    d.HasImage = !d.Icon.isNull();
    d.PictureWidth = d.HasImage ? TFlatMenuPainter::PictureSize : 0;
    const int iconWidth = look.IconWidth;
    const TRect r{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height() + 1};
    d.Whole = r;
    d.IconColumn = d.RightToLeft ? TRect{r.Right - iconWidth, r.Top, r.Right, r.Bottom}
                                 : TRect{r.Left, r.Top, r.Left + iconWidth, r.Bottom};
    if (d.HasImage) {
        d.Mark = {d.IconColumn.Left + 1, d.IconColumn.Top + 2, d.IconColumn.Right - 3, d.IconColumn.Bottom - 2};
    } else {
        const int left = d.IconColumn.Left + (iconWidth - 10) / 2, top = r.Top + (r.Height() - 10) / 2;
        d.Mark = {left, top, left + 10, top + 10};
    }
    d.Text = r;
    if (d.TopLevel) {
        if (d.HasImage) {
            if (d.RightToLeft)
                d.Text.Right = r.Right - iconWidth + 5;
            else
                d.Text.Left = r.Left + iconWidth - 5;
        }
    } else {
        const int beside = d.PictureWidth > iconWidth ? d.PictureWidth + 4 : iconWidth;
        if (d.RightToLeft)
            d.Text.Right = r.Right - beside;
        else
            d.Text.Left = r.Left + beside;
    }
    return d;
}

// Qt paints the menu's panel under every item first, so a highlighted
// disabled item is filled as if it were not highlighted.
void DrawBackground(QPainter& canvas, TItemDrawing& d)
{
    const TDrawingColors& colors = d.Look.Colors;
    const TRect& r = d.Whole;
    if (d.TopLevel) {
        Fill(canvas, r, colors.MenuBar);
        d.TextBack = colors.MenuBar;
    } else if (d.Look.Gradient && d.Look.TrueColor()) {
        int amount = 0;
        for (int i = 0; i < r.Width(); ++i) {
            const int x = d.RightToLeft ? r.Right - 1 - i : r.Left + i;
            amount = std::min(96, amount + (i > 0 && i < d.Look.IconWidth + 5 ? 3 : 1));
            Fill(canvas, {x, r.Top, x + 1, r.Bottom}, d.Look.Device(Lighten(colors.IconBack, amount)));
        }
    } else {
        Fill(canvas, r, colors.MenuBack);
        Fill(canvas, d.IconColumn, colors.IconBack);
    }
}

// The highlighted bar item stands raised, with a soft shadow in the strip at its right.
void DrawBarItemLook(QPainter& canvas, TItemDrawing& d)
{
    const TDrawingColors& colors = d.Look.Colors;
    const TRect& r = d.Whole;
    const TRect box{r.Left, r.Top, r.Right - 8, r.Bottom};
    Fill(canvas, box, colors.IconBack);
    Fill(canvas, {box.Left, box.Top, box.Left + 1, box.Bottom}, colors.FrameDark);
    Fill(canvas, {box.Left, box.Top, box.Right, box.Top + 1}, colors.FrameDark);
    Fill(canvas, {box.Right - 1, box.Top, box.Right, box.Bottom}, colors.FrameDark);
    const TRect strip{box.Right, r.Top, r.Right, r.Bottom};
    if (d.Look.TrueColor()) {
        static constexpr std::array<int, 4> darkness{10, 30, 60, 100}, start{0, 3, 5, 6};
        for (std::size_t i = 0; i < darkness.size(); ++i) {
            const TRect band{strip.Left, r.Top + start[i], strip.Left + 4 - int(i), r.Bottom};
            Fill(canvas, band, d.Look.Device(Darken(colors.MenuBar, darkness[i])));
            // Each band's top pixel is lighter, which rounds the shadow's top.
            Fill(canvas, {band.Right - 1, band.Top, band.Right, band.Top + 1},
                 d.Look.Device(Darken(colors.MenuBar, darkness[i] / 2)));
        }
    } else {
        Frame(canvas, strip, colors.FrameDark);
        Fill(canvas, {strip.Left + 1, strip.Top + 1, strip.Right - 1, strip.Bottom - 1}, colors.FrameLight);
    }
    d.TextBack = colors.IconBack;
}

void DrawHighlight(QPainter& canvas, TItemDrawing& d)
{
    if (!d.Selected || !d.Look.DrawSelect) return;
    if (d.TopLevel) return DrawBarItemLook(canvas, d);
    if (!d.Enabled) return;
    const TDrawingColors& colors = d.Look.Colors;
    const TRect& r = d.Whole;
    Rectangle(canvas, {r.Left, r.Top + 1, r.Right - (d.Look.FlatMenu ? 1 : 0), r.Bottom - 1}, colors.SelectBorder,
              colors.SelectFill);
    d.TextBack = colors.SelectFill;
}

// Check and radio marks.
void DrawMark(QPainter& canvas, const TItemDrawing& d)
{
    if (!d.Checked || d.Separator) return;
    const TDrawingColors& colors = d.Look.Colors;
    const TColor markBack = d.Selected ? colors.CheckedBackSelected : colors.CheckedBack;
    if (IsRadioItem(d.Item)) {
        Shape(canvas, d.Mark, colors.SelectBorder, markBack, d.HasImage);
    } else if (d.HasImage) {
        Rectangle(canvas, d.Mark, colors.SelectBorder, markBack);
    } else {
        Rectangle(canvas, d.Mark, colors.CheckBorder, markBack);
        const int L = d.Mark.Left, T = d.Mark.Top, R = d.Mark.Right, B = d.Mark.Bottom;
        Line(canvas, L + 1, T + 5, L + 4, B - 2, clBlack);
        Line(canvas, L + 2, T + 5, L + 4, B - 3, clBlack);
        Line(canvas, L + 2, T + 4, L + 5, B - 3, clBlack);
        Line(canvas, L + 4, B - 3, R + 2, T - 1, clBlack);
        Line(canvas, L + 4, B - 2, R - 2, T + 3, clBlack);
    }
}

// The picture, on a square of the icon column's colour: gray when disabled,
// raised over a shadow when highlighted, faded otherwise.
void DrawPicture(QPainter& canvas, const TItemDrawing& d)
{
    if (!d.HasImage || d.Separator) return;
    constexpr int side = TFlatMenuPainter::PictureSize;
    const qreal ratio = canvas.device() ? canvas.device()->devicePixelRatio() : 1.0;
    QImage picture(QSize(side, side) * ratio, QImage::Format_RGB32);
    picture.setDevicePixelRatio(ratio);
    picture.fill(ToQColor(d.Look.Colors.IconBack));
    {
        QPainter onPicture(&picture);
        d.Icon.paint(&onPicture, QRect(0, 0, side, side));
    }
    const TRect& column = d.IconColumn;
    int x = column.Left + (d.Look.IconWidth - d.PictureWidth) / 2 - 1;
    if (d.PictureWidth > d.Look.IconWidth) x = d.RightToLeft ? column.Right - 2 - d.PictureWidth : column.Left + 2;
    int y = column.Top + 4;
    if (!d.Enabled) {
        MapPixels(picture, d.Look.Depth, [](TColor c) { return Gray(c, 90); });
    } else if (!d.Checked && d.Selected) {
        const TColor shadow = d.Look.Device(Darken(d.Look.Colors.SelectFill, 50));
        canvas.drawImage(QPoint(x + 1, y + 1), Keyed(picture, &shadow));
        x -= 1;
        y -= 1;
    } else if (!d.Checked && d.Look.TrueColor()) {
        MapPixels(picture, d.Look.Depth, [](TColor c) { return Lighten(c, 30); });
    }
    canvas.drawImage(QPoint(x, y), Keyed(picture, nullptr));
}

void DrawSeparator(QPainter& canvas, const TItemDrawing& d)
{
    const TRect& text = d.Text;
    const int y = (text.Top + text.Bottom) / 2;
    if (d.RightToLeft)
        Fill(canvas, {text.Left, y, text.Right - 7, y + 1}, d.Look.Colors.Separator);
    else
        Fill(canvas, {text.Left + 7, y, text.Right, y + 1}, d.Look.Colors.Separator);
}

TColor CaptionColor(const TItemDrawing& d)
{
    const TDrawingColors& colors = d.Look.Colors;
    if (d.Selected && d.TopLevel)
        return IsLight(colors.IconBack) ? d.Look.FontColor : d.Look.Device(Lighten(colors.IconBack, 90));
    if (!d.Enabled) return colors.DisabledText;
    return d.Selected ? colors.SelectedText : d.Look.FontColor;
}

// The shortcut right-aligned 10 pixels inside the item, a little lighter.
void DrawShortcut(QPainter& canvas, const TItemDrawing& d, const TRect& text, TColor color)
{
    if (d.Item->shortcut().isEmpty()) return;
    const TColor shortcutColor = d.Look.TrueColor() ? d.Look.Device(Darken(color, -40)) : color;
    const QString shortcut = ShortcutText(d.Item) + QStringLiteral(" ");
    if (d.RightToLeft)
        Text(canvas, {d.Whole.Left + 10, text.Top, text.Right, text.Bottom}, shortcut, shortcutColor,
             Qt::AlignLeft | Qt::AlignVCenter);
    else
        Text(canvas, {text.Left, text.Top, d.Whole.Right - 10, text.Bottom}, shortcut, shortcutColor,
             Qt::AlignRight | Qt::AlignVCenter);
}

// The arrow of an item that opens a menu, as the platform draws it beside ours.
void DrawSubmenuArrow(QPainter& canvas, const TItemDrawing& d, TColor color)
{
    if (d.TopLevel || !d.Item->menu<QMenu*>()) return;
    const TRect& r = d.Whole;
    const int middle = (r.Top + r.Bottom) / 2;
    for (int i = 0; i < 4; ++i) {
        const int x = d.RightToLeft ? r.Left + 11 - i : r.Right - 12 + i;
        Fill(canvas, {x, middle - 3 + i, x + 1, middle + 4 - i}, color);
    }
}

// The caption, 5 pixels away from the icon column; a default item stands
// out embossed in shades of its background.
void DrawCaption(QPainter& canvas, const TItemDrawing& d)
{
    const int away = d.RightToLeft ? -5 : 5;
    const TRect text{d.Text.Left + away, d.Text.Top, d.Text.Right + away, d.Text.Bottom};
    const TColor color = CaptionColor(d);
    canvas.setLayoutDirection(d.RightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    const int align = (d.RightToLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
    const QString caption = QStringLiteral(" ") + Caption(d.Item);
    if (d.Enabled && d.IsDefault) {
        static constexpr std::array<int, 4> darkness{30, 30, 40, 60};
        static constexpr std::array<QPoint, 4> offset{QPoint(1, 0), QPoint(1, 2), QPoint(0, 1), QPoint(1, 1)};
        for (std::size_t i = 0; i < darkness.size(); ++i) {
            const TRect at{text.Left + offset[i].x(), text.Top + offset[i].y(), text.Right + offset[i].x(),
                           text.Bottom + offset[i].y()};
            Text(canvas, at, caption, d.Look.Device(Darken(d.TextBack, darkness[i])), align);
        }
    }
    Text(canvas, text, caption, color, align);
    DrawShortcut(canvas, d, text, color);
    DrawSubmenuArrow(canvas, d, color);
}


} // namespace

// ---------------------------------------------------------------------------
// The painter

// Tells the painter of items added to its menus while AutoDetect is on.
class TFlatMenuPainter::TWatcher : public QObject {
public:
    explicit TWatcher(TFlatMenuPainter* painter) : painter_(painter) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ActionAdded && painter_->autoDetect_ && painter_->active_)
            painter_->SetActive(true);
        return QObject::eventFilter(watched, event);
    }

private:
    TFlatMenuPainter* painter_;
};

TFlatMenuPainter::TFlatMenuPainter(TComponent* owner)
    : TComponent(owner), font_(SystemMenuFont()), screenDepth_(PrimaryScreenDepth)
{
}

TFlatMenuPainter::~TFlatMenuPainter()
{
    MarkDestroying();
    Install(false);
    delete watcher_;
}

void TFlatMenuPainter::SetFont(const TMenuFont& font)
{
    font_ = font;
    RedrawMenus();
}

void TFlatMenuPainter::SetMenuBarColor(TColor value)
{
    colors_.MenuBarColor = value;
    RedrawMenus();
}

void TFlatMenuPainter::SetUseSystemColors(bool value)
{
    colors_.UseSystemColors = value;
    RedrawMenus();
}

void TFlatMenuPainter::SetOverrideOwnerDraw(bool value)
{
    overrideOwnerDraw_ = value;
    if (active_) SetActive(true);
}

void TFlatMenuPainter::SetMakeMenus(bool value)
{
    if (makeMenus_ == value) return;
    makeMenus_ = value;
    if (active_) {
        Install(false);
        Install(true);
    }
    RedrawMenus();
}

void TFlatMenuPainter::SetAutoDetect(bool value)
{
    autoDetect_ = value;
    if (active_) SetActive(true);
}

void TFlatMenuPainter::SetActive(bool value)
{
    active_ = value;
    Install(false);
    if (value) Install(true);
    RedrawMenus();
}

QWidget* TFlatMenuPainter::FormWindow() const
{
    auto* form = dynamic_cast<TForm*>(Owner());
    return form ? form->Window() : nullptr;
}

QList<QWidget*> TFlatMenuPainter::RootMenus() const
{
    QList<QWidget*> roots;
    QWidget* window = FormWindow();
    if (!window) return roots;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (qobject_cast<TOwnerDrawMenuBar*>(widget))
            roots.append(widget);
        else if (qobject_cast<TOwnerDrawMenu*>(widget) && RootMenu(widget) == widget)
            roots.append(widget); // a pop-up menu
    }
    return roots;
}

bool TFlatMenuPainter::Accepts(QObject* ctrl)
{
    bool accept = true;
    if (onAcceptComponent_) onAcceptComponent_(this, ctrl, accept);
    return accept;
}

void TFlatMenuPainter::Install(bool on)
{
    for (QWidget* root : RootMenus()) {
        if (!Accepts(root)) continue;
        auto* bar = qobject_cast<TOwnerDrawMenuBar*>(root);
        for (QAction* item : root->actions()) {
            if (!Accepts(item)) continue;
            if (bar)
                bar->SetOwnerDraw(on);
            else
                static_cast<TOwnerDrawMenu*>(root)->SetOwnerDraw(on);
            Hook(item, on, false);
        }
        // The bar's empty area and the drop-downs' frames belong to the look too.
        if (bar) {
            if (on)
                bar->SetOnDrawEmptyArea([this](QWidget*, QPainter& canvas, const QRect& rect) {
                    if (!active_) return false;
                    Fill(canvas, {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1}, CurrentColors().MenuBar);
                    return true;
                });
            else
                bar->SetOnDrawEmptyArea({});
        }
        for (QWidget* menu : MenuTree(root)) {
            if (auto* dropDown = qobject_cast<TOwnerDrawMenu*>(menu)) {
                if (on) {
                    dropDown->SetFrameWidth(FrameWidth());
                    dropDown->SetOnDrawFrame([this](QWidget*, QPainter& canvas, const QRect& rect) {
                        if (!active_) return false;
                        DrawMenuFrame(canvas, {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1},
                                      CurrentColors(), CurrentSystemColors().BtnShadow, flatMenu_);
                        return true;
                    });
                } else {
                    dropDown->SetFrameWidth(-1);
                    dropDown->SetOnDrawFrame({});
                }
            }
            if (on && autoDetect_) {
                if (!watcher_) watcher_ = new TWatcher(this);
                menu->installEventFilter(watcher_);
            } else if (watcher_) {
                menu->removeEventFilter(watcher_);
            }
        }
    }
}

int TFlatMenuPainter::FrameWidth() const
{
    return flatMenu_ ? 3 : 1;
}

void TFlatMenuPainter::SetFlatMenu(bool value)
{
    flatMenu_ = value;
    if (!active_) return;
    for (QWidget* root : RootMenus())
        for (QWidget* menu : MenuTree(root))
            if (auto* dropDown = qobject_cast<TOwnerDrawMenu*>(menu); dropDown && dropDown->OnDrawFrame())
                dropDown->SetFrameWidth(FrameWidth());
}

void TFlatMenuPainter::Hook(QAction* item, bool on, bool evenWithoutMakeMenus)
{
    if (on) {
        if (makeMenus_ || evenWithoutMakeMenus) {
            // An item's own handler stays unless the painter is to override it.
            if (DrawItemTag(item) != this && (!OnDrawItem(item) || overrideOwnerDraw_))
                SetOnDrawItem(
                    item,
                    [this](QAction* a, QWidget* menu, QPainter& canvas, const QRect& rect, bool selected) {
                        DrawItem(a, menu, canvas, rect, selected);
                    },
                    this);
            if (MeasureItemTag(item) != this && (!OnMeasureItem(item) || overrideOwnerDraw_))
                SetOnMeasureItem(
                    item, [this](QAction* a, QWidget* menu, int& width, int& height) { MeasureItem(a, menu, width, height); },
                    this);
        }
    } else {
        if (DrawItemTag(item) == this) SetOnDrawItem(item, {});
        if (MeasureItemTag(item) == this) SetOnMeasureItem(item, {});
    }
    if (QMenu* sub = item->menu<QMenu*>())
        for (QAction* child : sub->actions()) Hook(child, on, evenWithoutMakeMenus);
}

void TFlatMenuPainter::RedrawMenus()
{
    for (QWidget* root : RootMenus()) {
        for (QWidget* menu : MenuTree(root)) {
            if (auto* bar = qobject_cast<TOwnerDrawMenuBar*>(menu)) bar->Relayout();
            if (auto* dropDown = qobject_cast<TOwnerDrawMenu*>(menu)) dropDown->Relayout();
        }
    }
}

const QFont& TFlatMenuPainter::DrawingFont()
{
    if (colors_.UseSystemColors) font_ = SystemMenuFont();
    return font_.Font;
}

TDrawingColors TFlatMenuPainter::CurrentColors() const
{
    return DrawingColors(colors_, CurrentSystemColors(), clMenuText, screenDepth_());
}

void TFlatMenuPainter::MeasureItem(QAction* item, QWidget* menu, int& width, int& height)
{
    if (!active_) return;
    const QFontMetrics metrics(DrawingFont());
    const bool separator = IsSeparatorItem(item);
    QString text = separator ? QString() : Caption(item);
    if (!separator && !item->shortcut().isEmpty()) text += ShortcutText(item) + QStringLiteral("WWW");

    int pictureWidth = 0, pictureHeight = 0;
    if (!item->icon().isNull()) pictureWidth = pictureHeight = PictureSize;
    // The bar's items keep their picture's own width.
    if (!qobject_cast<QMenuBar*>(menu)) pictureWidth = std::max(pictureWidth, iconWidth_);

    int w = metrics.horizontalAdvance(text) + pictureWidth + 10;
    if (text.contains(u'&')) w -= metrics.horizontalAdvance(QStringLiteral("&"));
    int h = 4;
    if (!separator) {
        const int textHeight = metrics.height();
        h = std::max(textHeight + DivideHalfEven(3 * textHeight, 4), pictureHeight + 4);
    }
    width = std::max(width, w);
    height = std::max(height, h);
}

void TFlatMenuPainter::DrawItem(QAction* item, QWidget* menu, QPainter& canvas, const QRect& rect, bool selected)
{
    if (!active_) return;

    const TSystemColors system = CurrentSystemColors();
    const int depth = screenDepth_();
    const TItemLook look{DrawingColors(colors_, system, clMenuText, depth), depth, ColorToRGB(font_.Color, system),
                         iconWidth_, gradient_, drawSelect_, flatMenu_};
    canvas.setFont(DrawingFont());
    TItemDrawing d = LayOut(item, menu, rect, selected, look);
    DrawBackground(canvas, d);
    DrawHighlight(canvas, d);
    DrawMark(canvas, d);
    DrawPicture(canvas, d);
    if (d.Separator)
        DrawSeparator(canvas, d);
    else
        DrawCaption(canvas, d);

    // Items added since the menu was hooked are drawn by the painter too.
    if (menu)
        for (QAction* sibling : menu->actions()) Hook(sibling, true, true);
}
