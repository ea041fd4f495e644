#include "WindowFrame.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace {

// The frame another window of the program has, a good guess for a window not
// yet framed: one window manager frames them alike.
QMargins GuessedFrame(const QWidget* window)
{
    if (const QWidget* owner = window->parentWidget(); owner && owner->window()->isVisible()) {
        const QMargins frame = FrameMargins(owner->window());
        if (!frame.isNull()) return frame;
    }
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != window && other->isVisible() && other->isWindow())
            if (const QMargins frame = FrameMargins(other); !frame.isNull()) return frame;
    return {};
}

QSize ClientSize(QSize outer, QMargins frame)
{
    return {std::max(outer.width() - frame.left() - frame.right(), 0),
            std::max(outer.height() - frame.top() - frame.bottom(), 0)};
}

// Runs a placement with the frame as it is known now, and once more when the
// window's own frame becomes known. A window has one placement pending: a new
// one replaces it.
class TFramePlacement : public QObject {
public:
    using TPlace = std::function<void(QWidget* window, QMargins frame)>;
    static inline const QString Name = QStringLiteral("pelorix-frame-placement");

    static void Start(QWidget* window, TPlace place)
    {
        // Found by name: the class has no meta-object of its own.
        delete window->findChild<QObject*>(Name, Qt::FindDirectChildrenOnly);
        const QMargins frame = FrameMargins(window);
        place(window, frame.isNull() ? GuessedFrame(window) : frame);
        if (frame.isNull()) new TFramePlacement(window, std::move(place));
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (watched != window_ || (type != QEvent::Show && type != QEvent::Move && type != QEvent::Resize) ||
            !window_->isVisible())
            return false;
        const QMargins frame = FrameMargins(window_);
        if (!frame.isNull()) {
            window_->removeEventFilter(this);
            deleteLater();
            place_(window_, frame);
        }
        return false;
    }

private:
    TFramePlacement(QWidget* window, TPlace place) : QObject(window), window_(window), place_(std::move(place))
    {
        setObjectName(Name);
        window->installEventFilter(this);
    }

    QPointer<QWidget> window_;
    TPlace place_;
};

const QScreen* ScreenAt(QPoint point)
{
    const QScreen* screen = QGuiApplication::screenAt(point);
    return screen ? screen : QGuiApplication::primaryScreen();
}

// The rectangle inside the available area of the screen it falls on: moved
// in, and shrunk where it is larger.
QRect OnScreen(QRect outer)
{
    const QScreen* screen = ScreenAt(outer.center());
    if (!screen) return outer;
    const QRect area = screen->availableGeometry();
    QRect placed(outer.topLeft(), outer.size().boundedTo(area.size()));
    placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() + 1 - placed.height()));
    return placed;
}

} // namespace

QMargins FrameMargins(const QWidget* window)
{
    const QRect frame = window->frameGeometry(), client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

bool CanPlaceWindows()
{
    return !QGuiApplication::platformName().startsWith("wayland");
}

void SetFrameSize(QWidget* window, QSize outer)
{
    TFramePlacement::Start(window, [outer](QWidget* w, QMargins frame) { w->resize(ClientSize(outer, frame)); });
}

void SetFrameOnScreen(QWidget* window, QRect outer)
{
    TFramePlacement::Start(window, [outer](QWidget* w, QMargins frame) {
        const QRect placed = OnScreen(outer);
        w->resize(ClientSize(placed.size(), frame));
        if (CanPlaceWindows()) w->move(placed.topLeft()); // move() places a window by its frame
    });
}

void MoveFrame(QWidget* window, QPoint topLeft)
{
    if (!CanPlaceWindows()) return;
    TFramePlacement::Start(window, [topLeft](QWidget* w, QMargins) { w->move(topLeft); });
}

void MoveFrameOnScreen(QWidget* window, QPoint topLeft)
{
    if (!CanPlaceWindows()) return;
    TFramePlacement::Start(window, [topLeft](QWidget* w, QMargins frame) {
        w->move(OnScreen(QRect(topLeft, w->size().grownBy(frame))).topLeft());
    });
}

void CentreFrame(QWidget* window, const QScreen* screen)
{
    if (!screen || !CanPlaceWindows()) return;
    const QRect area = screen->availableGeometry();
    TFramePlacement::Start(window, [area](QWidget* w, QMargins frame) {
        const QSize outer = w->size().grownBy(frame);
        w->move(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
    });
}
