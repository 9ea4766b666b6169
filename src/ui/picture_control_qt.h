#pragma once
// One class for every drawn key of both windows: a picture that reports
// presses and releases of any mouse button, and shows either the picture held
// with the window or a picture file below AppDir.
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <functional>
#include <optional>
#include <string>

namespace pm {

// A picture held with the windows (":/art/<name>"), found without regard to
// letter case; a null pixmap while the artwork is missing. Each is decoded once.
QPixmap storedPicture(const QString& name);

// When a window gets its pictures and fonts: while it is built, or by its
// dress(), so start-up can do that work while it has to wait anyway.
enum class Dress { Now, Later };

// The program's icon at every size drawn for it.
QIcon appIcon();

// The picture file AppDir + literal; a null pixmap when it does not decode.
QPixmap filePicture(const std::string& appDir, const std::string& literal);

// The keyboard focus drawn on a control: a thick dark ring with a light
// one inside, clear on the dark key caps and on white alike.
void drawFocusRing(QWidget* control);

class PictureControl : public QLabel {
    Q_OBJECT
public:
    PictureControl(QWidget* parent, const char* name, const QRect& geometry);

    // Either callback may be left empty: that mouse event is then ignored.
    std::function<void()> onMouseDown;
    std::function<void()> onMouseUp;

    // What a screen reader is told: the name, and for a key that locks or
    // switches whether it is on. Changes are announced.
    void setSpoken(const QString& name, std::optional<bool> checked = std::nullopt);
    std::optional<bool> spokenChecked() const { return checked_; }
    // Pressed from the keyboard or by a screen reader: a press, then the
    // release while the key is still on screen, as a click.
    void click();

    void setStored(const QPixmap& picture);
    // Shows the stored picture for an empty literal, else the file; loads
    // only when the literal differs from the one shown.
    void showSlot(const std::string& appDir, const std::string& literal);
    const std::string& slot() const { return slot_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The right button chooses a key like the left one; no menu opens over it.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap stored_;
    std::optional<bool> checked_;
    std::string slot_;
};

} // namespace pm
