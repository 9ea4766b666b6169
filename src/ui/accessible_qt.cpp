#include "ui/accessible_qt.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <cstdlib>
#include <limits>
#include <utility>

#include "ui/picture_control_qt.h"

namespace pm {

namespace {

class DrawnKeyAccessible : public QAccessibleWidget {
public:
    explicit DrawnKeyAccessible(PictureControl* key)
        : QAccessibleWidget(key, QAccessible::Button)
    {
    }

    // Asked each time: the mouse handlers are set once the key is made.
    QAccessible::Role role() const override
    {
        return key()->onMouseDown ? QAccessible::Button : QAccessible::Graphic;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (const auto checked = key()->spokenChecked()) {
            s.checkable = true;
            s.checked = *checked;
        }
        return s;
    }

    QStringList actionNames() const override
    {
        if (role() == QAccessible::Button && key()->isEnabled())
            return {pressAction()};
        return {};
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction())
            key()->click();
    }

private:
    PictureControl* key() const { return static_cast<PictureControl*>(widget()); }
};

// A memo that holds working lines or takes the keypad's keystrokes off
// screen: a screen reader hears of it by its role in the window, not as a
// text to type into, and not of its scroll bars.
class HelperMemoAccessible : public QAccessibleWidget {
public:
    HelperMemoAccessible(QWidget* memo, QString name, QString description = {})
        : QAccessibleWidget(memo, QAccessible::Grouping)
        , name_(std::move(name))
        , description_(std::move(description))
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return name_;
        if (t == QAccessible::Description)
            return description_;
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

private:
    QString name_, description_;
};

// The hidden working memos of both windows, by name.
QString helperMemoName(const QString& objectName)
{
    if (objectName == QLatin1String("Test_Memo"))
        return QStringLiteral("Stored macro probe");
    if (objectName == QLatin1String("KeyCode"))
        return QStringLiteral("Display lines");
    if (objectName == QLatin1String("KeyNum"))
        return QStringLiteral("Stroke lines");
    if (objectName == QLatin1String("LineBuf"))
        return QStringLiteral("Line table");
    return {};
}

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("pm::PictureControl"))
        return new DrawnKeyAccessible(static_cast<PictureControl*>(object));
    if (className == QLatin1String("pm::KeystrokeMemo"))
        return new HelperMemoAccessible(static_cast<QWidget*>(object), QStringLiteral("Keypad"),
            QStringLiteral("Arrow keys or Tab move to the keys and the layout button; Space or Enter chooses "
                           "a key; the Menu key opens Export, Import and Restore keypad."));
    if (className == QLatin1String("QPlainTextEdit")) {
        const QString name = helperMemoName(object->objectName());
        if (!name.isEmpty())
            return new HelperMemoAccessible(static_cast<QWidget*>(object), name);
    }
    // Both windows are windows, named by their title or their own name.
    if (className == QLatin1String("pm::KeypadWindow") || className == QLatin1String("pm::EditorWindow"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    // The NumLock indicator says on or off in its name.
    if (className == QLatin1String("pm::ShapeControl"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Indicator);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

QWidget* neighbourOf(const QList<QWidget*>& candidates, const QWidget* from, int arrowKey)
{
    int dx = 0, dy = 0;
    switch (arrowKey) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default: return nullptr;
    }
    const QRect here = from->geometry();
    QWidget* best = nullptr;
    long bestCost = std::numeric_limits<long>::max();
    for (QWidget* c : candidates) {
        if (c == from || !c->isVisible() || !c->isEnabled())
            continue;
        const QRect r = c->geometry();
        // Only controls wholly beyond the current one in that direction;
        // the nearest wins, and one in line with it before one aside.
        long along = 0, aside = 0;
        if (dx > 0 && r.left() > here.right())
            along = r.left() - here.right();
        else if (dx < 0 && r.right() < here.left())
            along = here.left() - r.right();
        else if (dy > 0 && r.top() > here.bottom())
            along = r.top() - here.bottom();
        else if (dy < 0 && r.bottom() < here.top())
            along = here.top() - r.bottom();
        else
            continue;
        if (dx != 0)
            aside = std::max(0, std::max(r.top() - here.bottom(), here.top() - r.bottom()));
        else
            aside = std::max(0, std::max(r.left() - here.right(), here.left() - r.right()));
        const QPoint offset = r.center() - here.center();
        const long cost = (along + 4 * aside) * 16 + std::abs(dx != 0 ? offset.y() : offset.x());
        if (cost < bestCost) {
            bestCost = cost;
            best = c;
        }
    }
    return best;
}

} // namespace pm
