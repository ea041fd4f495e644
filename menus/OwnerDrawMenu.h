#pragma once
// Owner-drawn menus. Qt's style options carry no action, so the window's menu
// bar and menus are these subclasses: while owner-drawn they hand each item's
// action to their style, which lets the item's own draw and measure handlers
// do the work and leaves every other item to Qt. Each menu has a style of its
// own, since every drop-down is a window of its own.

#include <QMenu>
#include <QMenuBar>

#include <functional>

class QPainter;

// Draws one item into rect; selected is true while the item is highlighted.
using TDrawItemEvent =
    std::function<void(QAction* item, QWidget* menu, QPainter& canvas, const QRect& rect, bool selected)>;
// Sets the size the item needs; both start at 0.
using TMeasureItemEvent = std::function<void(QAction* item, QWidget* menu, int& width, int& height)>;
// Paints a part of a menu that is not an item (the bar's empty area, a
// drop-down's frame); returns false to leave it to Qt.
using TDrawMenuPartEvent = std::function<bool(QWidget* menu, QPainter& canvas, const QRect& rect)>;

// An item's owner-draw handlers. Each handler may carry a tag that says who
// installed it, so that an installer can later remove its own handler and no
// other; a handler the program gave the item itself has no tag.
const TDrawItemEvent& OnDrawItem(const QAction* item);
const TMeasureItemEvent& OnMeasureItem(const QAction* item);
const void* DrawItemTag(const QAction* item);
const void* MeasureItemTag(const QAction* item);
void SetOnDrawItem(QAction* item, TDrawItemEvent handler, const void* tag = nullptr);
void SetOnMeasureItem(QAction* item, TMeasureItemEvent handler, const void* tag = nullptr);

// The menu that shows an item: the menu bar or menu whose actions hold it
// (the first one, as an item lives in one menu).
QWidget* ParentMenu(const QAction* item);
// True for an item drawn as a separator: Qt's own, or one captioned "-".
bool IsSeparatorItem(const QAction* item);

class TOwnerDrawMenuBar : public QMenuBar {
    Q_OBJECT
public:
    explicit TOwnerDrawMenuBar(QWidget* parent = nullptr);

    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value);

    const TDrawMenuPartEvent& OnDrawEmptyArea() const { return onDrawEmptyArea_; }
    void SetOnDrawEmptyArea(TDrawMenuPartEvent handler);

    // Lays the items out again and repaints: their sizes may have changed.
    void Relayout();

    // Enters the bar from the keyboard with its first item selected, or leaves
    // it, as Alt does; F10 does it as well.
    void ToggleKeyboardMode();

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

private:
    bool ownerDraw_ = false;
    TDrawMenuPartEvent onDrawEmptyArea_;
};

class TOwnerDrawMenu : public QMenu {
    Q_OBJECT
public:
    explicit TOwnerDrawMenu(QWidget* parent = nullptr);
    TOwnerDrawMenu(const QString& title, QWidget* parent = nullptr);

    // A drop-down follows the menu that holds it; a menu of its own (a
    // pop-up menu) has its own setting.
    bool OwnerDraw() const;
    void SetOwnerDraw(bool value);

    const TDrawMenuPartEvent& OnDrawFrame() const { return onDrawFrame_; }
    void SetOnDrawFrame(TDrawMenuPartEvent handler) { onDrawFrame_ = std::move(handler); }
    // The width of the frame round the items; -1 leaves it to Qt.
    int FrameWidth() const { return frameWidth_; }
    void SetFrameWidth(int value);

    void Relayout();

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

private:
    bool ownerDraw_ = false;
    int frameWidth_ = -1;
    TDrawMenuPartEvent onDrawFrame_;
};

// The menu bar or pop-up menu at the top of the chain of menus that holds menu.
QWidget* RootMenu(QWidget* menu);
// Every owner-drawn menu below root, root included, each once.
QList<QWidget*> MenuTree(QWidget* root);
