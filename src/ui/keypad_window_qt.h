#pragma once
// The keypad window (TForm1): the 22 programmable keys with their legends,
// the off-screen keystroke memo, the status bar and the layout button. It
// holds no logic: events go to the keypad core and the scheduler, and sync()
// draws the core's state.
#include <QPlainTextEdit>
#include <QWidget>
#include <array>
#include <optional>
#include <string>

#include "app/scheduler.h"
#include "keypad/keypad_core.h"
#include "ui/picture_control_qt.h"

class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimer;

namespace pm {

class Dispatcher;
class PictureControl;

// Receives the keypad's acknowledgement keystrokes.
class KeystrokeMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    KeystrokeMemo(QWidget* parent, Dispatcher& app);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Dispatcher& app_;
};

// The virtual-key code of a key event: letters and digits as themselves,
// a few control keys, 0 for the rest.
uint16_t virtualKeyOf(int qtKey);

class KeypadWindow : public QWidget {
    Q_OBJECT
public:
    explicit KeypadWindow(Dispatcher& app, Dress when = Dress::Now);

    // The pictures, the fonts and the controls that show text; once.
    void dress();

    void sync(const KeypadWindowState& state, const StatusLine& statusLine,
        const std::string& restoreProgress, const std::string& appDir);

    // The context menu's items once the user has chosen a file.
    void exportMacrosTo(const QString& path);
    void importMacrosFrom(const QString& path);
    void restoreKeypad();

    QPlainTextEdit* memo1() const { return memo1_; }
    QTimer* timer1() const { return timer1_; }
    PictureControl* key(int i) const { return keys_[static_cast<size_t>(i)]; }
    QLabel* legend(int i) const { return legends_[static_cast<size_t>(i)]; }
    QStatusBar* statusBar() const { return statusBar_; }
    QPushButton* bitBtn1() const { return bitBtn1_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The background, the legends and the status bar: Export, Import, Restore.
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The keyboard over the keys and the layout button, and the keypad's
    // keystrokes wherever the focus is.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTextControls();
    // Parts of buildTextControls, made in the order the window lists its controls.
    void buildLegends();
    void buildLayoutButton();
    void buildMenu();
    // Opens the menu at pos; the focus then goes back to focusAfter.
    void openMenu(const QPoint& pos, QWidget* focusAfter);
    // The keys and the layout button, in reading order.
    QList<QWidget*> keyboardStops() const;
    // The keypad's acknowledgement typed where the memo does not see it,
    // while the job waits for it: it goes to the memo. True when it did.
    bool passAcknowledgement(QKeyEvent* event);
    // A key of the keyboard in the keypad window; true when it was used.
    bool keyPressed(QWidget* control, QKeyEvent* event);

    Dispatcher& app_;
    bool dressed_ = false;
    QLabel* image1_ = nullptr;
    PictureControl* enter_ = nullptr;
    std::array<PictureControl*, kKeypadKeys.size()> keys_{};
    std::optional<unsigned> keysRevision_; // of the tooltips and names shown
    std::array<QLabel*, kLegends.size()> legends_{};
    KeystrokeMemo* memo1_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QPlainTextEdit* testMemo_ = nullptr;
    QPushButton* bitBtn1_ = nullptr;
    QLabel* restoreProgress_ = nullptr;
    QTimer* timer1_ = nullptr;
    QMenu* popupMenu1_ = nullptr; // Export..., Import..., Restore keypad
    QWidget* focusAfterMenu_ = nullptr;
};

} // namespace pm
