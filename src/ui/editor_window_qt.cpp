#include "ui/editor_window_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <string_view>

#include "app/session.h"
#include "editor/physical_keys.h"
#include "editor/spoken_names.h"
#include "keypad/key_table.h"
#include "ui/accessible_qt.h"
#include "ui/dispatcher.h"
#include "ui/picture_control_qt.h"
#include "ui/text_qt.h"

namespace pm {

namespace {

constexpr QSize kClientSize(972, 408);
constexpr QColor kShapeOutline(0, 0, 128); // navy

// "\BMP\l_ctrl.gif" -> "l_ctrl.gif"
QString fileNameOf(const char* literal)
{
    const QString path = QString::fromLatin1(literal);
    return path.mid(path.lastIndexOf(QLatin1Char('\\')) + 1);
}

// Where a row of a key table draws its key.
template <typename Key>
QRect rectOf(const Key& k)
{
    return QRect(k.left, k.top, k.width, k.height);
}

// A wrapped line of plain text in its own colour beside the buttons.
QLabel* noteLabel(QWidget* parent, const char* name, const QRect& geometry, const QColor& colour)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

struct Command {
    const char* name;
    int left;
    const char* tip;
    void (EditorCore::*handler)();
};

constexpr std::array<Command, 4> kCommands = {{
    {"SpeedButton1", 22, "Cancel", &EditorCore::SpeedButton1Click},
    {"SpeedButton2", 152, "Program", &EditorCore::SpeedButton2Click},
    {"SpeedButton3", 282, "Delete all", &EditorCore::SpeedButton3Click},
    {"SpeedButton4", 408, "Delete", &EditorCore::SpeedButton4Click},
}};
constexpr int kCommandTop = 286;
constexpr QSize kCommandSize(120, 33);

struct Caption {
    const char* name;
    const char* text;
    int left, top;
    bool large; // bold 16 px
};

constexpr std::array<Caption, 5> kCaptions = {{
    {"Label38", "Characters:", 22, 325, true},
    {"Text_Lines", "0", 122, 325, true},
    {"Label138", "Key:", 174, 325, true},
    {"Key_Number", "0", 233, 325, true},
    {"Label115", "NumLock", 796, 288, false},
}};

constexpr QRect kNumShapeRect(796, 305, 49, 22);

// Between the command buttons and the NumLock indicator: that typing
// records and how to leave it, and why the latest key typed recorded nothing.
constexpr QRect kKeyHintRect(540, 286, 250, 30);
constexpr QRect kKeyNoteRect(540, 317, 250, 32);
const char* const kKeyHintText
    = "Typing on your keyboard records keys too. Hold Esc for a second for the buttons.";
const char* const kCommandHintText
    = "Buttons: Tab or arrows move, Space or Enter presses, Esc goes back to typing.";
constexpr QColor kHintColour(0x50, 0x50, 0x50);
constexpr QColor kCommandHintColour(0, 0, 0xA0);
constexpr QColor kCommandHintBand(0xFF, 0xF4, 0xC0);

// Scan codes as this window system numbers them; the platform is fixed for
// the process, so it is asked once.
ScanCodes platformScanCodes()
{
    static const ScanCodes codes
        = QGuiApplication::platformName() == QLatin1String("windows") ? ScanCodes::Windows : ScanCodes::Xkb;
    return codes;
}

// Up to the next caption on its row, or for the NumLock caption the shape it
// names; the last of a row may reach the NumLock shape.
QSize captionRoom(const Caption& c)
{
    if (std::string_view(c.name) == "Label115")
        return QSize(kNumShapeRect.width(), kNumShapeRect.top() - c.top);
    int right = kNumShapeRect.left();
    for (const Caption& other : kCaptions)
        if (other.top == c.top && other.left > c.left)
            right = std::min(right, other.left);
    return QSize(right - c.left, kClientSize.height() - c.top);
}

// Every text a caption can show: the stroke count and the key's name change.
QStringList captionTexts(const Caption& c)
{
    const std::string_view name = c.name;
    QStringList texts;
    if (name == "Text_Lines") {
        for (int n = 0; n <= kMaxMacroStrokes; ++n)
            texts.append(QString::number(n));
    } else if (name == "Key_Number") {
        for (const KeypadKey& k : kKeypadKeys)
            texts.append(toDisplay(k.editorName));
    } else {
        texts.append(toDisplay(c.text));
    }
    return texts;
}

QPlainTextEdit* hiddenMemo(QWidget* parent, const char* name, const QRect& geometry, bool readOnly)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QString::fromLatin1(name));
    memo->setGeometry(geometry);
    memo->setReadOnly(readOnly);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->hide();
    return memo;
}

void setCaption(QLabel* label, const std::string& text)
{
    const QString caption = toDisplay(text);
    if (label->text() != caption) {
        label->setText(caption);
        label->adjustSize();
    }
}

} // namespace

ShapeControl::ShapeControl(QWidget* parent, const char* name, const QRect& geometry)
    : QWidget(parent)
{
    setObjectName(QString::fromLatin1(name));
    setGeometry(geometry);
}

void ShapeControl::setFill(uint32_t rgb)
{
    if (rgb == fill_)
        return;
    fill_ = rgb;
    update();
}

void ShapeControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(kShapeOutline);
    painter.setBrush(QColor::fromRgb(static_cast<QRgb>(fill_)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

EditorWindow::EditorWindow(Dispatcher& app, Dress when)
    : QWidget(nullptr, kFixedWindowFlags)
    , app_(app)
{
    installAccessibility();
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("109 Key Keyboard"));
    setFixedSize(kClientSize);
    // Before the memos, which would lay out their text in the toolkit's font
    // first; the keypad window has loaded this one already.
    setFont(uiFont(11));

    image1_ = new QLabel(this);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setGeometry(0, 0, 970, 280);
    buildKeys();
    buildCaptions();
    numShape_ = new ShapeControl(this, "NumShape", kNumShapeRect);
    keyHint_ = noteLabel(this, "KeyHint", kKeyHintRect, kHintColour);
    keyHint_->setText(QString::fromLatin1(kKeyHintText));
    keyNote_ = noteLabel(this, "KeyNote", kKeyNoteRect, QColor(0xA0, 0, 0));
    buildCommands();
    buildMacroDisplay();

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(kDoubleClickMs);
    connect(timer1_, &QTimer::timeout, this, [this] { app_.editorTick(); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(placeInside(screen->availableGeometry(), kClientSize));

    // Seen before any control: Tab must record, not move the focus.
    QApplication::instance()->installEventFilter(this);

    // The toolkit's tab order is the one command mode follows: the buttons,
    // then the keys as they are read.
    const QList<QWidget*> stops = keyboardStops();
    for (qsizetype i = 1; i < stops.size(); ++i)
        setTabOrder(stops[i - 1], stops[i]);

    if (when == Dress::Now)
        dress();
}

template <typename Key, size_t N>
void EditorWindow::drawKeyRow(const std::array<Key, N>& table, std::array<PictureControl*, N>& controls,
    void (EditorCore::*down)(int), void (EditorCore::*up)(int))
{
    for (size_t i = 0; i < N; ++i) {
        const int index = static_cast<int>(i);
        controls[i] = drawnKey(
            table[i].name, rectOf(table[i]), [index, down](EditorCore& e) { (e.*down)(index); },
            [index, up](EditorCore& e) { (e.*up)(index); });
    }
}

void EditorWindow::buildKeys()
{
    drawKeyRow(kRecordKeys, recordKeys_, &EditorCore::recordKeyMouseDown, &EditorCore::recordKeyMouseUp);
    for (size_t i = 0; i < kRecordKeys.size(); ++i)
        recordKeys_[i]->setSpoken(toDisplay(recordKeyName(kRecordKeys[i])));
    drawKeyRow(kModifierKeys, modifierKeys_, &EditorCore::modifierMouseDown, &EditorCore::modifierMouseUp);
    numLockKey_ = drawnKey(
        kNumLockKey.name, rectOf(kNumLockKey), [](EditorCore& e) { e.KeyNum1LMouseDown(); },
        [](EditorCore& e) { e.KeyNum1LMouseUp(); });

    capsLock_ = new PictureControl(this, kCapsLockKey.name, rectOf(kCapsLockKey));
    capsLock_->setEnabled(false);
    capsLock_->setAccessibleName(QStringLiteral("Caps Lock, not recorded"));
}

void EditorWindow::buildCaptions()
{
    for (size_t i = 0; i < kCaptions.size(); ++i) {
        const Caption& c = kCaptions[i];
        auto* label = new QLabel(toDisplay(c.text), this);
        label->setObjectName(QString::fromLatin1(c.name));
        label->setTextFormat(Qt::PlainText);
        label->move(c.left, c.top);
        captions_[i] = label;
        if (label->objectName() == QLatin1String("Text_Lines"))
            textLines_ = label;
        else if (label->objectName() == QLatin1String("Key_Number"))
            keyNumber_ = label;
    }
}

void EditorWindow::buildCommands()
{
    for (size_t i = 0; i < kCommands.size(); ++i) {
        const Command& c = kCommands[i];
        auto* button = new FocusDrawn<QToolButton>(this);
        button->setObjectName(QString::fromLatin1(c.name));
        button->setGeometry(QRect(QPoint(c.left, kCommandTop), kCommandSize));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIconSize(kCommandSize);
        button->setToolTip(QString::fromLatin1(c.tip));
        button->setAccessibleName(QString::fromLatin1(c.tip));
        // Reached in command mode only: a click leaves the focus where it was.
        button->setFocusPolicy(Qt::TabFocus);
        commands_[i] = button;
        const auto handler = c.handler;
        connect(button, &QToolButton::clicked, this,
            [this, handler] { app_.dispatch([this, handler] { (app_.session().editor().*handler)(); }); });
    }
}

void EditorWindow::buildMacroDisplay()
{
    keyShow_ = new QPlainTextEdit(this);
    keyShow_->setObjectName(QStringLiteral("KeyShow"));
    keyShow_->setGeometry(22, 350, 942, 50);
    keyShow_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    keyShow_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    keyShow_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The display shows the macro; what is typed goes to recording instead.
    keyShow_->setReadOnly(true);
    keyShow_->setAccessibleName(QStringLiteral("Macro"));
    keyShow_->horizontalScrollBar()->setAccessibleName(QStringLiteral("Macro, across"));
    keyShow_->verticalScrollBar()->setAccessibleName(QStringLiteral("Macro, down"));
    QPalette showPalette = keyShow_->palette();
    showPalette.setColor(QPalette::Text, Qt::blue);
    keyShow_->setPalette(showPalette);

    keyCode_ = hiddenMemo(this, "KeyCode", QRect(500, 77, 195, 68), true);
    keyNum_ = hiddenMemo(this, "KeyNum", QRect(500, 151, 195, 70), true);
    lineBuf_ = hiddenMemo(this, "LineBuf", QRect(500, 227, 195, 65), false);
}

PictureControl* EditorWindow::drawnKey(const char* name, const QRect& geometry,
    std::function<void(EditorCore&)> down, std::function<void(EditorCore&)> up)
{
    auto* key = new PictureControl(this, name, geometry);
    key->setFocusPolicy(Qt::TabFocus);
    key->onMouseDown = [this, down] { app_.dispatch([this, down] { down(app_.session().editor()); }); };
    key->onMouseUp = [this, up] { app_.dispatch([this, up] { up(app_.session().editor()); }); };
    return key;
}

void EditorWindow::dress()
{
    static_assert(std::tuple_size_v<decltype(captions_)> == kCaptions.size());
    if (dressed_)
        return;
    dressed_ = true;
    image1_->setPixmap(storedPicture(QStringLiteral("keyboard.gif")));
    for (size_t i = 0; i < recordKeys_.size(); ++i)
        recordKeys_[i]->setStored(storedPicture(QString::fromLatin1(kRecordKeys[i].picture) + QStringLiteral(".gif")));
    for (size_t i = 0; i < modifierKeys_.size(); ++i)
        modifierKeys_[i]->setStored(storedPicture(fileNameOf(kModifierKeys[i].released)));
    numLockKey_->setStored(storedPicture(fileNameOf(kNumLockReleased)));
    capsLock_->setStored(storedPicture(QStringLiteral("KeyCap.gif")));
    for (size_t i = 0; i < kCaptions.size(); ++i) {
        const Caption& c = kCaptions[i];
        captions_[i]->setFont(fittingFont(c.large ? 16 : 11, c.large, captionTexts(c), captionRoom(c)));
        captions_[i]->adjustSize();
    }
    for (size_t i = 0; i < commands_.size(); ++i)
        commands_[i]->setIcon(QIcon(storedPicture(QStringLiteral("SpeedButton%1.png").arg(i + 1))));
    keyShow_->setFont(uiFont(16, true));
}

void EditorWindow::showEvent(QShowEvent* event)
{
    dress();
    QWidget::showEvent(event);
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ContextMenu)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || !isVisible())
        return false;
    // The Menu key records App; the display's own menu would take the
    // keys typed after it.
    if (type == QEvent::ContextMenu)
        return static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    auto* key = static_cast<QKeyEvent*>(event);
    // Text sent by a program rather than typed on a key, such as the
    // keypad's acknowledgements as the runner delivers them, carries no
    // scan code and is left to the focused control.
    if (key->nativeScanCode() == 0)
        return false;
    if (key->isAutoRepeat())
        return true;
    const unsigned usage = usageOfScanCode(platformScanCodes(), key->nativeScanCode());
    const bool down = type == QEvent::KeyPress;
    if (down && app_.session().editor().state().commandMode) {
        commandKey(key, usage);
        return true;
    }
    // A release is timed from its press by the window system's stamps, so
    // a busy moment that delivers both at once does not shorten a hold.
    int64_t now = app_.clockMs();
    if (const unsigned long stamp = key->timestamp(); stamp != 0) {
        if (down) {
            pressStamp_ = stamp;
            pressClock_ = now;
        } else if (pressStamp_ != 0 && stamp >= pressStamp_) {
            now = pressClock_ + static_cast<int64_t>(stamp - pressStamp_);
        }
    }
    app_.dispatch([this, usage, down, now] {
        EditorCore& editor = app_.session().editor();
        if (down)
            editor.physicalKeyDown(usage, now);
        else
            editor.physicalKeyUp(usage, now);
    });
    return true;
}

QList<QWidget*> EditorWindow::keyboardStops() const
{
    QList<QWidget*> keys;
    for (PictureControl* k : recordKeys_)
        keys.append(k);
    for (PictureControl* k : modifierKeys_)
        keys.append(k);
    keys.append(numLockKey_);
    // Rows of the drawing are 42 pixels apart; keys of a row differ by a
    // pixel or two in their tops.
    auto row = [](const QWidget* w) { return (w->y() + 20) / 42; };
    std::stable_sort(keys.begin(), keys.end(), [&](const QWidget* a, const QWidget* b) {
        return row(a) != row(b) ? row(a) < row(b) : a->x() < b->x();
    });
    QList<QWidget*> stops;
    for (QToolButton* c : commands_)
        stops.append(c);
    stops.append(keys);
    return stops;
}

bool EditorWindow::commandKey(QKeyEvent* key, unsigned usage)
{
    QWidget* focus = focusWidget();
    const QList<QWidget*> stops = keyboardStops();
    const qsizetype at = stops.indexOf(focus);
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
        const qsizetype n = stops.size();
        qsizetype next = at < 0 ? 0 : (at + (back ? n - 1 : 1)) % n;
        // Disabled keys are passed over.
        for (qsizetype tries = 0; tries < n && !stops[next]->isEnabled(); ++tries)
            next = (next + (back ? n - 1 : 1)) % n;
        stops[next]->setFocus(Qt::TabFocusReason);
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (at < 0)
            stops.first()->setFocus(Qt::TabFocusReason);
        else if (QWidget* next = neighbourOf(stops, focus, key->key()))
            next->setFocus(Qt::TabFocusReason);
        return true;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QToolButton*>(focus); button && at >= 0)
            button->click();
        else if (auto* picture = qobject_cast<PictureControl*>(focus); picture && at >= 0)
            picture->click();
        return true;
    default: break;
    }
    if (usage == kEscapeUsage) {
        app_.dispatch([this] { app_.session().editor().leaveCommandMode(); });
        return true;
    }
    return false;
}

void EditorWindow::showCommandMode(bool on)
{
    if (on == commandMode_)
        return;
    commandMode_ = on;
    keyHint_->setText(QString::fromLatin1(on ? kCommandHintText : kKeyHintText));
    // Plainly shown: bold on a light band while the keys do not record.
    QPalette palette = keyHint_->palette();
    palette.setColor(QPalette::WindowText, on ? kCommandHintColour : kHintColour);
    palette.setColor(QPalette::Window, kCommandHintBand);
    keyHint_->setPalette(palette);
    keyHint_->setAutoFillBackground(on);
    QFont font = keyHint_->font();
    font.setBold(on);
    keyHint_->setFont(font);
    if (on)
        commands_.front()->setFocus(Qt::TabFocusReason);
    else if (keyboardStops().contains(focusWidget()))
        keyShow_->setFocus(Qt::OtherFocusReason);
}

void EditorWindow::sync(const EditorState& state, const std::string& appDir, bool realTimers)
{
    for (size_t i = 0; i < recordKeys_.size(); ++i)
        recordKeys_[i]->showSlot(appDir, state.recordPictures[i]);
    for (size_t i = 0; i < modifierKeys_.size(); ++i)
        modifierKeys_[i]->showSlot(appDir, state.modifierPictures[i]);
    numLockKey_->showSlot(appDir, state.numLockPicture);

    const QString note = toDisplay(state.keyNote);
    if (keyNote_->text() != note)
        keyNote_->setText(note);
    setCaption(textLines_, state.TextLines);
    setCaption(keyNumber_, state.KeyNumber);
    numShape_->setFill(state.numShapeFill);

    // What a screen reader hears; a change of a lock or a count is announced.
    const QString strokes = QStringLiteral("Key strokes: ") + toDisplay(state.TextLines);
    if (textLines_->accessibleName() != strokes)
        textLines_->setAccessibleName(strokes);
    const QString keyName = QStringLiteral("Key: ") + toDisplay(state.KeyNumber);
    if (keyNumber_->accessibleName() != keyName)
        keyNumber_->setAccessibleName(keyName);
    // The locks' names are made only when a lock changes: sync runs at every tick.
    const bool numLock = (state.ModState & kNumLockBit) != 0;
    if (const auto locks = std::pair(numLock, state.ModLock); spokenLocks_ != locks) {
        spokenLocks_ = locks;
        const QString numLockText = toDisplay(numLockName(numLock));
        if (numShape_->accessibleName() != numLockText)
            numShape_->setAccessibleName(numLockText);
        numLockKey_->setSpoken(numLockText, numLock);
        for (size_t i = 0; i < modifierKeys_.size(); ++i) {
            const bool locked = (state.ModLock & kModifierKeys[i].bit) != 0;
            modifierKeys_[i]->setSpoken(toDisplay(modifierKeyName(kModifierKeys[i], locked)), locked);
        }
    }
    showCommandMode(state.commandMode);

    // Only a refresh replaces the display.
    if (keyShowRevision_ != state.keyShowRevision) {
        keyShowRevision_ = state.keyShowRevision;
        const QString text = toDisplay(state.KeyShow);
        if (memoText(keyShow_) != text)
            keyShow_->setPlainText(text);
    }

    mirrorLines(keyCode_, state.KeyCode);
    mirrorLines(keyNum_, state.KeyNum);
    mirrorLines(lineBuf_, state.LineBuf);

    if (realTimers) {
        if (state.timer1Enabled) {
            if (timer1_->interval() != state.timer1Interval)
                timer1_->setInterval(state.timer1Interval);
            if (!timer1_->isActive())
                timer1_->start();
        } else if (timer1_->isActive()) {
            timer1_->stop();
        }
    }
}

void EditorWindow::closeEvent(QCloseEvent* event)
{
    // Hidden, never destroyed: the core hides the window once closing succeeded.
    event->ignore();
    app_.dispatch([this] { app_.session().editor().close(); });
}

} // namespace pm
