// The flat menu painter: its colour arithmetic, its colour table, the sizes
// it measures and the pixels it draws, and how it takes the window's menus
// over and gives them back.
#include <gtest/gtest.h>

#include <QActionGroup>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <cmath>
#include <set>

#include "FlatMenuPainter.h"
#include "Form.h"
#include "OwnerDrawMenu.h"

namespace {

TColor PixelAt(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return RGB(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)));
}

std::string Hex(TColor c)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06X", unsigned(c));
    return text;
}
#define EXPECT_COLOR(actual, expected) EXPECT_EQ(Hex(actual), Hex(expected))

// The system colours the tests set in the application palette.
const TSystemColors System{RGB(240, 240, 240), RGB(48, 140, 198), RGB(0, 0, 0), RGB(160, 160, 160),
                           RGB(191, 205, 219)};

TEST(ColorOperations, LightenMovesTowardsWhiteRoundingHalvesToEven)
{
    // 255 * 50% = 127.5 -> 128; 253 * 50% = 126.5 -> 126; 254 * 50% = 127 exactly.
    EXPECT_COLOR(Lighten(RGB(0, 2, 1), 50), RGB(128, 128, 128));
    EXPECT_COLOR(Lighten(RGB(0, 0, 0), 30), RGB(76, 76, 76));    // 76.5 -> 76
    EXPECT_COLOR(Lighten(RGB(160, 160, 160), 10), RGB(170, 170, 170)); // 9.5 -> 10
    EXPECT_COLOR(Lighten(RGB(240, 240, 240), 86), RGB(253, 253, 253)); // 12.9 -> 13
    // Beyond 100 percent it stays white.
    EXPECT_COLOR(Lighten(RGB(10, 20, 30), 100), clWhite);
    EXPECT_COLOR(Lighten(RGB(10, 20, 30), 250), clWhite);
    EXPECT_COLOR(Lighten(RGB(10, 20, 30), 0), RGB(10, 20, 30));
}

TEST(ColorOperations, DarkenKeepsGreenTwoLighterAndClampsBothWays)
{
    EXPECT_COLOR(Darken(RGB(100, 100, 100), 10), RGB(90, 92, 90));
    EXPECT_COLOR(Darken(RGB(240, 240, 240), 90), RGB(150, 152, 150));
    EXPECT_COLOR(Darken(RGB(5, 7, 250), 10), RGB(0, 0, 240));
    // A negative amount lightens, as for the shortcut text.
    EXPECT_COLOR(Darken(RGB(10, 20, 30), -40), RGB(50, 62, 70));
    EXPECT_COLOR(Darken(RGB(230, 254, 220), -40), RGB(255, 255, 255));
}

TEST(ColorOperations, GrayAddsTheCappedAmountToTheMeanUpTo240)
{
    EXPECT_COLOR(Gray(RGB(30, 60, 90), 90), RGB(150, 150, 150));
    EXPECT_COLOR(Gray(RGB(1, 1, 0), 90), RGB(90, 90, 90)); // mean 2/3 -> 0
    EXPECT_COLOR(Gray(RGB(30, 60, 90), 150), RGB(160, 160, 160));
    EXPECT_COLOR(Gray(RGB(250, 250, 250), 90), RGB(240, 240, 240));
    EXPECT_COLOR(Gray(RGB(255, 0, 0), 90), RGB(175, 175, 175));
}

TEST(ColorOperations, NearestColorIsTheColourItselfFrom24Bits)
{
    EXPECT_COLOR(NearestColor(RGB(13, 77, 201), 32), RGB(13, 77, 201));
    EXPECT_COLOR(NearestColor(RGB(13, 77, 201), 24), RGB(13, 77, 201));
    EXPECT_COLOR(NearestColor(RGB(13, 77, 201), 16), RGB(8, 76, 200));
    EXPECT_COLOR(NearestColor(RGB(13, 77, 201), 15), RGB(8, 72, 200));
    EXPECT_COLOR(NearestColor(RGB(250, 10, 20), 4), RGB(255, 0, 0));
    EXPECT_COLOR(NearestColor(RGB(200, 200, 190), 8), RGB(192, 192, 192));
}

TEST(DrawingColorTable, SystemColoursOnATrueColourScreen)
{
    const TDrawingColors c = DrawingColors(TMenuColorSettings{}, System, clMenuText, 32);
    EXPECT_COLOR(c.MenuBack, RGB(253, 253, 253));
    EXPECT_COLOR(c.IconBack, RGB(242, 242, 242));
    EXPECT_COLOR(c.SelectFill, RGB(189, 218, 237));
    EXPECT_COLOR(c.SelectBorder, RGB(48, 140, 198));
    EXPECT_COLOR(c.SelectedText, RGB(0, 0, 0));
    EXPECT_COLOR(c.CheckedBack, RGB(203, 226, 241));
    EXPECT_COLOR(c.CheckedBackSelected, RGB(152, 198, 226)); // 103.5 -> 104, 57.5 -> 58, 28.5 -> 28
    EXPECT_COLOR(c.CheckBorder, RGB(48, 140, 198));
    EXPECT_COLOR(c.MenuBar, RGB(240, 240, 240));
    EXPECT_COLOR(c.DisabledText, RGB(170, 170, 170));
    EXPECT_COLOR(c.Separator, RGB(184, 184, 184));
    EXPECT_COLOR(c.FrameDark, RGB(150, 152, 150));
    EXPECT_COLOR(c.FrameLight, RGB(164, 166, 164));
}

TEST(DrawingColorTable, SystemColoursWithFewerColours)
{
    const TDrawingColors c = DrawingColors(TMenuColorSettings{}, System, clMenuText, 8);
    EXPECT_COLOR(c.MenuBack, clWhite);
    EXPECT_COLOR(c.IconBack, RGB(240, 240, 240));
    EXPECT_COLOR(c.SelectFill, clWhite);
    EXPECT_COLOR(c.CheckedBack, clWhite);
    EXPECT_COLOR(c.CheckedBackSelected, clWhite);
    EXPECT_COLOR(c.DisabledText, RGB(160, 160, 160));
    EXPECT_COLOR(c.Separator, RGB(160, 160, 160));
    EXPECT_COLOR(c.FrameDark, RGB(160, 160, 160));
    EXPECT_COLOR(c.FrameLight, RGB(160, 160, 160));
}

TEST(DrawingColorTable, OwnColoursAreUsedAsTheyAre)
{
    TMenuColorSettings own;
    own.UseSystemColors = false;
    own.Color = RGB(1, 2, 3);
    own.IconBackColor = RGB(4, 5, 6);
    own.MenuBarColor = RGB(7, 8, 9);
    own.SelectColor = RGB(0, 100, 200);
    own.SelectBorderColor = RGB(10, 11, 12);
    own.SelectFontColor = RGB(13, 14, 15);
    own.DisabledColor = clInactiveCaption;
    own.SeparatorColor = clBtnShadow;
    own.CheckedColor = RGB(16, 17, 18);

    const TDrawingColors c = DrawingColors(own, System, clMenuText, 24);
    EXPECT_COLOR(c.MenuBack, RGB(1, 2, 3));
    EXPECT_COLOR(c.IconBack, RGB(4, 5, 6));
    EXPECT_COLOR(c.MenuBar, RGB(7, 8, 9));
    EXPECT_COLOR(c.SelectFill, RGB(0, 100, 200));
    EXPECT_COLOR(c.SelectBorder, RGB(10, 11, 12));
    EXPECT_COLOR(c.SelectedText, RGB(13, 14, 15));
    EXPECT_COLOR(c.CheckedBack, RGB(191, 216, 241));         // 191.25, 116.25, 41.25
    EXPECT_COLOR(c.CheckedBackSelected, RGB(128, 178, 228)); // 127.5 -> 128, 77.5 -> 78, 27.5 -> 28
    EXPECT_COLOR(c.CheckBorder, RGB(16, 17, 18));
    EXPECT_COLOR(c.DisabledText, RGB(191, 205, 219));
    EXPECT_COLOR(c.Separator, RGB(160, 160, 160));
    EXPECT_COLOR(c.FrameDark, RGB(150, 152, 150));

    const TDrawingColors few = DrawingColors(own, System, clMenuText, 8);
    EXPECT_COLOR(few.MenuBack, RGB(1, 2, 3));
    EXPECT_COLOR(few.CheckedBack, clWhite);
    EXPECT_COLOR(few.CheckedBackSelected, RGB(192, 192, 192));
    EXPECT_COLOR(few.FrameDark, RGB(160, 160, 160));
}

TEST(SystemColors, ComeFromThePaletteWithAFixedInactiveCaption)
{
    const QPalette before = QApplication::palette();
    QPalette palette = before;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Highlight, QColor(4, 5, 6));
    palette.setColor(QPalette::WindowText, QColor(7, 8, 9));
    palette.setColor(QPalette::Dark, QColor(10, 11, 12));
    QApplication::setPalette(palette);
    const TSystemColors system = CurrentSystemColors();
    QApplication::setPalette(before);
    EXPECT_COLOR(ColorToRGB(clBtnFace, system), RGB(1, 2, 3));
    EXPECT_COLOR(ColorToRGB(clHighlight, system), RGB(4, 5, 6));
    EXPECT_COLOR(ColorToRGB(clMenuText, system), RGB(7, 8, 9));
    EXPECT_COLOR(ColorToRGB(clBtnShadow, system), RGB(10, 11, 12));
    EXPECT_COLOR(ColorToRGB(clInactiveCaption, system), RGB(191, 205, 219));
    EXPECT_COLOR(ColorToRGB(RGB(20, 30, 40), system), RGB(20, 30, 40));
}

// A 16 x 16 picture: transparent but for a red square at (6, 6)-(9, 9).
QIcon RedSquare()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 6; y < 10; ++y)
        for (int x = 6; x < 10; ++x) image.setPixel(x, y, qRgb(255, 0, 0));
    return QIcon(QPixmap::fromImage(image));
}

// A window with a menu bar, a File menu and a pop-up menu of its own, as the
// main window makes them, and the painter active on it.
class FlatMenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        palette_ = QApplication::palette();
        QPalette palette = palette_;
        palette.setColor(QPalette::Button, QColor(240, 240, 240));
        palette.setColor(QPalette::Highlight, QColor(48, 140, 198));
        palette.setColor(QPalette::WindowText, QColor(0, 0, 0));
        palette.setColor(QPalette::Dark, QColor(160, 160, 160));
        QApplication::setPalette(palette);

        window_ = new QWidget;
        form_ = new TForm(window_);
        bar_ = new TOwnerDrawMenuBar(window_);
        file_ = new TOwnerDrawMenu(QStringLiteral("File"), bar_);
        bar_->addMenu(file_);
        saveAs_ = file_->addAction(RedSquare(), QStringLiteral("Save As..."));
        saveAs_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        separator_ = file_->addSeparator();
        toolbar_ = file_->addAction(QStringLiteral("Toolbar"));
        toolbar_->setCheckable(true);
        toolbar_->setChecked(true);
        copy_ = file_->addAction(QStringLiteral("&Copy"));
        copy_->setEnabled(false);
        exit_ = file_->addAction(RedSquare(), QStringLiteral("Exit"));
        exit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
        popup_ = new TOwnerDrawMenu(window_);
        popupItem_ = popup_->addAction(QStringLiteral("Pop-up item"));

        painter_ = new TFlatMenuPainter(form_);
        painter_->SetMakeToolbars(false);
        painter_->SetMakeControlBars(false);
        painter_->SetScreenDepthSource([] { return 32; });
        painter_->SetActive(true);
        colors_ = Colors();
    }
    void TearDown() override
    {
        delete form_;
        QApplication::setPalette(palette_);
    }

    // The colours the painter draws in now, at the depth it was told.
    TDrawingColors Colors(int depth = 32) const
    {
        return DrawingColors(painter_->Colors(), CurrentSystemColors(), clMenuText, depth);
    }
    QFontMetrics Metrics() const { return QFontMetrics(QApplication::font("QMenu")); }
    static int ItemHeight(int textHeight) { return textHeight + int(std::nearbyint(0.75 * textHeight)); }

    QSize Measured(QAction* item, QWidget* menu)
    {
        int width = 0, height = 0;
        OnMeasureItem(item)(item, menu, width, height); // the painter's, as the menu calls it
        return {width, height};
    }

    // The item drawn on its own into an image of its measured size.
    QImage Drawn(QAction* item, QWidget* menu, bool selected, QSize size = {})
    {
        if (size.isEmpty()) size = Measured(item, menu);
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter canvas(&image);
        OnDrawItem(item)(item, menu, canvas, QRect(QPoint(0, 0), size), selected);
        return image;
    }

    static std::set<TColor> Colours(const QImage& image)
    {
        std::set<TColor> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) colours.insert(PixelAt(image, x, y));
        return colours;
    }

    QPalette palette_;
    QWidget* window_ = nullptr;
    TForm* form_ = nullptr;
    TOwnerDrawMenuBar* bar_ = nullptr;
    TOwnerDrawMenu* file_ = nullptr;
    TOwnerDrawMenu* popup_ = nullptr;
    QAction *saveAs_, *separator_, *toolbar_, *copy_, *exit_, *popupItem_;
    TFlatMenuPainter* painter_ = nullptr;
    TDrawingColors colors_{};
};

TEST_F(FlatMenuTest, MeasuresTextPictureAndShortcutPad)
{
    const QFontMetrics fm = Metrics();
    const int height = ItemHeight(fm.height());
    EXPECT_EQ(Measured(saveAs_, file_), QSize(fm.horizontalAdvance("Save As...Ctrl+SWWW") + 24 + 10, height));
    // No picture: the icon column's width all the same; "&" takes no room.
    EXPECT_EQ(Measured(toolbar_, file_), QSize(fm.horizontalAdvance("Toolbar") + 24 + 10, height));
    EXPECT_EQ(Measured(copy_, file_),
              QSize(fm.horizontalAdvance("&Copy") - fm.horizontalAdvance("&") + 24 + 10, height));
    EXPECT_EQ(Measured(separator_, file_), QSize(24 + 10, 4));
    // The bar's items keep their picture's own width: none.
    EXPECT_EQ(Measured(file_->menuAction(), bar_), QSize(fm.horizontalAdvance("File") + 10, height));

    // A wider icon column, and an item that is already larger, stay as they are.
    painter_->SetIconWidth(40);
    EXPECT_EQ(Measured(toolbar_, file_).width(), fm.horizontalAdvance("Toolbar") + 40 + 10);
    int width = 1000, h = 100;
    OnMeasureItem(toolbar_)(toolbar_, file_, width, h);
    EXPECT_EQ(QSize(width, h), QSize(1000, 100));
}

TEST_F(FlatMenuTest, APictureKeepsAnItemAtLeastItsHeightPlusFour)
{
    TMenuFont tiny{QFont(QApplication::font("QMenu").family()), clMenuText};
    tiny.Font.setPixelSize(6);
    painter_->SetUseSystemColors(false);
    painter_->SetFont(tiny);
    const int textHeight = QFontMetrics(tiny.Font).height();
    ASSERT_LT(ItemHeight(textHeight), 20);
    EXPECT_EQ(Measured(saveAs_, file_).height(), 16 + 4);
    EXPECT_EQ(Measured(toolbar_, file_).height(), ItemHeight(textHeight));
    // With the system's colours it is the system's menu font again.
    painter_->SetUseSystemColors(true);
    EXPECT_EQ(Measured(toolbar_, file_).height(), ItemHeight(Metrics().height()));
}

TEST_F(FlatMenuTest, QtLaysTheItemsOutAsThePlatformDoesOwnerDrawnOnes)
{
    // Two average characters wider than measured, all as wide as the widest,
    // each as high as measured, inside a one-pixel frame.
    const int allowance = 2 * file_->fontMetrics().averageCharWidth();
    const int widest = std::max({Measured(saveAs_, file_).width(), Measured(exit_, file_).width(),
                                 Measured(toolbar_, file_).width(), Measured(copy_, file_).width()});
    int top = 1;
    for (QAction* item : {saveAs_, separator_, toolbar_, copy_, exit_}) {
        const QRect geometry = file_->actionGeometry(item);
        EXPECT_EQ(geometry, QRect(1, top, widest + allowance, Measured(item, file_).height()))
            << item->text().toStdString();
        top = geometry.bottom() + 1;
    }
    EXPECT_EQ(popup_->actionGeometry(popupItem_).size(),
              Measured(popupItem_, popup_) + QSize(2 * popup_->fontMetrics().averageCharWidth(), 0));

    // The bar's items keep the bar's own height.
    const QRect barItem = bar_->actionGeometry(file_->menuAction());
    EXPECT_EQ(barItem.width(), Measured(file_->menuAction(), bar_).width() + 2 * bar_->fontMetrics().averageCharWidth());
    painter_->SetActive(false);
    EXPECT_EQ(bar_->actionGeometry(file_->menuAction()).height(), barItem.height());

    // Without the painter Qt measures again.
    EXPECT_NE(file_->actionGeometry(separator_).height(), 4);
}

TEST_F(FlatMenuTest, SelectedItemIsFramedInTheSelectionBorderAndFilled)
{
    const QImage image = Drawn(toolbar_, file_, true);
    const int w = image.width(), h = image.height();
    EXPECT_COLOR(PixelAt(image, w - 3, 0), colors_.MenuBack); // the top row stays
    EXPECT_COLOR(PixelAt(image, w - 3, 1), colors_.SelectBorder);
    EXPECT_COLOR(PixelAt(image, w - 3, h - 1), colors_.SelectBorder);
    EXPECT_COLOR(PixelAt(image, 0, h / 2), colors_.SelectBorder);
    EXPECT_COLOR(PixelAt(image, w - 1, h / 2), colors_.SelectBorder);
    EXPECT_COLOR(PixelAt(image, w - 3, 2), colors_.SelectFill);
    EXPECT_COLOR(PixelAt(image, 2, h / 2), colors_.SelectFill);

    // Not selected: the menu background beside an icon column of its own colour.
    const QImage plain = Drawn(toolbar_, file_, false);
    EXPECT_COLOR(PixelAt(plain, w - 3, 1), colors_.MenuBack);
    EXPECT_COLOR(PixelAt(plain, 1, 1), colors_.IconBack);
    EXPECT_COLOR(PixelAt(plain, 23, 1), colors_.IconBack);
    EXPECT_COLOR(PixelAt(plain, 24, 1), colors_.MenuBack);

    // DrawSelect off: no highlight at all.
    toolbar_->setChecked(false);
    painter_->SetDrawSelect(false);
    EXPECT_EQ(Drawn(toolbar_, file_, true), Drawn(toolbar_, file_, false));
}

TEST_F(FlatMenuTest, SeparatorIsALineAcrossTheMiddleFromSevenPixelsIn)
{
    const QImage image = Drawn(separator_, file_, false, QSize(100, 4));
    // Four rows, taken one taller: the line lies on row (0 + 5) / 2.
    for (int x = 0; x < 100; ++x) {
        const TColor expected = x < 24 ? colors_.IconBack : x < 31 ? colors_.MenuBack : colors_.Separator;
        EXPECT_COLOR(PixelAt(image, x, 2), expected) << "x " << x;
        EXPECT_COLOR(PixelAt(image, x, 1), x < 24 ? colors_.IconBack : colors_.MenuBack) << "x " << x;
    }
}

TEST_F(FlatMenuTest, CheckedItemWithoutPictureGetsABoxWithAFiveStrokeTick)
{
    const QImage image = Drawn(toolbar_, file_, false);
    const int itemHeight = image.height() + 1;
    const int L = (24 - 10) / 2, T = (itemHeight - 10) / 2, R = L + 10, B = T + 10;
    EXPECT_COLOR(PixelAt(image, L, T), colors_.CheckBorder);
    EXPECT_COLOR(PixelAt(image, R - 1, B - 1), colors_.CheckBorder);
    EXPECT_COLOR(PixelAt(image, L + 1, T + 1), colors_.CheckedBack);
    EXPECT_COLOR(PixelAt(image, R - 2, B - 2), colors_.CheckedBack);
    // Each stroke starts black; the long one climbs to the right above the box.
    for (QPoint start : {QPoint(L + 1, T + 5), QPoint(L + 2, T + 5), QPoint(L + 2, T + 4), QPoint(L + 4, B - 3),
                         QPoint(L + 4, B - 2)})
        EXPECT_COLOR(PixelAt(image, start.x(), start.y()), clBlack) << start.x() << "," << start.y();
    for (int x = L + 4; x <= R + 1; ++x) {
        bool black = false;
        for (int y = T - 1; y < B; ++y) black = black || PixelAt(image, x, y) == clBlack;
        EXPECT_TRUE(black) << "column " << x;
    }
    // A line leaves out its last point: nothing at (R + 2, T - 1).
    EXPECT_NE(PixelAt(image, R + 2, T - 1), clBlack);

    // Highlighted, the box takes the highlighted checked colour.
    EXPECT_COLOR(PixelAt(Drawn(toolbar_, file_, true), L + 1, T + 1), colors_.CheckedBackSelected);
}

TEST_F(FlatMenuTest, CheckedItemWithPictureIsFramedAndARadioItemRound)
{
    saveAs_->setCheckable(true);
    saveAs_->setChecked(true);
    const QImage framed = Drawn(saveAs_, file_, false);
    // The icon column less 1, 2, 3 and 2 pixels.
    EXPECT_COLOR(PixelAt(framed, 1, 2), colors_.SelectBorder);
    EXPECT_COLOR(PixelAt(framed, 24 - 3 - 1, 2), colors_.SelectBorder);
    EXPECT_COLOR(PixelAt(framed, 2, 3), colors_.CheckedBack);
    EXPECT_COLOR(PixelAt(framed, 0, 2), colors_.IconBack);

    auto* group = new QActionGroup(file_);
    group->addAction(toolbar_);
    const QImage radio = Drawn(toolbar_, file_, false);
    const int itemHeight = radio.height() + 1;
    const int L = 7, T = (itemHeight - 10) / 2;
    EXPECT_COLOR(PixelAt(radio, L + 5, T + 5), colors_.CheckedBack);  // the middle is filled
    EXPECT_COLOR(PixelAt(radio, L, T), colors_.IconBack);             // the corner is left out
    EXPECT_TRUE(PixelAt(radio, L + 4, T) == colors_.SelectBorder || PixelAt(radio, L + 5, T) == colors_.SelectBorder);
}

TEST_F(FlatMenuTest, DisabledItemHasNoHighlightAndTheDisabledColour)
{
    for (bool selected : {false, true}) {
        const std::set<TColor> colours = Colours(Drawn(copy_, file_, selected));
        EXPECT_EQ(colours, (std::set<TColor>{colors_.MenuBack, colors_.IconBack, colors_.DisabledText}))
            << "selected " << selected;
    }
    // Enabled and selected: the text in the selected-text colour on the fill.
    copy_->setEnabled(true);
    const std::set<TColor> colours = Colours(Drawn(copy_, file_, true));
    EXPECT_TRUE(colours.count(colors_.SelectedText));
    EXPECT_FALSE(colours.count(colors_.DisabledText));
}

TEST_F(FlatMenuTest, PicturesAreFadedShadowedOrGrayedAndDrawnTransparent)
{
    // At (3, 4): centred in the column one pixel to the left, 4 pixels down.
    const QImage plain = Drawn(exit_, file_, false);
    EXPECT_COLOR(PixelAt(plain, 3 + 6, 4 + 6), Lighten(RGB(255, 0, 0), 30));
    EXPECT_COLOR(PixelAt(plain, 3 + 9, 4 + 9), Lighten(RGB(255, 0, 0), 30));
    // The lightened background is the transparent colour: the column shows.
    EXPECT_COLOR(PixelAt(plain, 3 + 5, 4 + 5), colors_.IconBack);
    EXPECT_COLOR(PixelAt(plain, 3, 4), colors_.IconBack);

    // Highlighted: raised a pixel up and left over a shadow two pixels down and right of it.
    const QImage raised = Drawn(exit_, file_, true);
    const TColor shadow = Darken(colors_.SelectFill, 50);
    EXPECT_COLOR(PixelAt(raised, 2 + 6, 3 + 6), RGB(255, 0, 0));
    EXPECT_COLOR(PixelAt(raised, 2 + 9, 3 + 9), RGB(255, 0, 0));
    EXPECT_COLOR(PixelAt(raised, 4 + 9, 5 + 9), shadow);
    EXPECT_COLOR(PixelAt(raised, 4 + 6, 5 + 9), shadow);
    EXPECT_COLOR(PixelAt(raised, 2 + 5, 3 + 5), colors_.SelectFill);

    // Disabled: gray by 90.
    exit_->setEnabled(false);
    const QImage gray = Drawn(exit_, file_, false);
    EXPECT_COLOR(PixelAt(gray, 3 + 7, 4 + 7), RGB(175, 175, 175));
    EXPECT_COLOR(PixelAt(gray, 3 + 5, 4 + 5), colors_.IconBack);

    // Checked: as it is.
    exit_->setEnabled(true);
    exit_->setCheckable(true);
    exit_->setChecked(true);
    EXPECT_COLOR(PixelAt(Drawn(exit_, file_, false), 3 + 7, 4 + 7), RGB(255, 0, 0));
}

TEST_F(FlatMenuTest, HighlightedBarItemStandsRaisedWithAShadowStrip)
{
    QAction* item = file_->menuAction();
    const QImage plain = Drawn(item, bar_, false);
    const int w = plain.width(), h = plain.height();
    EXPECT_COLOR(PixelAt(plain, w - 1, h / 2), colors_.MenuBar);

    const QImage image = Drawn(item, bar_, true);
    EXPECT_COLOR(PixelAt(image, 0, 0), colors_.FrameDark);
    EXPECT_COLOR(PixelAt(image, 0, h - 1), colors_.FrameDark);
    EXPECT_COLOR(PixelAt(image, w - 9, h - 1), colors_.FrameDark);
    EXPECT_COLOR(PixelAt(image, 1, h - 1), colors_.IconBack);
    // The darkest band lies next to the item from 6 pixels down, the lightest
    // four pixels out from the top; the strip's far end stays bar.
    EXPECT_COLOR(PixelAt(image, w - 8, h - 1), Darken(colors_.MenuBar, 100));
    EXPECT_COLOR(PixelAt(image, w - 8, 8), Darken(colors_.MenuBar, 100));
    EXPECT_COLOR(PixelAt(image, w - 8, 4), Darken(colors_.MenuBar, 30));
    EXPECT_COLOR(PixelAt(image, w - 5, 1), Darken(colors_.MenuBar, 10));
    EXPECT_COLOR(PixelAt(image, w - 5, h - 1), Darken(colors_.MenuBar, 10));
    EXPECT_COLOR(PixelAt(image, w - 4, h - 1), colors_.MenuBar);
    EXPECT_COLOR(PixelAt(image, w - 1, h - 1), colors_.MenuBar);
}

TEST_F(FlatMenuTest, AnItemsOwnHandlerStaysUnlessOverridden)
{
    int ownDraws = 0;
    painter_->SetActive(false);
    SetOnDrawItem(exit_, [&ownDraws](QAction*, QWidget*, QPainter&, const QRect&, bool) { ++ownDraws; });
    painter_->SetActive(true);
    EXPECT_EQ(DrawItemTag(exit_), nullptr);
    EXPECT_EQ(DrawItemTag(saveAs_), painter_);
    file_->grab();
    EXPECT_GT(ownDraws, 0);

    // Drawing the menu's other items keeps it too.
    EXPECT_EQ(DrawItemTag(exit_), nullptr);
    ASSERT_TRUE(OnDrawItem(exit_));

    painter_->SetOverrideOwnerDraw(true);
    EXPECT_EQ(DrawItemTag(exit_), painter_);
    ownDraws = 0;
    file_->grab();
    EXPECT_EQ(ownDraws, 0);
}

TEST_F(FlatMenuTest, ActiveOffGivesQtItsDrawingBackAndOnTakesItAgain)
{
    auto background = [this] {
        const QImage image = file_->grab().toImage();
        const QRect item = file_->actionGeometry(toolbar_);
        return PixelAt(image, item.right() - 2, item.top() + 2);
    };
    EXPECT_TRUE(file_->OwnerDraw());
    EXPECT_COLOR(background(), colors_.MenuBack);

    painter_->SetActive(false);
    for (QAction* item : {saveAs_, separator_, toolbar_, copy_, exit_, popupItem_, file_->menuAction()}) {
        EXPECT_FALSE(OnDrawItem(item)) << item->text().toStdString();
        EXPECT_FALSE(OnMeasureItem(item)) << item->text().toStdString();
    }
    EXPECT_FALSE(bar_->OwnerDraw());
    EXPECT_FALSE(popup_->OwnerDraw());
    EXPECT_NE(background(), colors_.MenuBack);

    painter_->SetActive(true);
    EXPECT_EQ(DrawItemTag(popupItem_), painter_);
    EXPECT_EQ(MeasureItemTag(file_->menuAction()), painter_);
    EXPECT_COLOR(background(), colors_.MenuBack);
}

TEST_F(FlatMenuTest, RefusedMenusAndItemsAreLeftToQt)
{
    painter_->SetActive(false);
    painter_->SetOnAcceptComponent([this](TComponent* sender, QObject* ctrl, bool& accept) {
        EXPECT_EQ(sender, painter_);
        accept = ctrl != popup_ && ctrl != file_->menuAction();
    });
    painter_->SetActive(true);
    EXPECT_FALSE(OnDrawItem(popupItem_));
    EXPECT_FALSE(popup_->OwnerDraw());
    EXPECT_FALSE(OnDrawItem(file_->menuAction()));
    EXPECT_FALSE(OnDrawItem(toolbar_));
}

TEST_F(FlatMenuTest, ItemsAddedLaterAreTakenOverOnceTheirMenuIsDrawn)
{
    QAction* later = file_->addAction(QStringLiteral("Later"));
    EXPECT_FALSE(OnDrawItem(later));
    file_->grab();
    EXPECT_EQ(DrawItemTag(later), painter_);
}

TEST_F(FlatMenuTest, AutoDetectTakesOverItemsAsTheyAreAdded)
{
    painter_->SetAutoDetect(true);
    QAction* added = file_->addAction(QStringLiteral("Added"));
    EXPECT_EQ(DrawItemTag(added), painter_);
    painter_->SetAutoDetect(false);
    QAction* notDetected = file_->addAction(QStringLiteral("Not detected"));
    EXPECT_FALSE(OnDrawItem(notDetected));
}

TEST_F(FlatMenuTest, GradientLightensTheColumnsFasterInsideTheIconColumn)
{
    painter_->SetGradient(true);
    const QImage image = Drawn(toolbar_, file_, false, QSize(120, 20));
    // 1 for the first column, 3 for each up to IconWidth + 5, then 1 each, at most 96.
    const std::vector<std::pair<int, int>> expected{{0, 1}, {1, 4}, {28, 85}, {29, 86}, {39, 96}, {119, 96}};
    for (auto [x, amount] : expected) EXPECT_COLOR(PixelAt(image, x, 0), Lighten(colors_.IconBack, amount)) << "x " << x;

    // Fewer colours: no gradient.
    painter_->SetScreenDepthSource([] { return 8; });
    EXPECT_COLOR(PixelAt(Drawn(toolbar_, file_, false, QSize(120, 20)), 100, 0), Colors(8).MenuBack);
}

TEST_F(FlatMenuTest, RightToLeftMenusHaveTheIconColumnOnTheRight)
{
    file_->setLayoutDirection(Qt::RightToLeft);
    const QImage image = Drawn(separator_, file_, false, QSize(100, 4));
    EXPECT_COLOR(PixelAt(image, 99, 1), colors_.IconBack);
    EXPECT_COLOR(PixelAt(image, 76, 1), colors_.IconBack);
    EXPECT_COLOR(PixelAt(image, 75, 1), colors_.MenuBack);
    EXPECT_COLOR(PixelAt(image, 0, 2), colors_.Separator);
    EXPECT_COLOR(PixelAt(image, 68, 2), colors_.Separator);
    EXPECT_COLOR(PixelAt(image, 69, 2), colors_.MenuBack);
}

TEST_F(FlatMenuTest, TheDefaultItemIsEmbossedInShadesOfItsBackground)
{
    const std::set<TColor> plain = Colours(Drawn(toolbar_, file_, false));
    file_->setDefaultAction(toolbar_);
    const std::set<TColor> embossed = Colours(Drawn(toolbar_, file_, false));
    for (int darkness : {30, 40, 60}) {
        EXPECT_FALSE(plain.count(Darken(colors_.MenuBack, darkness)));
        EXPECT_TRUE(embossed.count(Darken(colors_.MenuBack, darkness))) << darkness;
    }
}

TEST_F(FlatMenuTest, TheMenuBarIsNeverNative)
{
    EXPECT_FALSE(bar_->isNativeMenuBar());
}

} // namespace
