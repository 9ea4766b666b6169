#include "ui/picture_control_qt.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QDir>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QResource>
#include <QStyle>
#include <QStyleOption>

#include "base/paths.h"
#include "ui/raw_picture.h"

namespace pm {

QPixmap storedPicture(const QString& name)
{
    // Shared by every control showing it; the windows live as long as the program.
    static QHash<QString, QPixmap> decoded;
    const QString key = name.toLower();
    if (const auto done = decoded.constFind(key); done != decoded.constEnd())
        return done.value();
    QPixmap picture;
    // What start-up shows is also held as plain pixels (":/raw/<lower-case name>").
    const QResource raw(QStringLiteral(":/raw/") + key);
    if (raw.isValid())
        picture = QPixmap::fromImage(rawPictureImage(raw.uncompressedData()));
    if (picture.isNull()) {
        // Resource paths are case-sensitive; the picture names of the key tables
        // are not always spelled the way the artwork was stored.
        static const QHash<QString, QString> byLowerName = [] {
            QHash<QString, QString> map;
            const QDir dir(QStringLiteral(":/art"));
            for (const QString& entry : dir.entryList(QDir::Files))
                map.insert(entry.toLower(), dir.filePath(entry));
            return map;
        }();
        const auto it = byLowerName.constFind(key);
        if (it == byLowerName.constEnd())
            return {};
        picture = QPixmap(it.value());
    }
    decoded.insert(key, picture);
    return picture;
}

QIcon appIcon()
{
    QIcon icon;
    for (const QString& entry : QDir(QStringLiteral(":/raw")).entryList({QStringLiteral("icon_*.png")}, QDir::Files))
        icon.addPixmap(storedPicture(entry));
    return icon;
}

QPixmap filePicture(const std::string& appDir, const std::string& literal)
{
    const std::string path = findExisting(platformPath(appDir, literal));
    return QPixmap(QString::fromLocal8Bit(path.c_str()));
}

void drawFocusRing(QWidget* control)
{
    QPainter painter(control);
    const QRect r = control->rect();
    painter.setBrush(Qt::NoBrush);
    const QRect ring = r.adjusted(3, 3, -4, -4);
    painter.setPen(QPen(QColor(0, 0, 0), 6));
    painter.drawRect(ring);
    painter.setPen(QPen(QColor(255, 204, 0), 3));
    painter.drawRect(ring);
}

PictureControl::PictureControl(QWidget* parent, const char* name, const QRect& geometry)
    : QLabel(parent)
{
    setObjectName(QString::fromLatin1(name));
    setGeometry(geometry);
    setScaledContents(true);
    setCursor(Qt::PointingHandCursor);
}

void PictureControl::setSpoken(const QString& name, std::optional<bool> checked)
{
    if (accessibleName() != name)
        setAccessibleName(name); // announced as a name change
    if (checked_ != checked) {
        checked_ = checked;
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void PictureControl::click()
{
    if (!isEnabled() || !onMouseDown)
        return;
    onMouseDown();
    // Choosing a keypad key hides its window: the release then goes nowhere.
    if (isVisible() && onMouseUp)
        onMouseUp();
}

void PictureControl::setStored(const QPixmap& picture)
{
    stored_ = picture;
    if (slot_.empty())
        setPixmap(stored_);
}

void PictureControl::showSlot(const std::string& appDir, const std::string& literal)
{
    if (literal == slot_)
        return;
    slot_ = literal;
    if (literal.empty()) {
        setPixmap(stored_);
        return;
    }
    const QPixmap picture = filePicture(appDir, literal);
    if (picture.isNull())
        clear();
    else
        setPixmap(picture);
}

void PictureControl::paintEvent(QPaintEvent* event)
{
    // The toolkit greys a disabled label's picture anew at every paint; the
    // keypad's 18 disabled keys share one picture, so it is greyed once.
    const QPixmap shown = pixmap();
    if (isEnabled() || shown.isNull() || margin() != 0) {
        QLabel::paintEvent(event);
        if (hasFocus())
            drawFocusRing(this);
        return;
    }
    QStyleOption opt;
    opt.initFrom(this);
    const QRect cr = contentsRect();
    const qreal dpr = devicePixelRatio();
    const QSize size = hasScaledContents() ? cr.size() * dpr : shown.size();
    const QString key = QStringLiteral("pm-disabled-%1-%2x%3-%4-%5")
                            .arg(shown.cacheKey())
                            .arg(size.width())
                            .arg(size.height())
                            .arg(qRound(dpr * 1000))
                            .arg(opt.palette.cacheKey());
    QPixmap grey;
    if (!QPixmapCache::find(key, &grey)) {
        QPixmap source = shown;
        if (hasScaledContents()) {
            source = QPixmap::fromImage(
                shown.toImage().scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            source.setDevicePixelRatio(dpr);
        }
        grey = style()->generatedIconPixmap(QIcon::Disabled, source, &opt);
        QPixmapCache::insert(key, grey);
    }
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemPixmap(&painter, cr, QStyle::visualAlignment(layoutDirection(), alignment()), grey);
}

void PictureControl::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
}

void PictureControl::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (onMouseDown)
        onMouseDown();
}

void PictureControl::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (onMouseUp)
        onMouseUp();
}

} // namespace pm
