#pragma once
// Top-level windows placed and sized by their frames, as the user sees them.
// Qt sizes a window by its client area, and a window's frame is known only
// once a window manager has framed it: until then the frame of a window
// already on the screen stands in (none at all for the first window), and the
// placement is made again as soon as the window's own frame is known.

#include <QMargins>
#include <QRect>

class QScreen;
class QWidget;

// The frame round the window's client area; null while it is not known.
QMargins FrameMargins(const QWidget* window);

// False where the desktop places windows itself (Wayland).
bool CanPlaceWindows();

// Gives the window's frame this outer size.
void SetFrameSize(QWidget* window, QSize outer);
// Gives the window's frame this outer rectangle, inside the available area of
// the screen it falls on: moved in, and shrunk where it is larger.
void SetFrameOnScreen(QWidget* window, QRect outer);
// Puts the window's frame at this point, in place of any placement pending.
void MoveFrame(QWidget* window, QPoint topLeft);
// Puts the window's frame at this point, moved in where it would stick out
// of the available area of the screen.
void MoveFrameOnScreen(QWidget* window, QPoint topLeft);
// Centres the window's frame on the screen's available area.
void CentreFrame(QWidget* window, const QScreen* screen);
