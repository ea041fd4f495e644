// Build-time tool: writes the program's icon as PNG files into a hicolor
// icon theme tree, one file per size:
//   pelorix-make-icons <theme folder> <icon name>
// makes <theme folder>/<N>x<N>/apps/<icon name>.png.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

#include "Pictures.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <theme folder> <icon name>\n", argv[0]);
        return 2;
    }
    // Runs during the build, where there may be no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString theme = QString::fromLocal8Bit(argv[1]), name = QString::fromLocal8Bit(argv[2]);
    const QIcon icon = ApplicationIcon();
    for (int side : ApplicationIconSizes()) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(side);
        const QString file = folder + '/' + name + ".png";
        const QPixmap picture = icon.pixmap(QSize(side, side), 1.0);
        if (picture.size() != QSize(side, side) || !QDir().mkpath(folder) || !picture.save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
            return 1;
        }
    }
    return 0;
}
