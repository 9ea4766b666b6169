#pragma once
// Owns the process: the shared context, the two windows and their cores, and
// the event dispatcher that runs every handler and shows what it raised.
#include <QEvent>
#include <functional>
#include <memory>
#include <string>

#include "app/session.h"
#include "ui/dispatcher.h"

class QWidget;

namespace pm {

class KeypadWindow; // TForm1
class EditorWindow; // TForm2

class Application final : public SessionShell, public Dispatcher {
public:
    struct Options {
        HidBackend* backend = nullptr; // required
        bool realTimers = true;        // false: time moves only by tick()/editorTick()
        std::string keypadTitle;       // the keypad window's title from the start; empty: none
        // Set for a keypad that does not type through the window system (the
        // simulated one): the acknowledgement keystrokes typed since the last call.
        std::function<std::string()> takeAcks;
        // Error box (the toolkit's standard one) and other message boxes.
        // Defaults show real message boxes.
        std::function<void(const std::string&)> onError;
        std::function<void(const std::string&)> onMessage;
        // A message that must not hold up the program; by default a box
        // that is not modal, and a line on standard error.
        std::function<void(const std::string&)> onNotice;
        // Shown below an error that ends start-up: which folder, why, and
        // how to choose another.
        std::string startNote;
        // The keypad window was closed: the program ends.
        std::function<void()> onExit;
    };

    explicit Application(Options options);
    ~Application() override;

    // Creates Form1 (AppDir fixed from the working directory, 100 ms wait,
    // first refresh) and then Form2, and shows Form1. False when start-up
    // failed; the error has been reported through onError.
    bool start();

    // Runs one handler: a UiError it raises is reported through onError and
    // ends the handler; the windows are redrawn from the cores afterwards.
    void dispatch(const std::function<void()>& handler) override;

    // One tick of the keypad window's timer, then the acknowledgements from
    // takeAcks are typed into the focused control.
    void tick() override;
    // One tick of the editor's timer, only while it is enabled.
    void editorTick() override;
    // Types text into an open menu, else the control with the keyboard focus
    // in the active window.
    void typeIntoFocus(const std::string& text);
    // One key event for a typed character (0: a key that types none); a
    // scan code other than 0 names the key of the keyboard that typed it.
    static void sendKey(QWidget* target, QEvent::Type type, char ch, unsigned scanCode = 0);

    // A key event with its key code, modifiers and text as a window system
    // reports them.
    static void sendKey(QWidget* target, QEvent::Type type, int qtKey, Qt::KeyboardModifiers modifiers,
        const QString& text, unsigned scanCode);

    // The program's clock in milliseconds: the steady clock, or with time
    // moved only by tick() the ticks so far.
    int64_t clockMs() const override;

    // The active window's focused control, or nullptr.
    QWidget* focusedControl() const;
    // Where the window system gives a key: an open menu, else the focused
    // control; nullptr when neither.
    QWidget* keyboardTarget() const;
    bool ended() const { return ended_; }

    Session& session() override { return *session_; }
    Context& context() { return session_->context(); }
    KeypadCore& keypad() { return session_->keypad(); }
    EditorCore& editor() { return session_->editor(); }
    Scheduler& scheduler() { return session_->scheduler(); }
    KeypadWindow* form1() const { return form1_.get(); }
    // Another start on the same folder: the window the user works in comes
    // to the front.
    void bringToFront();
    // The editor, made now if it has not been yet.
    EditorWindow* form2();

    // SessionShell
    void showKeypad() override;
    void hideKeypad() override;
    void showEditor() override;
    void hideEditor() override;
    void focusMemo1() override;
    void clearMemo1() override;
    void message(const std::string& text) override;
    void notice(const std::string& text) override;

    // Redraws both windows from the cores.
    void sync();
    // The keypad window's close box: closes the device handles and ends the program.
    void closeKeypadWindow() override;

private:
    // The editor is made once the keypad window has been drawn, or at once
    // when something needs it sooner.
    void makeEditor();

    Options options_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<KeypadWindow> form1_;
    std::unique_ptr<EditorWindow> form2_;
    bool ended_ = false;
    bool started_ = false;
    int64_t ticks_ = 0;
    int dispatchDepth_ = 0;
    bool syncing_ = false;
};

} // namespace pm
