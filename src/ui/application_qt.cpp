#include "ui/application_qt.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "base/errors.h"
#include "base/paths.h"
#include "base/text.h"
#include "ui/editor_window_qt.h"
#include "ui/keypad_window_qt.h"
#include "ui/picture_control_qt.h"
#include "ui/text_qt.h"

namespace pm {

namespace {

const QString kTitle = QStringLiteral("padmacro");

// The key code a keyboard reports for a typed character: letters by their
// upper-case letter, other printable characters by themselves.
int qtKeyOf(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return Qt::Key_A + (c - 'a');
    if (c == '\r' || c == '\n')
        return Qt::Key_Return;
    if (c == '\t')
        return Qt::Key_Tab;
    if (c == '\b')
        return Qt::Key_Backspace;
    if (c == 0x1B)
        return Qt::Key_Escape;
    if (c >= 0x20 && c < 0x7F)
        return c;
    return Qt::Key_unknown;
}

// Runs a task once the window has been painted and the paint flushed; or a
// second later, should the window system never ask for a paint.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget* window, std::function<void()> task)
        : QObject(window)
        , task_(std::move(task))
    {
        window->installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { run(); });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            QMetaObject::invokeMethod(this, [this] { run(); }, Qt::QueuedConnection);
        return false;
    }

private:
    void run()
    {
        if (!task_)
            return;
        const std::function<void()> task = std::move(task_);
        task_ = nullptr;
        deleteLater();
        task();
    }

    std::function<void()> task_;
};

} // namespace

Application::Application(Options options)
    : options_(std::move(options))
{
    if (!options_.onError)
        options_.onError = [](const std::string& text) {
            QMessageBox box(QMessageBox::Critical, kTitle, messageText(text), QMessageBox::Ok,
                QApplication::activeWindow());
            box.setTextFormat(Qt::PlainText);
            box.exec();
        };
    if (!options_.onMessage)
        options_.onMessage = [](const std::string& text) {
            QMessageBox box(QMessageBox::Information, kTitle, messageText(text), QMessageBox::Ok,
                QApplication::activeWindow());
            box.setTextFormat(Qt::PlainText);
            box.exec();
        };
    if (!options_.onNotice)
        options_.onNotice = [](const std::string& text) {
            auto* box = new QMessageBox(QMessageBox::Information, kTitle, messageText(text), QMessageBox::Ok,
                QApplication::activeWindow());
            box->setTextFormat(Qt::PlainText);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setModal(false);
            // The keypad's keystrokes must keep going to Memo1.
            box->setAttribute(Qt::WA_ShowWithoutActivating);
            box->show();
        };
    if (!options_.onExit)
        options_.onExit = [] { QCoreApplication::quit(); };

    session_ = std::make_unique<Session>(*options_.backend, *this);
}

Application::~Application()
{
    // The windows' timers and handlers refer to the cores: the windows go first.
    form2_.reset();
    form1_.reset();
}

bool Application::start()
{
    // The pictures, the fonts and the controls that load the font database
    // are the slow part of building the windows: the keypad window gets them
    // during the wait start-up has to make anyway, the editor when it first
    // opens. The icon, for every window, comes then too.
    form1_ = std::make_unique<KeypadWindow>(*this, Dress::Later);
    if (!options_.keypadTitle.empty()) {
        form1_->setWindowTitle(QString::fromStdString(options_.keypadTitle));
        // A screen reader says what the title says.
        form1_->setAccessibleName(form1_->windowTitle());
    }
    bool failed = false;
    const auto shown = options_.onError;
    if (!options_.startNote.empty())
        options_.onError = [&](const std::string& text) { shown(text + "\n\n" + options_.startNote); };
    dispatch([&] {
        failed = true;
        session_->start(currentDirectory(), [this] {
            form1_->dress();
            QApplication::setWindowIcon(appIcon());
            // The window system's window, made now and shown after the wait.
            form1_->winId();
        });
        failed = false;
    });
    options_.onError = shown;
    if (failed) {
        ended_ = true;
        return false;
    }
    started_ = true;
    sync();

    form1_->show();
    form1_->memo1()->setFocus();
    form1_->activateWindow();
    if (options_.realTimers) {
        form1_->timer1()->start();
        // Nothing shows the editor before a click on a drawn key.
        new AfterFirstPaint(form1_.get(), [this] { makeEditor(); });
    } else {
        makeEditor();
    }
    return true;
}

void Application::bringToFront()
{
    if (!started_ || ended_)
        return;
    QWidget* window = form2_ && form2_->isVisible() ? static_cast<QWidget*>(form2_.get()) : form1_.get();
    window->show();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

void Application::makeEditor()
{
    if (form2_ || !started_ || ended_)
        return;
    form2_ = std::make_unique<EditorWindow>(*this, Dress::Later);
    form2_->sync(editor().state(), context().AppDir, options_.realTimers);
}

EditorWindow* Application::form2()
{
    makeEditor();
    return form2_.get();
}

void Application::dispatch(const std::function<void()>& handler)
{
    std::string error;
    bool raised = false;
    ++dispatchDepth_;
    try {
        handler();
    } catch (const UiError& e) {
        raised = true;
        error = e.what();
    }
    --dispatchDepth_;
    // A handler that made the toolkit deliver another event is redrawn once,
    // by the outermost dispatch; what it changed is drawn before the error
    // box holds the screen.
    if (dispatchDepth_ == 0)
        sync();
    if (raised)
        options_.onError(error);
}

void Application::tick()
{
    if (ended_)
        return;
    ++ticks_;
    dispatch([this] { session_->tick(); });
    // A held Escape starts the editor's command mode while it is still held.
    if (!ended_ && editor().escapePending())
        dispatch([this] { editor().typingClock(clockMs()); });
    if (options_.takeAcks && !ended_)
        typeIntoFocus(options_.takeAcks());
}

void Application::editorTick()
{
    if (ended_ || !editor().state().timer1Enabled)
        return;
    dispatch([this] { editor().Timer1Timer(); });
}

void Application::typeIntoFocus(const std::string& text)
{
    for (const char ch : text) {
        QWidget* target = keyboardTarget();
        if (!target)
            continue;
        sendKey(target, QEvent::KeyPress, ch);
        sendKey(target, QEvent::KeyRelease, ch);
    }
}

void Application::sendKey(QWidget* target, QEvent::Type type, char ch, unsigned scanCode)
{
    const QString typed = ch ? toDisplay(std::string(1, ch)) : QString();
    sendKey(target, type, qtKeyOf(static_cast<unsigned char>(ch)), Qt::NoModifier, typed, scanCode);
}

void Application::sendKey(QWidget* target, QEvent::Type type, int qtKey, Qt::KeyboardModifiers modifiers,
    const QString& text, unsigned scanCode)
{
    QKeyEvent event(type, qtKey, modifiers, scanCode, 0, 0, text);
    QApplication::sendEvent(target, &event);
}

int64_t Application::clockMs() const
{
    if (!options_.realTimers)
        return ticks_ * kSchedulerTickMs;
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QWidget* Application::focusedControl() const
{
    QWidget* window = nullptr;
    if (form2_ && form2_->isVisible())
        window = form2_.get();
    else if (form1_ && form1_->isVisible())
        window = form1_.get();
    return window ? window->focusWidget() : nullptr;
}

QWidget* Application::keyboardTarget() const
{
    if (QWidget* menu = QApplication::activePopupWidget())
        return menu;
    return focusedControl();
}

void Application::showKeypad()
{
    if (!form1_)
        return;
    QWidget* focus = form1_->focusWidget();
    form1_->show();
    if (focus == nullptr || focus == form1_->memo1())
        form1_->memo1()->setFocus();
    form1_->activateWindow();
}

void Application::hideKeypad()
{
    if (form1_)
        form1_->hide();
}

void Application::showEditor()
{
    makeEditor();
    if (!form2_)
        return;
    form2_->show();
    // The first control in tab order takes the focus, as on activation.
    if (!form2_->focusWidget())
        form2_->keyShow()->setFocus();
    form2_->activateWindow();
}

void Application::hideEditor()
{
    if (form2_)
        form2_->hide();
}

void Application::focusMemo1()
{
    if (form1_)
        form1_->memo1()->setFocus();
}

void Application::clearMemo1()
{
    if (form1_)
        form1_->memo1()->clear();
}

void Application::message(const std::string& text)
{
    options_.onMessage(text);
}

void Application::notice(const std::string& text)
{
    std::fprintf(stderr, "padmacro: %s\n", escapedText(text).c_str());
    options_.onNotice(text);
}

void Application::sync()
{
    if (syncing_)
        return;
    syncing_ = true;
    if (form1_)
        form1_->sync(
            keypad().state(), scheduler().statusLine(), session_->restoreProgress(), context().AppDir);
    if (form2_)
        form2_->sync(editor().state(), context().AppDir, options_.realTimers);
    syncing_ = false;
}

void Application::closeKeypadWindow()
{
    if (ended_)
        return;
    dispatch([this] { keypad().FormClose(); });
    ended_ = true;
    if (form1_) {
        form1_->timer1()->stop();
        form1_->hide();
    }
    if (form2_) {
        form2_->timer1()->stop();
        form2_->hide();
    }
    options_.onExit();
}

} // namespace pm
