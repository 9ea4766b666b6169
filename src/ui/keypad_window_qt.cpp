#include "ui/keypad_window_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTextDocument>
#include <QTimer>

#include "app/scheduler.h"
#include "app/session.h"
#include "ui/accessible_qt.h"
#include "ui/dispatcher.h"
#include "ui/picture_control_qt.h"
#include "ui/slash_label_qt.h"
#include "ui/text_qt.h"

namespace pm {

namespace {

constexpr QSize kClientSize(301, 532);
constexpr int kKeySize = 71;
// Enter reaches past the window's right edge.
constexpr QRect kEnterRect(231, 310, 72, 145);

// The part of the cap under a legend's top-left corner that its text may use.
QRect legendRoom(const Legend& l)
{
    const QPoint at(l.left, l.top);
    QRect cap = kEnterRect;
    for (const KeypadKey& k : kKeypadKeys)
        if (QRect(k.left, k.top, kKeySize, kKeySize).contains(at))
            cap = QRect(k.left, k.top, kKeySize, kKeySize);
    cap = cap.intersected(QRect(QPoint(0, 0), kClientSize));
    return QRect(at, cap.bottomRight());
}

// Every text the status bar and the layout button can show.
QStringList statusTexts()
{
    QStringList texts;
    for (int code = 0; code < 256; ++code)
        if (const char* text = statusMessage(static_cast<uint8_t>(code)))
            texts.append(QString::fromLatin1(text));
    return texts;
}

bool isArrow(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

// The Menu key, or Shift+F10 on keyboards without one.
bool opensMenu(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Menu
        || (event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier));
}

} // namespace

uint16_t virtualKeyOf(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<uint16_t>(qtKey);
    switch (qtKey) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    default: return 0;
    }
}

KeystrokeMemo::KeystrokeMemo(QWidget* parent, Dispatcher& app)
    : QPlainTextEdit(parent)
    , app_(app)
{
}

void KeystrokeMemo::keyPressEvent(QKeyEvent* event)
{
    const uint16_t vk = virtualKeyOf(event->key());
    app_.dispatch([this, vk] { app_.session().scheduler().Memo1KeyDown(vk); });
    // The key is not consumed: its character lands in the memo as well.
    QPlainTextEdit::keyPressEvent(event);
}

KeypadWindow::KeypadWindow(Dispatcher& app, Dress when)
    : QWidget(nullptr, kFixedWindowFlags)
    , app_(app)
{
    installAccessibility();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString());
    // The title stays empty; a screen reader still names the window.
    setAccessibleName(QStringLiteral("padmacro keypad"));
    setFixedSize(kClientSize);
    // The window role is the toolkit's button face.
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);

    // Controls from the back to the front.
    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setGeometry(-1, -6, 303, 612);
    image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image1->setCursor(Qt::DragMoveCursor);
    image1_ = image1;

    for (size_t i = 0; i < kKeypadKeys.size(); ++i) {
        const KeypadKey& k = kKeypadKeys[i];
        auto* key = new PictureControl(this, k.name, QRect(k.left, k.top, kKeySize, kKeySize));
        const int index = static_cast<int>(i);
        key->onMouseDown = [this, index] {
            app_.dispatch([this, index] { app_.session().keypad().keyMouseDown(index); });
        };
        key->onMouseUp
            = [this, index] { app_.dispatch([this, index] { app_.session().keypad().keyMouseUp(index); }); };
        // Reached with the keyboard only: a click keeps the focus where it was.
        key->setFocusPolicy(Qt::TabFocus);
        key->installEventFilter(this);
        keys_[i] = key;
    }

    enter_ = new PictureControl(this, "Key_28", kEnterRect);
    enter_->setCursor(Qt::ForbiddenCursor);
    enter_->setAccessibleName(QStringLiteral("Enter key, cannot be programmed"));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(placeInside(screen->availableGeometry(), kClientSize));
    if (when == Dress::Now)
        dress();
}

void KeypadWindow::buildLegends()
{
    QPalette legendPalette = palette();
    legendPalette.setColor(QPalette::WindowText, Qt::white);
    for (size_t i = 0; i < kLegends.size(); ++i) {
        const Legend& l = kLegends[i];
        auto* label = new QLabel(toDisplay(l.caption), this);
        label->setObjectName(QString::fromLatin1(l.name));
        label->setTextFormat(Qt::PlainText);
        label->setPalette(legendPalette);
        label->setForegroundRole(QPalette::WindowText);
        label->setAutoFillBackground(false);
        label->move(l.left, l.top);
        label->setCursor(std::string_view(l.name) == "Label31" ? Qt::DragCopyCursor : Qt::ForbiddenCursor);
        legends_[i] = label;
    }
}

void KeypadWindow::buildLayoutButton()
{
    bitBtn1_ = new FocusDrawn<QPushButton>(this);
    bitBtn1_->setObjectName(QStringLiteral("BitBtn1"));
    bitBtn1_->setGeometry(96, 462, 113, 33);
    bitBtn1_->setCursor(Qt::PointingHandCursor);
    bitBtn1_->setAutoDefault(false);
    bitBtn1_->setAccessibleDescription(
        QStringLiteral("Switches the layout: MOD0 programs the four top keys, MOD1 all 22 keys"));
    bitBtn1_->installEventFilter(this);
    connect(bitBtn1_, &QPushButton::clicked, this,
        [this] { app_.dispatch([this] { app_.session().keypad().BitBtn1Click(); }); });
}

void KeypadWindow::buildTextControls()
{
    buildLegends();

    // Beyond the right edge of the client area: never seen, but it takes the
    // focus, so the keypad's keystrokes arrive here.
    memo1_ = new KeystrokeMemo(this, app_);
    memo1_->setObjectName(QStringLiteral("Memo1"));
    memo1_->setGeometry(403, 8, 159, 97);
    // Tab leaves it for the layout button and the keys.
    memo1_->setTabChangesFocus(true);
    memo1_->installEventFilter(this);

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar"));
    statusBar_->setGeometry(0, 499, 301, 33);
    statusBar_->setSizeGripEnabled(false);

    testMemo_ = new QPlainTextEdit(this);
    testMemo_->setObjectName(QStringLiteral("Test_Memo"));
    testMemo_->setGeometry(308, 8, 89, 65);
    testMemo_->hide();

    buildLayoutButton();
    setTabOrder(memo1_, testMemo_);
    setTabOrder(testMemo_, bitBtn1_);
    // Then the keys, row by row as they are read.
    QWidget* previous = bitBtn1_;
    for (PictureControl* key : keys_) {
        setTabOrder(previous, key);
        previous = key;
    }

    // Beside the layout button, over the empty corner left of Enter's foot,
    // while a restore runs.
    restoreProgress_ = new SlashLabel(this);
    restoreProgress_->setObjectName(QStringLiteral("RestoreProgress"));
    restoreProgress_->setGeometry(212, 470, 88, 20);
    restoreProgress_->setToolTip(QStringLiteral("Keys sent to the keypad by Restore keypad"));
    restoreProgress_->hide();

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(kSchedulerTickMs);
    connect(timer1_, &QTimer::timeout, this, [this] { app_.tick(); });

    buildMenu();
}

void KeypadWindow::dress()
{
    if (dressed_)
        return;
    dressed_ = true;
    // Making the first memo loads the font database: the controls that show
    // text come with the fonts, and after the window's own, so that no
    // control lays out its text in a font it will not keep.
    setFont(uiFont(11));
    buildTextControls();
    image1_->setPixmap(storedPicture(QStringLiteral("form1_background.bmp")));
    const QPixmap keycap = storedPicture(QStringLiteral("form1_keycap.bmp"));
    for (PictureControl* key : keys_)
        key->setStored(keycap);
    enter_->setStored(storedPicture(QStringLiteral("form1_enter.bmp")));
    for (size_t i = 0; i < kLegends.size(); ++i) {
        const Legend& l = kLegends[i];
        QLabel* label = legends_[i];
        label->setFont(fittingFont(l.height, true, {label->text()}, legendRoom(l).size()));
        label->adjustSize();
    }
    statusBar_->setFont(fittingFont(13, true, statusTexts(), statusTextRoom(statusBar_->size())));
    bitBtn1_->setFont(
        fittingFont(13, true, {QString::fromLatin1(layoutName(0)), QString::fromLatin1(layoutName(1))},
            buttonTextRoom(bitBtn1_->size())));
    restoreProgress_->setFont(
        fittingFont(12, true, {QStringLiteral("Restore 26/26")}, restoreProgress_->size()));
}

void KeypadWindow::showEvent(QShowEvent* event)
{
    dress();
    QWidget::showEvent(event);
}

void KeypadWindow::sync(const KeypadWindowState& state, const StatusLine& statusLine,
    const std::string& restoreProgress, const std::string& appDir)
{
    dress();
    for (size_t i = 0; i < keys_.size(); ++i)
        keys_[i]->showSlot(appDir, state.keyPictures[i]);
    // Converted only when the keys changed: sync runs at every timer tick.
    if (keysRevision_ != state.keysRevision) {
        keysRevision_ = state.keysRevision;
        for (size_t i = 0; i < keys_.size(); ++i) {
            QString tip = toDisplay(state.keyTooltips[i]);
            // A tooltip that looks like markup would be rendered; a stored macro is text.
            if (Qt::mightBeRichText(tip))
                tip = QStringLiteral("<p style=\"white-space:pre\">") + tip.toHtmlEscaped()
                    + QStringLiteral("</p>");
            if (keys_[i]->toolTip() != tip)
                keys_[i]->setToolTip(tip);
            if (keys_[i]->isEnabled() != state.keyEnabled[i])
                keys_[i]->setEnabled(state.keyEnabled[i]);
            keys_[i]->setSpoken(toDisplay(state.keySpokenNames[i])
                + (state.keyEnabled[i] ? QString() : QString::fromStdString(kKeyUnavailable)));
        }
    }
    for (size_t i = 0; i < legends_.size(); ++i)
        if (legends_[i]->isHidden() == state.legendVisible[i])
            legends_[i]->setVisible(state.legendVisible[i]);

    const QString caption = toDisplay(state.bitBtn1Caption);
    if (bitBtn1_->text() != caption) {
        bitBtn1_->setText(caption);
        bitBtn1_->setAccessibleName(QStringLiteral("Layout ") + caption);
    }

    // Until the first discovery switches it to one simple text the bar has
    // no panels, so it shows nothing.
    const QString status = statusLine.simple ? toDisplay(statusLine.text) : QString();
    if (statusBar_->currentMessage() != status) {
        if (status.isEmpty())
            statusBar_->clearMessage();
        else
            statusBar_->showMessage(status);
        // The bar paints its message: a screen reader hears it as the bar's name.
        statusBar_->setAccessibleName(status);
    }

    mirrorLines(testMemo_, state.Test_Memo);

    const QString progress = toDisplay(restoreProgress);
    if (restoreProgress_->text() != progress)
        restoreProgress_->setText(progress);
    restoreProgress_->setVisible(!progress.isEmpty());
}

void KeypadWindow::exportMacrosTo(const QString& path)
{
    const std::string file = fromDisplay(path);
    app_.dispatch([this, file] { app_.session().exportMacros(file); });
}

void KeypadWindow::importMacrosFrom(const QString& path)
{
    const std::string file = fromDisplay(path);
    app_.dispatch([this, file] { app_.session().importMacros(file); });
}

void KeypadWindow::restoreKeypad()
{
    app_.dispatch([this] { app_.session().restoreKeypad(); });
}

void KeypadWindow::buildMenu()
{
    const QString filter = QStringLiteral("Macro exports (*.txt);;All files (*)");
    const QString folder = QDir::homePath();
    // No mnemonics and no shortcuts: a keystroke A or B must reach Memo1.
    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    popupMenu1_->setAccessibleName(QStringLiteral("Macros"));
    popupMenu1_->installEventFilter(this);
    popupMenu1_->addAction(QStringLiteral("Export\u2026"), this, [this, filter, folder] {
        const QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("Export macros"), folder + QStringLiteral("/padmacro-macros.txt"), filter);
        if (!path.isEmpty())
            exportMacrosTo(path);
    });
    popupMenu1_->addAction(QStringLiteral("Import\u2026"), this, [this, filter, folder] {
        const QString path
            = QFileDialog::getOpenFileName(this, QStringLiteral("Import macros"), folder, filter);
        if (!path.isEmpty())
            importMacrosFrom(path);
    });
    popupMenu1_->addAction(QStringLiteral("Restore keypad"), this, [this] { restoreKeypad(); });
    connect(popupMenu1_, &QMenu::aboutToHide, this, [this] {
        QWidget* after = focusAfterMenu_ ? focusAfterMenu_ : memo1_;
        focusAfterMenu_ = nullptr;
        after->setFocus(Qt::PopupFocusReason);
    });
}

void KeypadWindow::openMenu(const QPoint& pos, QWidget* focusAfter)
{
    if (popupMenu1_->isVisible())
        return;
    focusAfterMenu_ = focusAfter;
    popupMenu1_->popup(pos);
}

void KeypadWindow::contextMenuEvent(QContextMenuEvent* event)
{
    // With the mouse the focus goes back to Memo1, as after any click here.
    const bool mouse = event->reason() == QContextMenuEvent::Mouse;
    QWidget* focus = focusWidget();
    openMenu(event->globalPos(), mouse || !focus ? memo1_ : focus);
}

QList<QWidget*> KeypadWindow::keyboardStops() const
{
    QList<QWidget*> stops;
    for (PictureControl* key : keys_)
        stops.append(key);
    stops.append(bitBtn1_);
    return stops;
}

bool KeypadWindow::eventFilter(QObject* watched, QEvent* event)
{
    // An open menu takes the keys; the keypad's acknowledgement still counts.
    if (watched == popupMenu1_) {
        return event->type() == QEvent::KeyPress
            && passAcknowledgement(static_cast<QKeyEvent*>(event));
    }
    auto* control = qobject_cast<QWidget*>(watched);
    if (!control || control->window() != this)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: return keyPressed(control, static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease:
        // A key or the layout button acts on the press alone.
        return control != memo1_;
    case QEvent::ContextMenu:
        // The memo's own menu (Undo, Cut, Paste) is never offered; a key
        // pressed with the right button keeps its own handling.
        if (control == memo1_
            || static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Mouse) {
            openMenu(control->mapToGlobal(control->rect().center()), control);
            return true;
        }
        return false;
    default: return false;
    }
}

bool KeypadWindow::passAcknowledgement(QKeyEvent* event)
{
    if (!app_.session().scheduler().awaitsAcknowledgement(virtualKeyOf(event->key())))
        return false;
    QApplication::sendEvent(memo1_, event);
    return true;
}

bool KeypadWindow::keyPressed(QWidget* control, QKeyEvent* event)
{
    const int key = event->key();
    if (opensMenu(event)) {
        openMenu(control->mapToGlobal(control->rect().center()), control);
        return true;
    }
    if (control == memo1_) {
        // The arrows lead from the memo to the keys; the rest is the memo's.
        if (!isArrow(key))
            return false;
        keys_[0]->setFocus(Qt::TabFocusReason);
        return true;
    }
    // The keypad's acknowledgement arrives wherever the focus is: while the
    // job waits for it, it goes to the memo as if the memo had the focus.
    // Nothing else typed here reaches the memo.
    if (passAcknowledgement(event))
        return true;
    if (event->isAutoRepeat())
        return true;
    if (isArrow(key)) {
        if (QWidget* next = neighbourOf(keyboardStops(), control, key))
            next->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (control == bitBtn1_) {
            app_.dispatch([this] { app_.session().keypad().BitBtn1Click(); });
            // From the keyboard the focus stays on the button; the keypad's
            // keystrokes reach the memo from here as well.
            bitBtn1_->setFocus(Qt::TabFocusReason);
        } else if (auto* picture = qobject_cast<PictureControl*>(control)) {
            picture->click();
        }
        return true;
    }
    // Tab and Shift+Tab move along the tab order; anything else is nobody's.
    return key != Qt::Key_Tab && key != Qt::Key_Backtab;
}

void KeypadWindow::closeEvent(QCloseEvent* event)
{
    // The window is never destroyed by the toolkit; closing it ends the program.
    event->ignore();
    app_.closeKeypadWindow();
}

} // namespace pm
