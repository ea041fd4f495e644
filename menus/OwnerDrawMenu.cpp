#include "OwnerDrawMenu.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QShortcut>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include <algorithm>
#include <exception>

#include "HandleException.h"

namespace {

// The handlers live on the action itself, in a child object, so they go
// with it and need no table that could outlive its actions.
class TItemEvents : public QObject {
public:
    static inline const QString Name = QStringLiteral("pelorix-owner-draw-events");
    explicit TItemEvents(QAction* item) : QObject(item) { setObjectName(Name); }
    TDrawItemEvent draw;
    TMeasureItemEvent measure;
    const void* drawTag = nullptr;
    const void* measureTag = nullptr;
};

TItemEvents* FindEvents(const QAction* item)
{
    // Only TItemEvents objects carry the name.
    return item ? static_cast<TItemEvents*>(item->findChild<QObject*>(TItemEvents::Name, Qt::FindDirectChildrenOnly))
                : nullptr;
}

TItemEvents& Events(QAction* item)
{
    TItemEvents* events = FindEvents(item);
    return events ? *events : *new TItemEvents(item);
}

// The handlers run inside Qt's painting and layout: nothing they throw may
// get out into Qt.
template <class Call>
void Guarded(Call call)
{
    try {
        call();
    } catch (const std::exception& e) {
        HandleException(e);
    }
}

QAction* ItemOf(const QStyleOption* option)
{
    return option ? qobject_cast<QAction*>(option->styleObject) : nullptr;
}

// Qt widens a menu's column by its widest shortcut text on top of what the
// style measures for each item; an owner-drawn item counts its shortcut in
// its own measure, so that part is taken off again.
int QtShortcutColumn(const QMenu* menu)
{
    const QFontMetrics metrics = menu->fontMetrics();
    int width = 0;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible() || action->isSeparator()) continue;
        const QString text = action->text();
        const qsizetype tab = text.indexOf(u'\t');
        if (tab >= 0)
            width = std::max(width, metrics.horizontalAdvance(text.mid(tab + 1)));
        else if (!action->shortcut().isEmpty())
            width = std::max(width, metrics.horizontalAdvance(action->shortcut().toString(QKeySequence::NativeText)));
    }
    return width;
}

class TOwnerDrawStyle : public QProxyStyle {
public:
    TOwnerDrawStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        QAction* item = ItemOf(option);
        if ((element == CE_MenuItem || element == CE_MenuBarItem) && item) {
            // A copy: the handler may replace itself while it runs.
            if (const TDrawItemEvent draw = OnDrawItem(item)) {
                const bool selected = option->state & (State_Selected | State_Sunken);
                painter->save();
                Guarded([&] { draw(item, const_cast<QWidget*>(widget), *painter, option->rect, selected); });
                painter->restore();
                return;
            }
        }
        if (element == CE_MenuBarEmptyArea) {
            if (auto* bar = qobject_cast<const TOwnerDrawMenuBar*>(widget); bar && bar->OnDrawEmptyArea()) {
                painter->save();
                bool done = false;
                Guarded([&] { done = bar->OnDrawEmptyArea()(const_cast<QWidget*>(widget), *painter, option->rect); });
                painter->restore();
                if (done) return;
            }
        }
        QProxyStyle::drawControl(element, ForQt(option, widget).get(), painter, widget);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element == PE_FrameMenu) {
            if (auto* menu = qobject_cast<const TOwnerDrawMenu*>(widget); menu && menu->OnDrawFrame()) {
                painter->save();
                bool done = false;
                Guarded([&] { done = menu->OnDrawFrame()(const_cast<QWidget*>(widget), *painter, option->rect); });
                painter->restore();
                if (done) return;
            }
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        // As on Windows, the pointer and the keys select a disabled item too,
        // so its hint shows; the painter draws it without the highlight.
        if (hint == SH_Menu_AllowActiveAndDisabled) return true;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_MenuPanelWidth)
            if (auto* menu = qobject_cast<const TOwnerDrawMenu*>(widget); menu && menu->FrameWidth() >= 0)
                return menu->FrameWidth();
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        QAction* item = ItemOf(option);
        if ((type == CT_MenuItem || type == CT_MenuBarItem) && item) {
            if (const TMeasureItemEvent measure = OnMeasureItem(item)) {
                int width = 0, height = 0;
                Guarded([&] { measure(item, const_cast<QWidget*>(widget), width, height); });
                // Like the platform's owner-drawn menus: two average characters
                // more than measured, and the bar's items as high as the bar's
                // own, whatever they measure.
                if (widget) width += 2 * widget->fontMetrics().averageCharWidth();
                if (type == CT_MenuBarItem)
                    height = QProxyStyle::sizeFromContents(type, ForQt(option, widget).get(), size, widget).height();
                if (auto* menu = qobject_cast<const QMenu*>(widget); menu && type == CT_MenuItem)
                    width = std::max(1, width - QtShortcutColumn(menu));
                return {std::max(width, 1), std::max(height, 1)};
            }
        }
        return QProxyStyle::sizeFromContents(type, ForQt(option, widget).get(), size, widget);
    }

private:
    // Qt's own drawing gets the option as Qt made it, without the action.
    struct TForQt {
        TForQt(const QStyleOption* option, const QWidget* widget) : option(option)
        {
            auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            if (item && ItemOf(option)) {
                copy = *item;
                copy.styleObject = const_cast<QWidget*>(widget);
                this->option = &copy;
            }
        }
        TForQt(const TForQt&) = delete;
        const QStyleOption* get() const { return option; }
        const QStyleOption* option;
        QStyleOptionMenuItem copy;
    };
    static TForQt ForQt(const QStyleOption* option, const QWidget* widget) { return {option, widget}; }
};

// Sets a style of its own on menu, freed with the menu.
void GiveOwnStyle(QWidget* menu)
{
    auto* style = new TOwnerDrawStyle;
    style->setParent(menu);
    menu->setStyle(style);
}

void Relayout(QWidget* menu)
{
    QEvent change(QEvent::StyleChange);
    QCoreApplication::sendEvent(menu, &change);
    menu->updateGeometry();
    menu->update();
}

// While owner-drawn, an item with handlers goes to the style with its action.
void HandOver(bool ownerDraw, QStyleOptionMenuItem* option, const QAction* action)
{
    if (ownerDraw && action && FindEvents(action)) option->styleObject = const_cast<QAction*>(action);
}

} // namespace

const TDrawItemEvent& OnDrawItem(const QAction* item)
{
    static const TDrawItemEvent none;
    const TItemEvents* events = FindEvents(item);
    return events ? events->draw : none;
}

const TMeasureItemEvent& OnMeasureItem(const QAction* item)
{
    static const TMeasureItemEvent none;
    const TItemEvents* events = FindEvents(item);
    return events ? events->measure : none;
}

const void* DrawItemTag(const QAction* item)
{
    const TItemEvents* events = FindEvents(item);
    return events && events->draw ? events->drawTag : nullptr;
}

const void* MeasureItemTag(const QAction* item)
{
    const TItemEvents* events = FindEvents(item);
    return events && events->measure ? events->measureTag : nullptr;
}

void SetOnDrawItem(QAction* item, TDrawItemEvent handler, const void* tag)
{
    TItemEvents& events = Events(item);
    events.draw = std::move(handler);
    events.drawTag = events.draw ? tag : nullptr;
}

void SetOnMeasureItem(QAction* item, TMeasureItemEvent handler, const void* tag)
{
    TItemEvents& events = Events(item);
    events.measure = std::move(handler);
    events.measureTag = events.measure ? tag : nullptr;
}

QWidget* ParentMenu(const QAction* item)
{
    if (!item) return nullptr;
    for (QObject* object : item->associatedObjects())
        if (qobject_cast<QMenu*>(object) || qobject_cast<QMenuBar*>(object)) return static_cast<QWidget*>(object);
    return nullptr;
}

bool IsSeparatorItem(const QAction* item)
{
    return item->isSeparator() || item->text() == QStringLiteral("-");
}

QWidget* RootMenu(QWidget* menu)
{
    // Menus nest a few levels deep; the bound only guards against a menu
    // that was made to hold itself.
    for (int depth = 0; depth < 64; ++depth) {
        auto* asMenu = qobject_cast<QMenu*>(menu);
        QWidget* holder = asMenu ? ParentMenu(asMenu->menuAction()) : nullptr;
        if (!holder) return menu;
        menu = holder;
    }
    return menu;
}

QList<QWidget*> MenuTree(QWidget* root)
{
    QList<QWidget*> tree;
    if (!root) return tree;
    tree.append(root);
    for (qsizetype i = 0; i < tree.size(); ++i)
        for (QAction* action : tree[i]->actions())
            if (QMenu* sub = action->menu<QMenu*>(); sub && !tree.contains(sub)) tree.append(sub);
    return tree;
}

TOwnerDrawMenuBar::TOwnerDrawMenuBar(QWidget* parent) : QMenuBar(parent)
{
    // A desktop's global menu bar would draw the items itself.
    setNativeMenuBar(false);
    GiveOwnStyle(this);
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    f10->setContext(Qt::WindowShortcut);
    connect(f10, &QShortcut::activated, this, &TOwnerDrawMenuBar::ToggleKeyboardMode);
}

void TOwnerDrawMenuBar::ToggleKeyboardMode()
{
    if (activeAction()) {
        setActiveAction(nullptr);
        return;
    }
    const QList<QAction*> items = actions();
    const auto first = std::find_if(items.begin(), items.end(), [](QAction* item) { return item->isVisible(); });
    if (first == items.end()) return;
    // Qt keeps its keyboard mode private; a drop-down closed with Esc leaves
    // the bar in it, its item selected.
    setActiveAction(*first);
    if (QMenu* menu = (*first)->menu(); menu && menu->isVisible()) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(menu, &escape);
    }
}

void TOwnerDrawMenuBar::SetOwnerDraw(bool value)
{
    if (ownerDraw_ == value) return;
    ownerDraw_ = value;
    for (QWidget* menu : MenuTree(this)) ::Relayout(menu);
}

void TOwnerDrawMenuBar::SetOnDrawEmptyArea(TDrawMenuPartEvent handler)
{
    onDrawEmptyArea_ = std::move(handler);
    update();
}

void TOwnerDrawMenuBar::Relayout()
{
    ::Relayout(this);
}

void TOwnerDrawMenuBar::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenuBar::initStyleOption(option, action);
    HandOver(ownerDraw_, option, action);
}

TOwnerDrawMenu::TOwnerDrawMenu(QWidget* parent) : QMenu(parent)
{
    GiveOwnStyle(this);
}

TOwnerDrawMenu::TOwnerDrawMenu(const QString& title, QWidget* parent) : QMenu(title, parent)
{
    GiveOwnStyle(this);
}

bool TOwnerDrawMenu::OwnerDraw() const
{
    QWidget* root = RootMenu(const_cast<TOwnerDrawMenu*>(this));
    if (root == this) return ownerDraw_;
    if (auto* bar = qobject_cast<TOwnerDrawMenuBar*>(root)) return bar->OwnerDraw();
    if (auto* menu = qobject_cast<TOwnerDrawMenu*>(root)) return menu->ownerDraw_;
    return false;
}

void TOwnerDrawMenu::SetOwnerDraw(bool value)
{
    if (ownerDraw_ == value) return;
    ownerDraw_ = value;
    for (QWidget* menu : MenuTree(this)) ::Relayout(menu);
}

void TOwnerDrawMenu::SetFrameWidth(int value)
{
    if (frameWidth_ == value) return;
    frameWidth_ = value;
    ::Relayout(this);
}

void TOwnerDrawMenu::Relayout()
{
    ::Relayout(this);
}

void TOwnerDrawMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    HandOver(OwnerDraw(), option, action);
}
