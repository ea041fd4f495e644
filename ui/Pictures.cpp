#include "Pictures.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <complex>

namespace {

constexpr int PictureSide = 16;

// Outlines sit on half-pixel coordinates so that a one-pixel pen covers whole
// pixels at ratio 1 and whole pixel pairs at ratio 2. The gradients and the
// hairlines (one device pixel wide) carry the finer detail of ratio 2.
const QColor Ink(0x23, 0x2e, 0x3d);

QPen Outline() { return QPen(Ink, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin); }

QPen Hairline(QPainter& p, const QColor& colour)
{
    return QPen(colour, 1.0 / p.device()->devicePixelRatioF(), Qt::SolidLine, Qt::FlatCap);
}

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& from, const QColor& to)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    return g;
}

void DrawSave(QPainter& p)
{
    // A floppy disk: blue body with a cut corner, metal shutter, paper label.
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.setPen(Outline());
    p.setBrush(Vertical(1, 15, QColor(0x5b, 0x8f, 0xd6), QColor(0x23, 0x4f, 0x96)));
    p.drawPath(body);

    p.setBrush(Vertical(2, 6, QColor(0xf2, 0xf4, 0xf7), QColor(0xa9, 0xb2, 0xbe)));
    p.drawRect(QRectF(4.5, 1.5, 7, 4));
    p.fillRect(QRectF(9, 2, 1.5, 3), Ink);

    p.setBrush(Vertical(9, 15, QColor(0xff, 0xff, 0xff), QColor(0xdc, 0xe2, 0xea)));
    p.drawRect(QRectF(3.5, 8.5, 9, 6));
    p.setPen(Hairline(p, QColor(0x8a, 0x9b, 0xb4)));
    p.drawLine(QPointF(5, 10.75), QPointF(11, 10.75));
    p.drawLine(QPointF(5, 12.75), QPointF(11, 12.75));
}

void DrawPage(QPainter& p, const QRectF& page)
{
    p.setPen(Outline());
    p.setBrush(Vertical(page.top(), page.bottom(), Qt::white, QColor(0xd9, 0xe0, 0xe9)));
    p.drawRect(page);
    p.setPen(Hairline(p, QColor(0x5b, 0x7f, 0xb5)));
    for (qreal y = page.top() + 2.75; y < page.bottom() - 1; y += 2)
        p.drawLine(QPointF(page.left() + 2, y), QPointF(page.right() - 2, y));
}

void DrawCopy(QPainter& p)
{
    // Two overlapping sheets.
    DrawPage(p, QRectF(1.5, 1.5, 8, 10));
    DrawPage(p, QRectF(6.5, 4.5, 8, 10));
}

void DrawExit(QPainter& p)
{
    // An open door with an arrow leaving through it.
    p.setPen(Outline());
    p.setBrush(QColor(0x3a, 0x2a, 0x1e));
    p.drawRect(QRectF(1.5, 1.5, 8, 13));
    QPainterPath door;
    door.moveTo(1.5, 1.5);
    door.lineTo(6.5, 3.5);
    door.lineTo(6.5, 15.5);
    door.lineTo(1.5, 14.5);
    door.closeSubpath();
    p.setBrush(Vertical(1, 15, QColor(0xd8, 0x9a, 0x5a), QColor(0x8e, 0x55, 0x25)));
    p.drawPath(door);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawEllipse(QPointF(5.25, 9), 0.75, 0.75);

    QPainterPath arrow;
    arrow.moveTo(7.5, 6.5);
    arrow.lineTo(10.5, 6.5);
    arrow.lineTo(10.5, 4.0);
    arrow.lineTo(15.0, 8.0);
    arrow.lineTo(10.5, 12.0);
    arrow.lineTo(10.5, 9.5);
    arrow.lineTo(7.5, 9.5);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x1d, 0x5e, 0x1f), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Vertical(4, 12, QColor(0x7c, 0xd6, 0x5a), QColor(0x2e, 0x8b, 0x2a)));
    p.drawPath(arrow);
}

void DrawContact(QPainter& p)
{
    // A letter: envelope with its flap folded down.
    const QRectF envelope(1.5, 3.5, 13, 9);
    p.setPen(Outline());
    p.setBrush(Vertical(3, 13, QColor(0xff, 0xfb, 0xe8), QColor(0xe6, 0xd9, 0xa8)));
    p.drawRect(envelope);
    QPainterPath flap;
    flap.moveTo(envelope.topLeft());
    flap.lineTo(8, 9);
    flap.lineTo(envelope.topRight());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Ink, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(flap);
    p.setPen(Hairline(p, QColor(0xb0, 0x9a, 0x55)));
    p.drawLine(QPointF(2.5, 11.5), QPointF(6, 8.25));
    p.drawLine(QPointF(13.5, 11.5), QPointF(10, 8.25));
}

void DrawHomePage(QPainter& p)
{
    // A globe: the web address of the program's home.
    const QPointF centre(8, 8);
    QRadialGradient sea(QPointF(6, 5.5), 9);
    sea.setColorAt(0, QColor(0x9f, 0xd4, 0xff));
    sea.setColorAt(1, QColor(0x1d, 0x5a, 0xb0));
    p.setPen(Outline());
    p.setBrush(sea);
    p.drawEllipse(centre, 6.5, 6.5);

    p.setPen(QPen(QColor(0xe8, 0xf4, 0xff), 1.0 / p.device()->devicePixelRatioF() + 0.25));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 2.75, 6.0);
    p.drawLine(QPointF(8, 2), QPointF(8, 14));
    p.drawLine(QPointF(2, 8), QPointF(14, 8));
    p.drawLine(QPointF(3, 5), QPointF(13, 5));
    p.drawLine(QPointF(3, 11), QPointF(13, 11));
    p.setPen(Outline());
    p.drawEllipse(centre, 6.5, 6.5);
}

void DrawClear(QPainter& p)
{
    // An eraser, tilted, over the line it has wiped.
    p.setPen(QPen(QColor(0x8a, 0x99, 0xad), 1.0, Qt::DotLine));
    p.drawLine(QPointF(1.5, 14.5), QPointF(14.5, 14.5));

    p.save();
    p.translate(8.5, 7.5);
    p.rotate(-40);
    p.setPen(Outline());
    p.setBrush(Vertical(-3, 3, QColor(0xff, 0xc2, 0xcf), QColor(0xd9, 0x5b, 0x78)));
    p.drawRect(QRectF(-6.5, -3, 8, 6));
    p.setBrush(Vertical(-3, 3, QColor(0x8e, 0xb8, 0xf0), QColor(0x2b, 0x5c, 0xb0)));
    p.drawRect(QRectF(1.5, -3, 5, 6));
    p.restore();
}

using DrawFunction = void (*)(QPainter&);
constexpr DrawFunction MenuDrawings[MenuPictureCount] = {
    DrawSave, DrawCopy, DrawExit, DrawContact, DrawHomePage, DrawClear};
static_assert(std::size(MenuDrawings) == MenuPictureCount);

QImage DrawPicture(DrawFunction draw, int ratio)
{
    QImage image(PictureSide * ratio, PictureSide * ratio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return image;
}

// The look old toolbars gave a disabled button: the picture's dark parts in
// grey, over a white copy moved one pixel down and to the right, so the
// picture seems pressed into the face.
QImage Embossed(const QImage& picture)
{
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    const int w = source.width(), h = source.height();
    const int shift = std::lround(source.devicePixelRatio());
    // How much of each pixel is ink: the dark, nearly grey outlines fully;
    // light pixels and coloured fills (a blue disk, a brown door) not, so the
    // picture keeps its lines rather than turning into a grey blot.
    auto ink = [&](int x, int y) -> double {
        if (x < 0 || y < 0 || x >= w || y >= h) return 0;
        const QRgb c = source.pixel(x, y);
        const double lightness = (0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c)) / 255.0;
        const double chroma =
            (std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)})) / 255.0;
        return qAlpha(c) / 255.0 * std::clamp((0.75 - lightness) / 0.35, 0.0, 1.0) *
               std::clamp((0.45 - chroma) / 0.15, 0.0, 1.0);
    };
    QImage out(w, h, QImage::Format_ARGB32);
    out.setDevicePixelRatio(source.devicePixelRatio());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double grey = ink(x, y);
            const double white = ink(x - shift, y - shift);
            // Grey (128) over white (255), both with coverage as alpha.
            const double alpha = grey + white * (1 - grey);
            const double value = alpha > 0 ? (128 * grey + 255 * white * (1 - grey)) / alpha : 0;
            const int v = std::lround(value), a = std::lround(alpha * 255);
            out.setPixel(x, y, qRgba(v, v, v, a));
        }
    }
    return out;
}

// Escape-time colour of the Mandelbrot set, 0 inside, growing towards 1 as
// points escape sooner.
QColor MandelColour(double x, double y)
{
    constexpr int MaxIterations = 80;
    const std::complex<double> c(x, y);
    std::complex<double> z = 0;
    for (int n = 0; n < MaxIterations; ++n) {
        z = z * z + c;
        const double r2 = std::norm(z);
        if (r2 > 256) {
            // Continuous count, so neighbouring bands blend.
            const double mu = n + 1 - std::log2(std::log2(r2) / 2);
            const double t = std::clamp(std::sqrt(std::max(mu, 0.0) / 24.0), 0.0, 1.0);
            // Deep blue far away, through azure to a warm glow at the border.
            const QColor far(0x0d, 0x1b, 0x44), mid(0x2f, 0x7f, 0xe0), near(0xff, 0xc0, 0x50);
            auto mix = [](const QColor& a, const QColor& b, double s) {
                return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * s,
                                        a.greenF() + (b.greenF() - a.greenF()) * s,
                                        a.blueF() + (b.blueF() - a.blueF()) * s);
            };
            return t < 0.6 ? mix(far, mid, t / 0.6) : mix(mid, near, (t - 0.6) / 0.4);
        }
    }
    return QColor(0x05, 0x07, 0x10);
}

QImage DrawApplicationIcon(int side)
{
    // Each pixel averages a grid of samples: small sizes need more to keep
    // the set's outline smooth.
    const int samples = std::clamp(64 / side, 2, 4);
    // The whole set with a margin, left part weighted as it is the larger.
    const double left = -2.15, top = -1.45, span = 2.9;
    QImage fractal(side, side, QImage::Format_ARGB32_Premultiplied);
    for (int py = 0; py < side; ++py) {
        for (int px = 0; px < side; ++px) {
            double r = 0, g = 0, b = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double x = left + span * (px + (sx + 0.5) / samples) / side;
                    const double y = top + span * (py + (sy + 0.5) / samples) / side;
                    const QColor c = MandelColour(x, y);
                    r += c.redF();
                    g += c.greenF();
                    b += c.blueF();
                }
            }
            const double n = samples * samples;
            fractal.setPixelColor(px, py, QColor::fromRgbF(r / n, g / n, b / n));
        }
    }

    QImage icon(side, side, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal border = std::max(1.0, side / 64.0);
    const QRectF tile = QRectF(0, 0, side, side).adjusted(border / 2, border / 2, -border / 2, -border / 2);
    const qreal radius = side * 0.18;
    QPainterPath shape;
    shape.addRoundedRect(tile, radius, radius);
    p.setClipPath(shape);
    p.drawImage(0, 0, fractal);
    p.setClipping(false);
    p.setPen(QPen(QColor(0x0a, 0x12, 0x2a), border));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    return icon;
}

} // namespace

QIcon MenuPicture(int index)
{
    QIcon icon;
    if (index < 0 || index >= MenuPictureCount) return icon;
    for (int ratio : {1, 2}) {
        const QImage picture = DrawPicture(MenuDrawings[index], ratio);
        icon.addPixmap(QPixmap::fromImage(picture), QIcon::Normal);
        icon.addPixmap(QPixmap::fromImage(Embossed(picture)), QIcon::Disabled);
    }
    return icon;
}

const QList<int>& ApplicationIconSizes()
{
    static const QList<int> sizes{16, 22, 24, 32, 48, 64, 128, 256};
    return sizes;
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int side : ApplicationIconSizes()) icon.addPixmap(QPixmap::fromImage(DrawApplicationIcon(side)));
    return icon;
}
