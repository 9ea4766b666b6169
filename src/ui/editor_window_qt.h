#pragma once
// The macro editor window (TForm2): the on-screen 109-key keyboard, the
// NumLock indicator, the four command buttons and the macro display. It
// holds no logic: events go to the editor core and sync() draws its state.
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "editor/editor_core.h"
#include "ui/picture_control_qt.h"

class QLabel;
class QPlainTextEdit;
class QTimer;
class QToolButton;

namespace pm {

class Dispatcher;
class PictureControl;

// A filled rectangle with a navy outline.
class ShapeControl : public QWidget {
    Q_OBJECT
public:
    ShapeControl(QWidget* parent, const char* name, const QRect& geometry);
    void setFill(uint32_t rgb);
    uint32_t fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t fill_ = kNumShapeOff;
};

class EditorWindow : public QWidget {
    Q_OBJECT
public:
    explicit EditorWindow(Dispatcher& app, Dress when = Dress::Now);

    // The pictures and fonts; once.
    void dress();

    // Draws the core's state; with real timers, Timer1 follows the core's
    // enabled flag and interval.
    void sync(const EditorState& state, const std::string& appDir, bool realTimers);

    QPlainTextEdit* keyShow() const { return keyShow_; }
    QTimer* timer1() const { return timer1_; }
    ShapeControl* numShape() const { return numShape_; }
    PictureControl* recordKey(int i) const { return recordKeys_[static_cast<size_t>(i)]; }
    PictureControl* modifierKey(int i) const { return modifierKeys_[static_cast<size_t>(i)]; }
    PictureControl* numLockKey() const { return numLockKey_; }

    QLabel* keyHint() const { return keyHint_; }
    QLabel* keyNote() const { return keyNote_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Keys of the computer's keyboard, whichever control has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Command mode: the keyboard moves the focus and presses; true when used.
    bool commandKey(QKeyEvent* key, unsigned usage);
    // The command buttons, then the drawn keys as they are read, row by row.
    QList<QWidget*> keyboardStops() const;
    void showCommandMode(bool on);

    // The steps of building the window: the drawn keys, the captions, the
    // command buttons, and the macro display with the hidden memos.
    void buildKeys();
    void buildCaptions();
    void buildCommands();
    void buildMacroDisplay();
    // One table's drawn keys, whose press and release go to the editor core
    // with the key's index.
    template <typename Key, size_t N>
    void drawKeyRow(const std::array<Key, N>& table, std::array<PictureControl*, N>& controls,
        void (EditorCore::*down)(int), void (EditorCore::*up)(int));
    // A drawn key whose press and release go to the editor core.
    PictureControl* drawnKey(const char* name, const QRect& geometry, std::function<void(EditorCore&)> down,
        std::function<void(EditorCore&)> up);

    Dispatcher& app_;
    bool dressed_ = false;
    QLabel* image1_ = nullptr;
    PictureControl* capsLock_ = nullptr;
    std::array<QLabel*, 5> captions_{};
    std::array<QToolButton*, 4> commands_{};
    std::array<PictureControl*, kRecordKeys.size()> recordKeys_{};
    std::array<PictureControl*, kModifierKeys.size()> modifierKeys_{};
    PictureControl* numLockKey_ = nullptr;
    QLabel* textLines_ = nullptr;
    QLabel* keyNumber_ = nullptr;
    QLabel* keyHint_ = nullptr;
    QLabel* keyNote_ = nullptr;
    ShapeControl* numShape_ = nullptr;
    QPlainTextEdit* keyShow_ = nullptr;
    QPlainTextEdit* keyCode_ = nullptr;
    QPlainTextEdit* keyNum_ = nullptr;
    QPlainTextEdit* lineBuf_ = nullptr;
    QTimer* timer1_ = nullptr;
    std::optional<unsigned> keyShowRevision_;
    std::optional<std::pair<bool, uint8_t>> spokenLocks_; // NumLock and the locked modifiers told
    bool commandMode_ = false;
    // The window system's stamp of the latest key press, and the program's
    // clock when it was handled.
    unsigned long pressStamp_ = 0;
    int64_t pressClock_ = 0;
};

} // namespace pm
