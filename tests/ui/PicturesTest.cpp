#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include <cmath>
#include <cstdlib>

#include "Pictures.h"

namespace {

constexpr QSize MenuSize(16, 16);

QImage PictureAt(const QIcon& icon, qreal ratio, QIcon::Mode mode = QIcon::Normal)
{
    return icon.pixmap(MenuSize, ratio, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Share of the pixels that are not fully transparent.
double Coverage(const QImage& image)
{
    int covered = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) covered += qAlpha(image.pixel(x, y)) > 0;
    return double(covered) / (image.width() * image.height());
}

// True when every aligned 2 x 2 block holds one colour: a 1x picture blown up.
bool IsPixelDoubled(const QImage& image)
{
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb c = image.pixel(x, y);
            if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c || image.pixel(x + 1, y + 1) != c)
                return false;
        }
    return true;
}

// Mean difference (0..255) between the 1x picture and the 2x one averaged back
// down to 1x, over all four channels.
double DifferenceToHalved(const QImage& one, const QImage& two)
{
    double total = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) {
            const QRgb a = one.pixel(x, y);
            const QRgb q[4] = {two.pixel(2 * x, 2 * y), two.pixel(2 * x + 1, 2 * y),
                               two.pixel(2 * x, 2 * y + 1), two.pixel(2 * x + 1, 2 * y + 1)};
            auto mean = [&](int (*channel)(QRgb)) {
                return (channel(q[0]) + channel(q[1]) + channel(q[2]) + channel(q[3])) / 4.0;
            };
            total += std::abs(qRed(a) - mean(qRed)) + std::abs(qGreen(a) - mean(qGreen)) +
                     std::abs(qBlue(a) - mean(qBlue)) + std::abs(qAlpha(a) - mean(qAlpha));
        }
    return total / (4.0 * one.width() * one.height());
}

TEST(MenuPictures, AreDrawnAtBothRatiosAndDifferFromEachOther)
{
    QList<QImage> seen;
    for (int index = 0; index < MenuPictureCount; ++index) {
        SCOPED_TRACE(index);
        const QIcon icon = MenuPicture(index);
        ASSERT_FALSE(icon.isNull());
        for (qreal ratio : {1.0, 2.0}) {
            const QPixmap pixmap = icon.pixmap(MenuSize, ratio);
            EXPECT_EQ(pixmap.size(), MenuSize * ratio);
            EXPECT_EQ(pixmap.devicePixelRatio(), ratio);
            EXPECT_GT(Coverage(pixmap.toImage()), 0.3);
        }
        const QImage one = PictureAt(icon, 1), two = PictureAt(icon, 2);
        EXPECT_FALSE(IsPixelDoubled(two)) << "the 2x picture is the 1x one enlarged";
        // Same drawing at both ratios: halving the 2x picture comes close to the 1x one.
        EXPECT_LT(DifferenceToHalved(one, two), 24.0);
        for (const QImage& other : seen) EXPECT_NE(one, other);
        seen.append(one);
    }
}

TEST(MenuPictures, HaveAnEmbossedGreyDisabledLook)
{
    for (int index = 0; index < MenuPictureCount; ++index) {
        SCOPED_TRACE(index);
        const QIcon icon = MenuPicture(index);
        for (qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(ratio);
            const QImage normal = PictureAt(icon, ratio);
            const QImage disabled = PictureAt(icon, ratio, QIcon::Disabled);
            ASSERT_EQ(disabled.size(), normal.size());
            EXPECT_NE(disabled, normal);
            EXPECT_GT(Coverage(disabled), 0.2);
            bool white = false, grey = false;
            int dark = 0;
            for (int y = 0; y < disabled.height(); ++y)
                for (int x = 0; x < disabled.width(); ++x) {
                    const QRgb c = disabled.pixel(x, y);
                    if (qAlpha(c) == 0) continue;
                    ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << x << "," << y;
                    white |= qAlpha(c) > 128 && qRed(c) > 200;
                    grey |= qAlpha(c) == 255 && qRed(c) == 128;
                    dark += qAlpha(c) > 128 && qRed(c) < 160;
                }
            EXPECT_TRUE(white) << "no white relief";
            EXPECT_TRUE(grey) << "no grey face";
            // The pictures of Save, Copy and Clear, which are disabled at times,
            // turn into lines: a grey blot would look like an enabled button.
            int solid = 0;
            for (int y = 0; y < normal.height(); ++y)
                for (int x = 0; x < normal.width(); ++x) solid += qAlpha(normal.pixel(x, y)) > 128;
            if (index == 0 || index == 1 || index == 5) {
                EXPECT_LT(dark, 0.55 * solid);
            }
        }
        EXPECT_FALSE(IsPixelDoubled(PictureAt(icon, 2, QIcon::Disabled)));
    }
}

TEST(MenuPictures, UnknownIndexGivesNoPicture)
{
    EXPECT_TRUE(MenuPicture(-1).isNull());
    EXPECT_TRUE(MenuPicture(MenuPictureCount).isNull());
}

TEST(ApplicationIcon, IsDrawnAtEverySizeAsARoundedTile)
{
    const QIcon icon = ApplicationIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(ApplicationIconSizes().front(), 16);
    EXPECT_EQ(ApplicationIconSizes().back(), 256);
    for (int side : ApplicationIconSizes()) {
        SCOPED_TRACE(side);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side)));
        const QImage image = icon.pixmap(QSize(side, side), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(side, side));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "corners are cut round";
        EXPECT_EQ(qAlpha(image.pixel(side - 1, side - 1)), 0);
        EXPECT_EQ(qAlpha(image.pixel(side / 2, side / 2)), 255);
        EXPECT_GT(Coverage(image), 0.9);
        if (side >= 32) {
            EXPECT_FALSE(IsPixelDoubled(image));
        }
    }
    // The set itself: dark inside (its main body left of the centre), lighter around it.
    const QImage big = icon.pixmap(QSize(256, 256), 1.0).toImage();
    const QColor inside = big.pixelColor(150, 128), outside = big.pixelColor(240, 30);
    EXPECT_LT(inside.lightness(), 30);
    EXPECT_GT(outside.lightness(), inside.lightness());
}

} // namespace
