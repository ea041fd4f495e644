#pragma once
// The program's own pictures, drawn with QPainter at every scale they are
// shown at, so they stay sharp on high-density screens.

#include <QIcon>

// Pictures of the menus and the toolbar buttons, 16 x 16, drawn at device
// pixel ratios 1 and 2, each with a grey embossed look for QIcon::Disabled.
// Index: 0 save, 1 copy, 2 exit, 3 contact, 4 home page, 5 clear; any other
// index gives a null icon.
QIcon MenuPicture(int index);

// The number of pictures MenuPicture draws.
constexpr int MenuPictureCount = 6;

// The program's icon: the Mandelbrot set on a rounded tile, drawn at each of
// ApplicationIconSizes().
QIcon ApplicationIcon();

// The square sizes, in pixels, at which ApplicationIcon() is drawn; the
// desktop's hicolor theme takes the same sizes.
const QList<int>& ApplicationIconSizes();
