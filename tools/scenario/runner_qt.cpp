#include "runner_qt.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/paths.h"
#include "device/hid_sim.h"
#include "editor/key_table.h"
#include "editor/physical_keys.h"
#include "keypad/key_table.h"
#include "ui/application_qt.h"
#include "ui/keypad_window_qt.h"
#include "ui/text_qt.h"

namespace pm::scenario {

namespace {

void expectWords(const std::vector<std::string>& words, size_t n)
{
    if (words.size() < n)
        fail("'" + words[0] + (words.size() > 1 ? " " + words[1] : std::string()) + "' needs more words");
    if (words.size() > n)
        fail("unexpected '" + words[n] + "'");
}

Qt::MouseButton qtButton(Button b)
{
    switch (b) {
    case Button::Right: return Qt::RightButton;
    case Button::Middle: return Qt::MiddleButton;
    case Button::Left: break;
    }
    return Qt::LeftButton;
}

bool isEditorList(const std::string& name)
{
    return name == "KeyCode" || name == "KeyNum" || name == "LineBuf";
}

// Controls that only show a picture: they have no text of their own.
bool isPictureControl(int window, const std::string& name)
{
    if (name == "Image1")
        return true;
    if (window == 1)
        return findKeypadKey(name) >= 0 || name == "Key_28";
    return findRecordKey(name) >= 0 || findModifierKey(name) >= 0 || name == kNumLockKey.name
        || name == kCapsLockKey.name || name == "NumShape";
}

// The character a US layout types with the key of a usage, or 0; the editor
// goes by the scan code alone.
char typedBy(unsigned usage)
{
    if (usage >= 4 && usage <= 29)
        return static_cast<char>('a' + (usage - 4));
    if (usage >= 30 && usage <= 39)
        return usage == 39 ? '0' : static_cast<char>('1' + (usage - 30));
    switch (usage) {
    case 40: return '\r';
    case 41: return '\x1b';
    case 42: return '\b';
    case 43: return '\t';
    case 44: return ' ';
    default: return 0;
    }
}

// The key code and the modifier a window system reports for the key of a
// usage; Key_unknown for keys nothing here looks at.
int qtKeyOfUsage(unsigned usage, bool shift)
{
    if (usage >= 4 && usage <= 29)
        return Qt::Key_A + static_cast<int>(usage - 4);
    if (usage >= 30 && usage <= 38)
        return Qt::Key_1 + static_cast<int>(usage - 30);
    if (usage >= 58 && usage <= 69)
        return Qt::Key_F1 + static_cast<int>(usage - 58);
    switch (usage) {
    case 39: return Qt::Key_0;
    case 40: return Qt::Key_Return;
    case 41: return Qt::Key_Escape;
    case 42: return Qt::Key_Backspace;
    case 43: return shift ? Qt::Key_Backtab : Qt::Key_Tab;
    case 44: return Qt::Key_Space;
    case 73: return Qt::Key_Insert;
    case 74: return Qt::Key_Home;
    case 75: return Qt::Key_PageUp;
    case 76: return Qt::Key_Delete;
    case 77: return Qt::Key_End;
    case 78: return Qt::Key_PageDown;
    case 79: return Qt::Key_Right;
    case 80: return Qt::Key_Left;
    case 81: return Qt::Key_Down;
    case 82: return Qt::Key_Up;
    case 83: return Qt::Key_NumLock;
    case 88: return Qt::Key_Enter;
    case 101: return Qt::Key_Menu;
    case 224:
    case 228: return Qt::Key_Control;
    case 225:
    case 229: return Qt::Key_Shift;
    case 226:
    case 230: return Qt::Key_Alt;
    case 227:
    case 231: return Qt::Key_Meta;
    default: return Qt::Key_unknown;
    }
}

Qt::KeyboardModifier modifierOfUsage(unsigned usage)
{
    switch (usage) {
    case 224:
    case 228: return Qt::ControlModifier;
    case 225:
    case 229: return Qt::ShiftModifier;
    case 226:
    case 230: return Qt::AltModifier;
    case 227:
    case 231: return Qt::MetaModifier;
    default: return Qt::NoModifier;
    }
}

// One word for what a screen reader is told a control is.
std::string roleWord(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::Button:
    case QAccessible::ButtonMenu: return "button";
    case QAccessible::CheckBox: return "checkbox";
    case QAccessible::EditableText: return "text";
    case QAccessible::StaticText: return "label";
    case QAccessible::Window:
    case QAccessible::Dialog: return "window";
    case QAccessible::StatusBar: return "statusbar";
    case QAccessible::Grouping: return "grouping";
    case QAccessible::Graphic: return "image";
    case QAccessible::Indicator: return "indicator";
    case QAccessible::PopupMenu: return "menu";
    case QAccessible::MenuItem: return "menuitem";
    case QAccessible::Client: return "client";
    case QAccessible::Pane: return "pane";
    default: return "other";
    }
}

std::string fileLines(const LineList& list)
{
    return list.toFileBytes();
}

std::string flag(bool b)
{
    return b ? "1" : "0";
}
std::string num(unsigned v)
{
    return std::to_string(v);
}

} // namespace

std::unique_ptr<QTemporaryDir> prepareOffscreen()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QTemporaryDir> runtimeDir;
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        runtimeDir = std::make_unique<QTemporaryDir>();
        if (runtimeDir->isValid())
            qputenv("XDG_RUNTIME_DIR", runtimeDir->path().toLocal8Bit());
    }
    return runtimeDir;
}

Runner::Runner(Application& app, SimulatedKeypad& sim, std::string appDir, Print print)
    : app_(app)
    , sim_(sim)
    , appDir_(std::move(appDir))
    , print_(std::move(print))
{
    // The window system's events are never delivered here (activation would
    // move the focus), so the windows stop producing them: each showing and
    // hiding would otherwise queue a few for good.
    // Nobody sees them either, so they draw only for a screenshot.
    for (const int n : {1, 2})
        if (QWidget* w = window(n)) {
            w->setAttribute(Qt::WA_DontShowOnScreen);
            w->setUpdatesEnabled(false);
        }
}

QWidget* Runner::window(int n) const
{
    const QString name = n == 1 ? QStringLiteral("Form1") : QStringLiteral("Form2");
    const char* cls = n == 1 ? "pm::KeypadWindow" : "pm::EditorWindow";
    const auto tops = QApplication::topLevelWidgets();
    for (QWidget* w : tops)
        if (w->objectName() == name)
            return w;
    for (QWidget* w : tops)
        if (w->inherits(cls))
            return w;
    return nullptr;
}

Runner::Target Runner::resolve(const std::string& ref) const
{
    if (ref == "Form1" || ref == "Form2") {
        int n = ref == "Form1" ? 1 : 2;
        QWidget* w = window(n);
        if (!w)
            fail("window " + ref + " does not exist");
        return {n, ref, w};
    }
    std::string name = ref;
    std::vector<int> order;
    if (ref.rfind("Form1.", 0) == 0 || ref.rfind("Form2.", 0) == 0) {
        order = {ref[4] - '0'};
        name = ref.substr(6);
    } else {
        QWidget* w1 = window(1);
        QWidget* w2 = window(2);
        bool form2First = !(w1 && w1->isVisible()) && w2 && w2->isVisible();
        order = form2First ? std::vector<int>{2, 1} : std::vector<int>{1, 2};
    }
    if (name.empty())
        fail("no control named in '" + ref + "'");
    for (int n : order) {
        QWidget* win = window(n);
        if (!win)
            continue;
        if (auto* w = win->findChild<QWidget*>(QString::fromStdString(name)))
            return {n, name, w};
        // Controls the windows may keep without a widget of their own.
        if (name == "Timer1" || (n == 2 && isEditorList(name)) || (n == 1 && name == "Test_Memo"))
            return {n, name, nullptr};
    }
    fail("unknown control '" + ref + "'");
}

Runner::Target Runner::resolveWidget(const std::string& ref) const
{
    Target t = resolve(ref);
    if (!t.widget)
        fail("'" + ref + "' is not a control on screen");
    return t;
}

bool Runner::canReceive(QWidget* w) const
{
    return w && w->window()->isVisible() && w->isVisible() && w->isEnabled();
}

void Runner::sendPress(QWidget* w, Button button)
{
    const QPoint local = w->rect().center();
    // A press the window system delivers first gives the focus to the
    // nearest control that takes it on a click; a sent event does not.
    for (QWidget* f = w; f; f = f->parentWidget()) {
        if (f->isEnabled() && (f->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus) {
            f->setFocus(Qt::MouseFocusReason);
            break;
        }
        if (f->isWindow())
            break;
    }
    QMouseEvent ev(QEvent::MouseButtonPress, QPointF(local), QPointF(w->mapToGlobal(local)), qtButton(button),
        qtButton(button), Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}

void Runner::sendRelease(QWidget* w, Button button)
{
    const QPoint local = w->rect().center();
    QMouseEvent ev(QEvent::MouseButtonRelease, QPointF(local), QPointF(w->mapToGlobal(local)),
        qtButton(button), Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}

void Runner::mouse(const std::vector<std::string>& words, bool press, bool release)
{
    if (words.size() < 2)
        fail("'" + words[0] + "' needs a control");
    Target t = resolveWidget(words[1]);
    Button button = parseButton(words, 2);
    if (press) {
        // The press belongs to the control under the pointer even when the
        // toolkit drops it, so the matching release is dropped as well.
        pressed_ = t.widget;
        havePress_ = true;
        pressedButton_ = button;
        if (canReceive(t.widget))
            sendPress(t.widget, button);
    }
    if (release) {
        QWidget* target = havePress_ ? pressed_.data() : t.widget;
        Button b = havePress_ ? pressedButton_ : button;
        havePress_ = false;
        pressed_ = nullptr;
        if (canReceive(target))
            sendRelease(target, b);
    }
}

void Runner::keyboard(const std::vector<std::string>& words)
{
    expectWords(words, 3);
    if (words[1] != "down" && words[1] != "up")
        fail("'keyboard' takes down or up, got '" + words[1] + "'");
    const unsigned usage = parseUsage(words[2]);
    const int row = physicalKeyOfUsage(usage);
    if (row < 0)
        fail("no key of a computer's keyboard reports usage " + words[2]);
    const bool down = words[1] == "down";
    // As X11 reports them: a modifier key's own event carries the state
    // before it, and Shift gives the upper-case letter.
    const Qt::KeyboardModifiers modifiers = held_;
    if (const Qt::KeyboardModifier m = modifierOfUsage(usage); m != Qt::NoModifier)
        held_.setFlag(m, down);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    char ch = typedBy(usage);
    if (shift && ch >= 'a' && ch <= 'z')
        ch = static_cast<char>(ch - 'a' + 'A');
    QWidget* target = app_.keyboardTarget();
    if (!target) {
        QWidget* w2 = window(2);
        target = w2 && w2->isVisible() ? w2 : window(1);
    }
    if (!target || !target->window()->isVisible())
        return;
    const QString text = ch ? toDisplay(std::string(1, ch)) : QString();
    Application::sendKey(target, down ? QEvent::KeyPress : QEvent::KeyRelease, qtKeyOfUsage(usage, shift),
        modifiers, text, scanCodeOf(kPhysicalKeys[static_cast<size_t>(row)], ScanCodes::Xkb));
}

void Runner::device(const std::vector<std::string>& words)
{
    if (words.size() < 2)
        fail("'device' needs add, remove or ack");
    std::vector<std::string> options(words.begin() + 2, words.end());
    if (words[1] == "add") {
        DeviceAdd add = parseDeviceAdd(options);
        sim_.add(add.iface, add.index);
    } else if (words[1] == "remove") {
        int index = parseDeviceRemove(options);
        if (index < 0)
            sim_.removeAll();
        else
            sim_.remove(index);
    } else if (words[1] == "ack") {
        sim_.setAck(parseAckMode(options));
    } else {
        fail("unknown device command '" + words[1] + "'");
    }
}

void Runner::close(const std::vector<std::string>& words)
{
    expectWords(words, 2);
    if (words[1] != "Form1" && words[1] != "Form2")
        fail("unknown window '" + words[1] + "'");
    const int n = words[1] == "Form1" ? 1 : 2;
    QWidget* w = window(n);
    if (!w || !w->isVisible())
        return;
    if (n == 1) {
        app_.closeKeypadWindow();
        ended_ = true;
    } else {
        app_.dispatch([this] { app_.editor().close(); });
    }
}

void Runner::shell(const std::string& command)
{
    if (command.empty())
        fail("'shell' needs a command");
    std::fflush(stdout);
    std::error_code ec;
    const auto here = std::filesystem::current_path(ec);
    std::filesystem::current_path(appDir_, ec);
    if (ec)
        fail("cannot enter the application directory " + appDir_);
    // system() hands the line to /bin/sh -c and waits for it.
    [[maybe_unused]] int status = std::system(command.c_str());
    std::filesystem::current_path(here, ec);
}

void Runner::deliverPosted()
{
    // Posted events only: timers must wait for tick lines, and the window
    // system's events (activation moves the focus) never reached the windows.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Runner::changeDirectory(const std::string& dir)
{
    if (dir.empty())
        fail("'chdir' needs a directory");
    std::error_code ec;
    std::filesystem::current_path(dir, ec);
    if (ec)
        fail("cannot change to directory '" + dir + "'");
}

void Runner::screenshot(const std::string& ref, const std::string& file)
{
    Target t = resolveWidget(ref);
    QWidget* top = t.widget->window();
    top->setUpdatesEnabled(true);
    const QPixmap shot = t.widget->grab();
    top->setUpdatesEnabled(false);
    if (!shot.save(QString::fromLocal8Bit(file.c_str()), "PNG"))
        fail("cannot write screenshot '" + file + "'");
}

bool Runner::run(const ScriptLine& line)
{
    const auto& words = line.words;
    const std::string& cmd = words[0];
    if (cmd == "down") {
        mouse(words, true, false);
    } else if (cmd == "up") {
        mouse(words, false, true);
    } else if (cmd == "click") {
        mouse(words, true, true);
    } else if (cmd == "dblclick") {
        mouse(words, true, true);
        mouse(words, true, true);
    } else if (cmd == "key") {
        expectWords(words, 2);
        if (words[1].size() != 1)
            fail("'key' takes one character, got '" + words[1] + "'");
        app_.typeIntoFocus(words[1]);
    } else if (cmd == "keyboard") {
        keyboard(words);
    } else if (cmd == "tick") {
        for (int i = parseCount(words, 1); i > 0; --i)
            app_.tick();
    } else if (cmd == "editor-tick") {
        for (int i = parseCount(words, 1); i > 0; --i)
            app_.editorTick();
    } else if (cmd == "close") {
        close(words);
    } else if (cmd == "focus") {
        expectWords(words, 2);
        resolveWidget(words[1]).widget->setFocus(Qt::MouseFocusReason);
    } else if (cmd == "chdir") {
        changeDirectory(line.rest);
    } else if (cmd == "shell") {
        shell(line.rest);
    } else if (cmd == "screenshot") {
        expectWords(words, 3);
        screenshot(words[1], words[2]);
    } else if (cmd == "device") {
        device(words);
    } else if (cmd == "print") {
        query(words);
    } else if (cmd == "action") {
        action(line);
    } else {
        fail("unknown command '" + cmd + "'");
    }
    deliverPosted();
    if (app_.ended())
        ended_ = true;
    return !ended_;
}

std::string Runner::widgetText(const QWidget* w) const
{
    if (auto* memo = qobject_cast<const QPlainTextEdit*>(w))
        return fromDisplay(memoText(memo));
    if (auto* edit = qobject_cast<const QTextEdit*>(w))
        return fromDisplay(edit->toPlainText());
    if (auto* edit = qobject_cast<const QLineEdit*>(w))
        return fromDisplay(edit->text());
    if (auto* label = qobject_cast<const QLabel*>(w))
        return fromDisplay(label->text());
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        return fromDisplay(button->text());
    fail("'" + w->objectName().toStdString() + "' has no text");
}

std::string Runner::textOf(const Target& t) const
{
    if (t.isWindow())
        return fromDisplay(t.widget->windowTitle());
    const auto& ed = app_.editor().state();
    const auto& kp = app_.keypad().state();
    if (t.window == 2) {
        if (t.name == "KeyCode")
            return fileLines(ed.KeyCode);
        if (t.name == "KeyNum")
            return fileLines(ed.KeyNum);
        if (t.name == "LineBuf")
            return fileLines(ed.LineBuf);
        if (t.name == "Text_Lines")
            return ed.TextLines;
        if (t.name == "Key_Number")
            return ed.KeyNumber;
    } else {
        if (t.name == "Test_Memo")
            return fileLines(kp.Test_Memo);
        if (t.name == "BitBtn1")
            return kp.bitBtn1Caption;
        if (t.name == "StatusBar")
            return app_.scheduler().statusLine().text;
    }
    if (!t.widget || isPictureControl(t.window, t.name))
        fail("'" + t.name + "' has no text");
    return widgetText(t.widget);
}

std::string Runner::pictureOf(const Target& t) const
{
    auto slotOrStored = [](const std::string& slot) { return slot.empty() ? std::string("stored") : slot; };
    if (t.name == "Image1")
        return "stored";
    if (t.window == 1) {
        if (int i = findKeypadKey(t.name); i >= 0)
            return slotOrStored(app_.keypad().state().keyPictures[static_cast<size_t>(i)]);
        if (t.name == "Key_28")
            return "stored";
    } else {
        const auto& ed = app_.editor().state();
        if (int i = findRecordKey(t.name); i >= 0)
            return slotOrStored(ed.recordPictures[static_cast<size_t>(i)]);
        if (int i = findModifierKey(t.name); i >= 0)
            return slotOrStored(ed.modifierPictures[static_cast<size_t>(i)]);
        if (t.name == kNumLockKey.name)
            return slotOrStored(ed.numLockPicture);
        if (t.name == kCapsLockKey.name)
            return "stored";
    }
    fail("'" + t.name + "' shows no picture");
}

void Runner::action(const ScriptLine& line)
{
    const auto& words = line.words;
    if (words.size() < 2)
        fail("'action' needs export, import or restore");
    auto* form1 = qobject_cast<KeypadWindow*>(window(1));
    if (!form1)
        fail("the keypad window does not exist");
    if (words[1] == "restore") {
        expectWords(words, 2);
        form1->restoreKeypad();
        return;
    }
    if (words[1] != "export" && words[1] != "import")
        fail("unknown action '" + words[1] + "'");
    // The file is the rest of the line, as a file dialog would return it:
    // relative names are below the application directory.
    std::string file = line.rest.substr(words[1].size());
    file.erase(0, file.find_first_not_of(" \t"));
    if (file.empty())
        fail("'action " + words[1] + "' needs a file");
    if (!std::filesystem::path(file).is_absolute())
        file = (std::filesystem::path(app_.context().AppDir) / file).string();
    if (words[1] == "export")
        form1->exportMacrosTo(toDisplay(file));
    else
        form1->importMacrosFrom(toDisplay(file));
}

std::string Runner::accessibleOf(const Target& t) const
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(t.widget);
    if (!iface)
        fail("'" + t.name + "' is not told to a screen reader");
    const QAccessible::State st = iface->state();
    std::string out
        = "role=" + roleWord(iface->role()) + " name=" + quote(fromDisplay(iface->text(QAccessible::Name)));
    // The runner's windows are never active, so the toolkit never says focused.
    const bool focused = !t.isWindow() && t.widget == app_.focusedControl();
    const std::pair<bool, const char*> states[] = {{st.focusable, "focusable"}, {focused, "focused"},
        {st.disabled, "disabled"}, {st.checked, "checked"}, {st.pressed, "pressed"},
        {st.invisible || !t.widget->isVisible(), "invisible"}};
    for (const auto& [on, word] : states)
        if (on)
            out += std::string(" ") + word;
    return out;
}

void Runner::printState()
{
    const auto& s = app_.context().state;
    print_("state CurrentKey=" + num(s.CurrentKey) + " DetectCountdown=" + num(s.DetectCountdown)
        + " TimeoutTicks=" + num(s.TimeoutTicks) + " DeviceFlags=" + num(s.DeviceFlags)
        + " KeypadFound=" + num(s.KeypadFound) + " ProgramState=" + num(s.ProgramState)
        + " WritePending=" + num(s.WritePending) + " WriteOk=" + num(s.WriteOk)
        + " KeypadMode=" + num(s.KeypadMode) + " StatusCode=" + num(s.StatusCode));
}

void Runner::printLines(const std::string& name)
{
    Target t = resolve(name);
    std::vector<std::string> lines;
    const auto& ed = app_.editor().state();
    if (t.window == 2 && t.name == "KeyCode")
        lines = ed.KeyCode.lines();
    else if (t.window == 2 && t.name == "KeyNum")
        lines = ed.KeyNum.lines();
    else if (t.window == 2 && t.name == "LineBuf")
        lines = ed.LineBuf.lines();
    else if (t.window == 1 && t.name == "Test_Memo")
        lines = app_.keypad().state().Test_Memo.lines();
    else if ((t.window == 1 && t.name == "Memo1") || (t.window == 2 && t.name == "KeyShow"))
        lines = LineList::splitLines(widgetText(t.widget));
    else
        fail("'" + name + "' is not a line list");
    std::string out = "lines " + name + " " + std::to_string(lines.size());
    for (const auto& l : lines)
        out += " " + quote(l);
    print_(out);
}

void Runner::printVisible(const std::string& name)
{
    Target t = resolve(name);
    bool visible;
    if (t.isWindow())
        visible = t.widget->isVisible();
    else if (t.widget)
        visible = !t.widget->isHidden();
    else if (t.name == "Timer1")
        fail("'Timer1' is a timer, not a control on screen");
    else
        visible = false; // working storage kept without a widget is never shown
    print_("visible " + name + " " + flag(visible));
}

void Runner::printEnabled(const std::string& name)
{
    Target t = resolve(name);
    bool enabled;
    if (t.name == "Timer1")
        enabled = t.window == 1 || app_.editor().state().timer1Enabled; // the keypad window's never stops
    else if (t.widget)
        enabled = t.widget->isEnabled();
    else
        fail("'" + name + "' is not a control on screen");
    print_("enabled " + name + " " + flag(enabled));
}

void Runner::printFill(const std::string& name)
{
    Target t = resolve(name);
    if (t.window != 2 || t.name != "NumShape")
        fail("'" + name + "' is not a shape");
    char buf[8];
    std::snprintf(
        buf, sizeof buf, "%06X", static_cast<unsigned>(app_.editor().state().numShapeFill & 0xFFFFFF));
    print_("fill " + name + " " + buf);
}

void Runner::printEditor()
{
    const auto& e = app_.editor().state();
    print_("editor ModState=" + num(e.ModState) + " ModLock=" + num(e.ModLock) + " ModClicks="
        + num(e.ModClicks) + " ReplaceLast=" + flag(e.ReplaceLast) + " AltActive=" + flag(e.AltActive)
        + " AltLineOpen=" + flag(e.AltLineOpen) + " AltStrokes=" + num(e.AltStrokes) + " Timer1="
        + flag(e.timer1Enabled) + " AltText=" + quote(e.AltText) + " KeyText=" + quote(e.KeyText));
}

void Runner::printTables()
{
    const auto& e = app_.editor().state();
    std::string out = "tables LineLen=";
    for (size_t i = 0; i < e.LineLen.size(); ++i)
        out += (i ? "," : "") + std::to_string(e.LineLen[i]);
    out += " LineStrokes=";
    for (size_t i = 0; i < e.LineStrokes.size(); ++i)
        out += (i ? "," : "") + std::to_string(e.LineStrokes[i]);
    print_(out);
}

void Runner::printReports()
{
    auto reports = sim_.takeReports();
    print_("reports " + std::to_string(reports.size()));
    for (const auto& r : reports) {
        std::string out = std::string("report ") + (r.ok ? "ok" : "fail");
        if (!r.bytes.empty())
            out += " " + hexBytes(r.bytes.data(), r.bytes.size());
        print_(out);
    }
}

void Runner::printFile(const std::string& literal)
{
    if (literal.empty() || literal[0] != '\\')
        fail("a file is named below the application directory, beginning with a backslash");
    const std::string path = platformPath(app_.context().AppDir, literal);
    std::error_code ec;
    std::ifstream in(path, std::ios::binary);
    if (!std::filesystem::is_regular_file(path, ec) || !in) {
        print_("file " + literal + " missing");
    } else {
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        print_("file " + literal + " " + quote(bytes));
    }
}

void Runner::query(const std::vector<std::string>& words)
{
    if (words.size() < 2)
        fail("'print' needs a query");
    const std::string& q = words[1];
    auto& ctx = app_.context();
    if (q == "state") {
        expectWords(words, 2);
        printState();
    } else if (q == "status") {
        expectWords(words, 2);
        print_("status " + quote(app_.scheduler().statusLine().text));
    } else if (q == "text") {
        expectWords(words, 3);
        print_("text " + words[2] + " " + quote(textOf(resolve(words[2]))));
    } else if (q == "lines") {
        expectWords(words, 3);
        printLines(words[2]);
    } else if (q == "picture") {
        expectWords(words, 3);
        print_("picture " + words[2] + " " + pictureOf(resolve(words[2])));
    } else if (q == "visible") {
        expectWords(words, 3);
        printVisible(words[2]);
    } else if (q == "enabled") {
        expectWords(words, 3);
        printEnabled(words[2]);
    } else if (q == "focus") {
        expectWords(words, 2);
        QWidget* f = app_.focusedControl();
        while (f && f->objectName().isEmpty() && !f->isWindow())
            f = f->parentWidget();
        print_("focus " + (f ? f->objectName().toStdString() : std::string("none")));
    } else if (q == "fill") {
        expectWords(words, 3);
        printFill(words[2]);
    } else if (q == "editor") {
        expectWords(words, 2);
        printEditor();
    } else if (q == "tables") {
        expectWords(words, 2);
        printTables();
    } else if (q == "image") {
        expectWords(words, 2);
        print_("image " + hexBytes(ctx.image.data() + 1, 64));
    } else if (q == "reports") {
        expectWords(words, 2);
        printReports();
    } else if (q == "file") {
        expectWords(words, 3);
        printFile(words[2]);
    } else if (q == "handles") {
        expectWords(words, 2);
        const auto& link = ctx.link;
        auto handle = [](HidHandle h) { return h != kInvalidHandle ? "open" : "invalid"; };
        print_(std::string("handles DeviceHandle=") + handle(link.DeviceHandle) + " WriteHandle="
            + handle(link.WriteHandle) + " OutputReportLength=" + std::to_string(link.OutputReportLength));
    } else if (q == "tooltip") {
        expectWords(words, 3);
        Target t = resolve(words[2]);
        print_(
            "tooltip " + words[2] + " " + quote(t.widget ? fromDisplay(t.widget->toolTip()) : std::string()));
    } else if (q == "accessible") {
        expectWords(words, 3);
        print_("accessible " + words[2] + " " + accessibleOf(resolveWidget(words[2])));
    } else if (q == "discovery") {
        expectWords(words, 2);
        print_("discovery attempts=" + std::to_string(ctx.link.discoveryAttempts));
    } else {
        fail("unknown query '" + q + "'");
    }
}

} // namespace pm::scenario
