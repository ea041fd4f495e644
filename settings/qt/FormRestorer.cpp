#include "FormRestorer.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>

#include "LittleEndian.h"
#include "Messages.h"
#include "WindowFrame.h"

namespace {

// Stored placements are 32-bit numbers that any file may hold: everything
// computed from them is computed in 64 bits.

// Where to put a window's frame: where it was, unless that lies entirely off
// every screen (the screen it was on has gone); then on the primary screen.
QPoint OnScreen(std::int64_t left, std::int64_t top, QSize size)
{
    const std::int64_t width = std::max(size.width(), 1), height = std::max(size.height(), 1);
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        if (left < std::int64_t(g.x()) + g.width() && left + width > g.x() && top < std::int64_t(g.y()) + g.height() &&
            top + height > g.y())
            return {static_cast<int>(left), static_cast<int>(top)}; // 32-bit numbers to begin with
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return {0, 0};
    const QRect area = primary->availableGeometry();
    return {area.left() + std::max((area.width() - size.width()) / 2, 0),
            area.top() + std::max((area.height() - size.height()) / 2, 0)};
}

// The stored outer size, unless it cannot have been the window's: none at
// all keeps the window's own, more than the whole desktop fits the primary
// screen.
QSize PlausibleSize(std::int64_t width, std::int64_t height, QSize own)
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QSize desktop = primary ? primary->virtualGeometry().size() : own;
    const QSize fit = primary ? primary->availableGeometry().size() : own;
    const auto pick = [](std::int64_t stored, int ownSize, int desktopSize, int fitSize) {
        if (stored <= 0) return ownSize;
        return stored > desktopSize ? fitSize : static_cast<int>(stored);
    };
    return {pick(width, own.width(), desktop.width(), fit.width()),
            pick(height, own.height(), desktop.height(), fit.height())};
}

} // namespace

TFormRestorer::TFormRestorer(TComponent* owner)
    : TCustomKey(owner), self_(std::make_shared<TFormRestorer*>(this))
{
}

TFormRestorer::~TFormRestorer()
{
    MarkDestroying();
    *self_ = nullptr;
}

TForm* TFormRestorer::OwnerForm() const
{
    return dynamic_cast<TForm*>(Owner());
}

std::string TFormRestorer::KeyName() const
{
    if (!ParentKey()) return TCustomKey::KeyName();
    return Owner() ? Owner()->Name() : std::string();
}

void TFormRestorer::Loaded()
{
    TCustomKey::Loaded();
    if (TForm* form = OwnerForm()) {
        previousClose_ = form->OnClose();
        form->SetOnClose([self = self_, previous = previousClose_](TComponent* sender, TCloseAction& action) {
            if (*self)
                (*self)->FormClose(sender, action);
            else if (previous)
                previous(sender, action);
        });
    }
    if (Exists()) RestorePlacement();
}

void TFormRestorer::FormClose(TComponent* sender, TCloseAction& action)
{
    SavePlacement();
    if (previousClose_) previousClose_(sender, action);
}

void TFormRestorer::RestorePlacement()
{
    std::uint8_t record[16];
    std::uint32_t size = sizeof record;
    if (Registry().QueryValue(Handle(), ValueName, nullptr, record, &size) != regSuccess || size != sizeof record)
        return;
    TForm* form = OwnerForm();
    QWidget* window = form ? form->Window() : nullptr;
    if (!window) return;

    const std::int64_t left = static_cast<std::int32_t>(GetLE32(record));
    const std::int64_t top = static_cast<std::int32_t>(GetLE32(record + 4));
    const QSize outer = PlausibleSize(static_cast<std::int32_t>(GetLE32(record + 8)),
                                      static_cast<std::int32_t>(GetLE32(record + 12)), window->frameGeometry().size());
    const bool restorePosition = restoring_ != TFormRestorerOption::frSizeOnly;
    const bool restoreSize = restoring_ != TFormRestorerOption::frPositionOnly;

    if (restorePosition && CanPlaceWindows()) {
        // move() places a window by its frame.
        const QSize frameSize = restoreSize ? outer : window->frameGeometry().size();
        MoveFrame(window, OnScreen(left, top, frameSize));
    }
    if (restoreSize) SetFrameSize(window, outer);
}

void TFormRestorer::SavePlacement()
{
    TForm* form = OwnerForm();
    QWidget* window = form ? form->Window() : nullptr;
    if (!window) return;
    const QRect frame = window->frameGeometry();
    std::uint8_t record[16];
    PutLE32(record, static_cast<uint32_t>(frame.left()));
    PutLE32(record + 4, static_cast<uint32_t>(frame.top()));
    PutLE32(record + 8, static_cast<uint32_t>(frame.width()));
    PutLE32(record + 12, static_cast<uint32_t>(frame.height()));
    if (Registry().SetValue(Handle(), ValueName, rtBinary, record, sizeof record) != regSuccess)
        throw ERegistryError(std::string(msg::ErrorWriting));
}
