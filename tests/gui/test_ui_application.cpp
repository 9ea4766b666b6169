// The windows driven through the application object, as the program runs
// them: a temporary application directory, the simulated keypad, and events
// sent to the widgets.
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResource>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "device/hid_sim.h"
#include "ui/application_qt.h"
#include "ui/editor_window_qt.h"
#include "ui/keypad_window_qt.h"
#include "ui/picture_control_qt.h"
#include "ui/raw_picture.h"
#include "editor/physical_keys.h"
#include "ui/text_qt.h"
#include "ui_test_support.h"

namespace fs = std::filesystem;

namespace pm {
namespace {

class Windows : public ::testing::Test {
protected:
    void SetUp() override
    {
        oldDir_ = fs::current_path();
        root_ = fs::temp_directory_path()
            / ("padmacro-ui-" + std::to_string(::getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        makeAppDir(root_);
        fs::current_path(root_);
    }

    void TearDown() override
    {
        app_.reset();
        fs::current_path(oldDir_);
        fs::remove_all(root_);
    }

    Application& start(bool realTimers = false, const std::string& startNote = {})
    {
        Application::Options o;
        o.startNote = startNote;
        o.backend = &sim_;
        o.takeAcks = [this] { return sim_.takeAcks(); };
        o.realTimers = realTimers;
        o.onError = [this](const std::string& text) { errors_.push_back(text); };
        o.onMessage = [this](const std::string& text) { messages_.push_back(text); };
        o.onExit = [this] { ++exits_; };
        app_ = std::make_unique<Application>(o);
        started_ = app_->start();
        return *app_;
    }

    template <typename T = QWidget>
    T* form1(const char* name) const
    {
        auto* w = app_->form1()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    template <typename T = QWidget>
    T* form2(const char* name) const
    {
        auto* w = app_->form2()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    std::string shown(QWidget* w) const
    {
        if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
            return fromDisplay(memoText(memo));
        if (auto* label = qobject_cast<QLabel*>(w))
            return fromDisplay(label->text());
        return {};
    }

    SimulatedKeypad sim_;
    std::unique_ptr<Application> app_;
    bool started_ = false;
    std::vector<std::string> errors_;
    std::vector<std::string> messages_;
    int exits_ = 0;
    fs::path root_;
    fs::path oldDir_;
};

TEST_F(Windows, StartShowsTheKeypadWindowInItsFirstLayout)
{
    Application& app = start();
    ASSERT_TRUE(started_);
    EXPECT_TRUE(errors_.empty());
    KeypadWindow* f1 = app.form1();
    EditorWindow* f2 = app.form2();
    ASSERT_TRUE(f1 && f2);

    EXPECT_TRUE(f1->isVisible());
    EXPECT_FALSE(f2->isVisible());
    EXPECT_EQ(f1->windowTitle(), QString());
    EXPECT_EQ(f1->minimumSize(), QSize(301, 532));
    EXPECT_EQ(f1->maximumSize(), QSize(301, 532));
    EXPECT_FALSE(f1->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(f2->windowTitle(), QStringLiteral("109 Key Keyboard"));
    EXPECT_EQ(f2->maximumSize(), QSize(972, 408));
    EXPECT_EQ(app.context().AppDir, root_.string());

    // Keystrokes go to the off-screen memo from the start.
    EXPECT_EQ(app.focusedControl(), f1->memo1());
    EXPECT_EQ(f1->memo1()->geometry(), QRect(403, 8, 159, 97));
    EXPECT_FALSE(f1->memo1()->isHidden());
    EXPECT_TRUE(form1("Test_Memo")->isHidden());
    EXPECT_EQ(form1<QPushButton>("BitBtn1")->text(), QStringLiteral("MOD0"));
    EXPECT_EQ(f1->statusBar()->currentMessage(), QString());

    for (size_t i = 0; i < kKeypadKeys.size(); ++i) {
        QWidget* key = form1(kKeypadKeys[i].name);
        EXPECT_EQ(key->geometry(), QRect(kKeypadKeys[i].left, kKeypadKeys[i].top, 71, 71)) << i;
        EXPECT_EQ(key->isEnabled(), kKeypadKeys[i].topRow) << i;
    }
    for (const Legend& l : kLegends) {
        QWidget* label = form1(l.name);
        EXPECT_FALSE(label->isHidden()) << l.name;
        EXPECT_EQ(label->pos(), QPoint(l.left, l.top)) << l.name;
        EXPECT_EQ(shown(label), l.caption) << l.name;
    }
    form1("Key_28");
    form1("Image1");

    // Every control of the editor exists under its own name.
    for (const RecordKey& k : kRecordKeys)
        EXPECT_EQ(form2(k.name)->geometry(), QRect(k.left, k.top, k.width, k.height)) << k.name;
    for (const ModifierKey& k : kModifierKeys)
        EXPECT_EQ(form2(k.name)->geometry(), QRect(k.left, k.top, k.width, k.height)) << k.name;
    for (const char* name : {"KeyNum1L", "KeyCap", "Image1", "NumShape", "KeyShow", "KeyCode", "KeyNum",
             "LineBuf", "Label38", "Text_Lines", "Label138", "Key_Number", "Label115", "SpeedButton1",
             "SpeedButton2", "SpeedButton3", "SpeedButton4"})
        form2(name);
    EXPECT_FALSE(form2("KeyCap")->isEnabled());
    EXPECT_TRUE(form2("KeyCode")->isHidden());
    EXPECT_EQ(shown(form2("Text_Lines")), "0");
}

// Start-up gives the windows their pictures and fonts later than building
// them does; they must end up looking the same as windows dressed at once.
TEST_F(Windows, WindowsDressedLateLookLikeWindowsDressedAtOnce)
{
    Application& app = start();
    ASSERT_TRUE(started_);
    KeypadWindow pad(app);
    EditorWindow editor(app);
    auto sameLook = [](QWidget* late, QWidget* early) {
        const auto lateLabels = late->findChildren<QLabel*>();
        ASSERT_EQ(lateLabels.size(), early->findChildren<QLabel*>().size());
        for (QLabel* label : lateLabels) {
            const QString name = label->objectName();
            const auto* twin = early->findChild<QLabel*>(name);
            ASSERT_NE(twin, nullptr) << name.toStdString();
            EXPECT_EQ(label->font(), twin->font()) << name.toStdString();
            if (label->text() == twin->text()) {
                EXPECT_EQ(label->size(), twin->size()) << name.toStdString();
            }
            // A key showing a picture file is not showing the one held with the window.
            const auto* key = qobject_cast<PictureControl*>(label);
            if (key && !key->slot().empty())
                continue;
            EXPECT_FALSE(label->pixmap().isNull() && !twin->pixmap().isNull()) << name.toStdString();
            EXPECT_EQ(label->pixmap().size(), twin->pixmap().size()) << name.toStdString();
        }
        EXPECT_EQ(late->font(), early->font());
    };
    EXPECT_FALSE(form1<QLabel>("Image1")->pixmap().isNull());
    sameLook(app.form1(), &pad);
    EXPECT_EQ(form1("BitBtn1")->font(), pad.bitBtn1()->font());
    EXPECT_EQ(app.form1()->statusBar()->font(), pad.statusBar()->font());

    sendMouse(form1("Key_9"), QEvent::MouseButtonPress);
    ASSERT_TRUE(app.form2()->isVisible());
    EXPECT_FALSE(form2<QLabel>("Image1")->pixmap().isNull());
    EXPECT_FALSE(form2<QLabel>("KeyCap")->pixmap().isNull());
    sameLook(app.form2(), &editor);
    EXPECT_EQ(app.form2()->keyShow()->font(), editor.keyShow()->font());
    for (const char* button : {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4"})
        EXPECT_FALSE(form2<QToolButton>(button)->icon().isNull()) << button;
}

// A disabled key (the pad in "MOD0", Caps Lock) is greyed the way any
// disabled picture label is, scaled to its size or not.
TEST(DisabledKey, LooksLikeADisabledLabel)
{
    QImage art(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < art.height(); ++y)
        for (int x = 0; x < art.width(); ++x)
            art.setPixel(x, y, qRgba(x * 6, y * 8, 200 - x * 4, x < 5 ? 90 : 255));
    const QPixmap picture = QPixmap::fromImage(art);
    for (const QSize size : {QSize(40, 30), QSize(71, 71)}) {
        QWidget parent;
        PictureControl key(&parent, "Key_13", QRect(QPoint(0, 0), size));
        key.setStored(picture);
        QLabel label(&parent);
        label.setGeometry(QRect(QPoint(0, 0), size));
        label.setScaledContents(true);
        label.setPixmap(picture);
        for (const bool enabled : {false, true, false}) {
            key.setEnabled(enabled);
            label.setEnabled(enabled);
            EXPECT_EQ(key.grab().toImage(), label.grab().toImage()) << size.width() << " enabled " << enabled;
        }
    }
}

// What start-up shows first is held as plain pixels; they must be the artwork's.
TEST(StoredPictures, PlainPixelsAreTheArtwork)
{
    QStringList names = {QStringLiteral("form1_background.bmp"), QStringLiteral("form1_keycap.bmp"),
        QStringLiteral("Form1_Enter.BMP")};
    for (const int n : {16, 24, 32, 48, 64})
        names.append(QStringLiteral("icon_%1.png").arg(n));
    for (const QString& name : names) {
        EXPECT_TRUE(QResource(QStringLiteral(":/raw/") + name.toLower()).isValid()) << name.toStdString();
        const QImage held = storedPicture(name).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage art
            = QImage(QStringLiteral(":/art/") + name.toLower()).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(art.isNull()) << name.toStdString();
        EXPECT_EQ(held, art) << name.toStdString();
    }
    EXPECT_TRUE(rawPictureImage(QByteArray("PMPX")).isNull());
    EXPECT_TRUE(rawPictureImage(encodeRawPicture(QImage(4, 4, QImage::Format_RGB32)).chopped(1)).isNull());
}

// The window manager and the task bar pick the size they need, up to 64
// pixels; larger views take the installed icons.
TEST(Icon, OffersEveryWindowSizeDrawnForIt)
{
    const QIcon icon = appIcon();
    QList<QSize> expected;
    for (const int n : {16, 24, 32, 48, 64})
        expected.append(QSize(n, n));
    QList<QSize> sizes = icon.availableSizes();
    std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
    EXPECT_EQ(sizes, expected);
    for (const QSize& size : expected) {
        const QPixmap picture = icon.pixmap(size);
        EXPECT_FALSE(picture.isNull()) << size.width();
        EXPECT_EQ(picture.size(), size);
    }
}

TEST_F(Windows, StartFailsWhenTheMacroFilesAreMissing)
{
    fs::remove_all(root_ / "log");
    Application& app = start();
    EXPECT_FALSE(started_);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("Cannot open file"), std::string::npos) << errors_[0];
    EXPECT_FALSE(app.form1()->isVisible());
    EXPECT_EQ(app.focusedControl(), nullptr);
}

TEST_F(Windows, AStartThatFailsSaysWhichFolderAndWhyBelowTheError)
{
    fs::remove_all(root_ / "log");
    start(false, "The application folder X was used because ...");
    EXPECT_FALSE(started_);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0].rfind("Cannot open file \"", 0), 0u) << errors_[0];
    EXPECT_NE(errors_[0].find("\n\nThe application folder X was used because ..."), std::string::npos)
        << errors_[0];
}

TEST_F(Windows, TypedKeystrokesReachTheSchedulerAndTheMemo)
{
    Application& app = start();
    app.typeIntoFocus("a");
    EXPECT_EQ(app.context().state.ProgramState, 1);
    app.typeIntoFocus("b"); // B only counts while the second half is awaited
    EXPECT_EQ(app.context().state.ProgramState, 1);
    app.typeIntoFocus("A");
    EXPECT_EQ(app.context().state.ProgramState, 2);
    EXPECT_EQ(shown(app.form1()->memo1()), "abA");
}

TEST_F(Windows, ChoosingAKeyOpensTheEditorWithAnyButton)
{
    Application& app = start();
    auto* key9 = form1<PictureControl>("Key_9");
    sendMouse(key9, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_TRUE(errors_.empty()) << errors_.front();
    EXPECT_TRUE(app.form2()->isVisible());
    EXPECT_FALSE(app.form1()->isVisible());
    EXPECT_EQ(shown(form2("Key_Number")), "ESC");
    EXPECT_EQ(app.context().state.CurrentKey, 40);
    EXPECT_EQ(key9->slot(), "\\BMP\\2.bmp");
    // The editor's first focusable control takes the keystrokes now.
    EXPECT_EQ(app.focusedControl(), app.form2()->keyShow());

    // A disabled pad key gets nothing.
    app.form1()->show();
    sendMouse(form1("Key_13"), QEvent::MouseButtonPress);
    EXPECT_EQ(app.context().state.CurrentKey, 40);
}

TEST_F(Windows, TheDisplayShowsTheMacroAndNeverTypedText)
{
    Application& app = start();
    sendMouse(form1("Key_10"), QEvent::MouseButtonPress);
    QPlainTextEdit* show = app.form2()->keyShow();
    app.typeIntoFocus("xy");
    EXPECT_EQ(shown(show), "");
    EXPECT_EQ(shown(form2("Text_Lines")), "0");

    click(form2("KeyQ"));
    EXPECT_EQ(shown(show), "q ");
    EXPECT_EQ(shown(form2("Text_Lines")), "1");
    EXPECT_EQ(shown(form2("KeyNum")), "0,20");

    // Shift locked by a double click, then the 2 key: its quotation mark.
    auto* shift = form2("KeyShift1L");
    click(shift);
    click(shift);
    click(form2("Key16L"));
    EXPECT_EQ(fromDisplay(show->toPlainText()), "q Shift+\xA1\xA8 ");
    EXPECT_EQ(show->toPlainText(), QString::fromUtf8("q Shift+\u201D "));
}

// Keys of the computer's keyboard as X11 reports them: scan code = the
// kernel's key code + 8.
void pressKey(QWidget* target, int scanCode, bool autoRepeat = false)
{
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, static_cast<quint32>(scanCode), 0, 0, QString(),
            autoRepeat);
        QApplication::sendEvent(target, &event);
    }
}

TEST_F(Windows, KeysTypedInTheEditorRecordWhicheverControlHasTheFocus)
{
    Application& app = start();
    sendMouse(form1("Key_10"), QEvent::MouseButtonPress);
    QPlainTextEdit* show = app.form2()->keyShow();
    ASSERT_EQ(app.focusedControl(), show);

    pressKey(show, 24); // Q
    pressKey(show, 23); // Tab records, and the focus stays
    EXPECT_EQ(shown(form2("KeyNum")), "0,20\n0,43");
    EXPECT_EQ(app.focusedControl(), show);
    EXPECT_EQ(shown(show), "q Tab ");

    pressKey(show, 24, true); // the window system's repeats of a held key
    pressKey(app.form2(), 38); // A, with no control focused
    EXPECT_EQ(shown(form2("KeyNum")), "0,20\n0,43\n0,04");

    pressKey(show, 191); // F13
    EXPECT_EQ(shown(form2("KeyNote")), "Not recorded: F13 is not on this keyboard.");
    EXPECT_TRUE(form2("KeyHint")->isVisible());

    // The keypad window's own keys are not recorded.
    app.hideEditor();
    pressKey(app.form1()->memo1(), 24);
    EXPECT_EQ(app.editor().state().KeyNum.count(), 3);
}

TEST_F(Windows, AFailingHandlerIsReportedAndLeavesTheKeypadWindowUp)
{
    Application& app = start();
    fs::remove(root_ / "BMP" / "2.bmp");
    sendMouse(form1("Key_11"), QEvent::MouseButtonPress);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("2.bmp"), std::string::npos) << errors_[0];
    EXPECT_TRUE(app.form1()->isVisible());
    EXPECT_FALSE(app.form2()->isVisible());
    EXPECT_EQ(form1<PictureControl>("Key_11")->slot(), "\\BMP\\1.bmp");
}

TEST_F(Windows, LayoutButtonSwitchesKeysLegendsAndGivesTheFocusBack)
{
    Application& app = start();
    // Empty macros everywhere: the first switch marks every key released.
    touch(root_ / "log" / "KeyCode17.txt", "x\r\n");
    auto* button = form1<QPushButton>("BitBtn1");
    click(button);
    EXPECT_TRUE(errors_.empty()) << errors_.front();
    EXPECT_EQ(button->text(), QStringLiteral("MOD1"));
    for (size_t i = 0; i < kKeypadKeys.size(); ++i)
        EXPECT_TRUE(app.form1()->key(static_cast<int>(i))->isEnabled()) << i;
    EXPECT_EQ(form1<PictureControl>("Key_22")->slot(), "\\BMP\\2.bmp");
    EXPECT_EQ(form1<PictureControl>("Key_21")->slot(), "\\BMP\\1.bmp");
    for (const Legend& l : kLegends)
        EXPECT_EQ(form1(l.name)->isHidden(), l.hiddenInMod1) << l.name;
    EXPECT_EQ(app.focusedControl(), app.form1()->memo1());

    click(button);
    EXPECT_EQ(button->text(), QStringLiteral("MOD0"));
    EXPECT_FALSE(form1("Key_22")->isEnabled());
    EXPECT_EQ(form1<PictureControl>("Key_22")->slot(), "\\BMP\\1.bmp");
    EXPECT_FALSE(form1("Label21")->isHidden());
    EXPECT_EQ(app.focusedControl(), app.form1()->memo1());
}

TEST_F(Windows, KeyNamesAndTooltipsFollowTheLayoutAndWhatTheKeysHold)
{
    start();
    auto* key22 = form1<PictureControl>("Key_22");
    const QString unavailable = QString::fromStdString(kKeyUnavailable);
    EXPECT_TRUE(key22->accessibleName().endsWith(unavailable)) << key22->accessibleName().toStdString();
    EXPECT_TRUE(key22->toolTip().contains(QStringLiteral("No macro stored")));

    touch(root_ / "log" / "KeyCode17.txt", "x\r\n");
    auto* button = form1<QPushButton>("BitBtn1");
    click(button);
    EXPECT_FALSE(key22->accessibleName().contains(unavailable)) << key22->accessibleName().toStdString();
    EXPECT_TRUE(key22->accessibleName().contains(QStringLiteral(", holds ")));
    EXPECT_TRUE(key22->toolTip().contains(QStringLiteral("\nMacro: "))) << key22->toolTip().toStdString();
    // Timer ticks that change nothing leave them as they are.
    app_->tick();
    EXPECT_TRUE(key22->accessibleName().contains(QStringLiteral(", holds ")));

    click(button);
    EXPECT_TRUE(key22->accessibleName().endsWith(unavailable)) << key22->accessibleName().toStdString();
    EXPECT_TRUE(key22->toolTip().contains(QStringLiteral("in MOD0")));
}

TEST_F(Windows, AProgrammedKeyIsAcknowledgedThroughTheFocusedMemo)
{
    sim_.add(SimulatedKeypad::Interface{}, 0);
    Application& app = start();
    QStatusBar* status = app.form1()->statusBar();
    app.tick();
    app.tick();
    EXPECT_EQ(status->currentMessage(), QString());
    app.tick();
    EXPECT_EQ(status->currentMessage(), QStringLiteral("USB Keyboard Device get"));

    sendMouse(form1("Key_12"), QEvent::MouseButtonPress);
    click(form2("KeyA"));
    click(form2<QToolButton>("SpeedButton2"));
    EXPECT_TRUE(errors_.empty()) << errors_.front();
    // Closing the editor handed the focus back to the memo, where the
    // keypad's A and B must land.
    EXPECT_TRUE(app.form1()->isVisible());
    EXPECT_FALSE(app.form2()->isVisible());
    EXPECT_EQ(app.focusedControl(), app.form1()->memo1());
    EXPECT_EQ(form1<PictureControl>("Key_12")->slot(), "\\BMP\\2.bmp");
    // The key's tooltip and name tell what it now holds.
    EXPECT_TRUE(form1("Key_12")->toolTip().contains(QStringLiteral("\nMacro: ")))
        << form1("Key_12")->toolTip().toStdString();
    EXPECT_TRUE(form1("Key_12")->accessibleName().contains(QStringLiteral(", holds ")))
        << form1("Key_12")->accessibleName().toStdString();

    app.tick(); // first half written, the keypad types a
    EXPECT_EQ(shown(app.form1()->memo1()), "a");
    app.tick(); // second half, b
    EXPECT_EQ(status->currentMessage(), QStringLiteral("Programming..."));
    app.tick();
    EXPECT_EQ(status->currentMessage(), QStringLiteral("Program OK"));
    EXPECT_EQ(shown(app.form1()->memo1()), "");
    EXPECT_EQ(sim_.takeReports().size(), 2u);
}

TEST_F(Windows, CancelGivesTheMemoTheFocusEvenIfTheWindowLostIt)
{
    Application& app = start();
    sendMouse(form1("Key_9"), QEvent::MouseButtonPress);
    app.form1()->memo1()->clearFocus();
    click(form2<QToolButton>("SpeedButton1"));
    EXPECT_TRUE(app.form1()->isVisible());
    EXPECT_EQ(app.focusedControl(), app.form1()->memo1());
    app.typeIntoFocus("a");
    EXPECT_EQ(app.context().state.ProgramState, 1);
}

// The program makes the editor after the keypad window's first paint; a key
// chosen before then still opens it, showing the key's macro.
TEST_F(Windows, AKeyChosenBeforeTheEditorWasMadeOpensIt)
{
    Application& app = start(true);
    auto shownEditors = [] {
        int n = 0;
        for (const QWidget* w : QApplication::topLevelWidgets())
            n += w->objectName() == QLatin1String("Form2") && w->isVisible();
        return n;
    };
    sendMouse(form1("Key_9"), QEvent::MouseButtonPress);
    EXPECT_TRUE(app.editor().isOpen());
    EXPECT_EQ(shownEditors(), 1);
    EXPECT_EQ(shown(form2("Key_Number")), "ESC");
}

TEST_F(Windows, EditorTimerFollowsTheCoreOnlyWithRealTimers)
{
    {
        Application& app = start(false);
        sendMouse(form1("Key_9"), QEvent::MouseButtonPress);
        click(form2("KeyCtrl1L"));
        EXPECT_TRUE(app.editor().state().timer1Enabled);
        EXPECT_FALSE(app.form2()->timer1()->isActive());
        EXPECT_FALSE(app.form1()->timer1()->isActive());
    }
    app_.reset();
    Application& app = start(true);
    EXPECT_TRUE(app.form1()->timer1()->isActive());
    EXPECT_EQ(app.form1()->timer1()->interval(), 300);
    sendMouse(form1("Key_9"), QEvent::MouseButtonPress);
    QTimer* timer = app.form2()->timer1();
    EXPECT_FALSE(timer->isActive());
    click(form2("KeyCtrl1L"));
    ASSERT_TRUE(app.editor().state().timer1Enabled);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), app.editor().state().timer1Interval);
    for (int i = 0; i < 5 && app.editor().state().timer1Enabled; ++i)
        app.editorTick();
    EXPECT_FALSE(app.editor().state().timer1Enabled);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(Windows, NumLockIndicatorAndPicturesFollowTheEditor)
{
    Application& app = start();
    sendMouse(form1("Key_9"), QEvent::MouseButtonPress);
    auto* numLock = form2<PictureControl>("KeyNum1L");
    sendMouse(numLock, QEvent::MouseButtonPress);
    EXPECT_EQ(numLock->slot(), kNumLockPressed);
    sendMouse(numLock, QEvent::MouseButtonRelease);
    EXPECT_EQ(numLock->slot(), kNumLockReleased);
    EXPECT_EQ(app.form2()->numShape()->fill(), kNumShapeOn);
    // The picture files here do not decode: the key shows nothing, no crash.
    EXPECT_TRUE(numLock->pixmap().isNull());

    auto* q = form2<PictureControl>("KeyQ");
    sendMouse(q, QEvent::MouseButtonPress);
    EXPECT_EQ(q->slot(), "\\BMP\\Q_h.gif");
}

TEST_F(Windows, CloseBoxesCloseTheEditorAndEndTheProgram)
{
    Application& app = start();
    sendMouse(form1("Key_9"), QEvent::MouseButtonPress);
    click(form2("KeyQ"));
    app.form2()->close();
    EXPECT_FALSE(app.form2()->isVisible());
    EXPECT_TRUE(app.form1()->isVisible());
    EXPECT_EQ(shown(form2("KeyCode")), "");
    EXPECT_EQ(exits_, 0);

    app.form1()->close();
    EXPECT_EQ(exits_, 1);
    EXPECT_TRUE(app.ended());
    app.tick(); // nothing runs after the end
    EXPECT_EQ(app.context().link.discoveryAttempts, 0);
}

TEST_F(Windows, BothWindowsDrawAtTheirClientSize)
{
    Application& app = start();
    const QImage keypad = app.form1()->grab().toImage();
    EXPECT_EQ(keypad.size(), QSize(301, 532));
    sendMouse(form1("Key_9"), QEvent::MouseButtonPress);
    const QImage editor = app.form2()->grab().toImage();
    EXPECT_EQ(editor.size(), QSize(972, 408));
    // The NumLock indicator is drawn in its fill with a navy outline.
    const QPoint shape = app.form2()->numShape()->geometry().topLeft();
    EXPECT_EQ(editor.pixelColor(shape + QPoint(10, 10)), QColor(0, 0, 0));
    EXPECT_EQ(editor.pixelColor(shape), QColor(0, 0, 128));

    // Legends are written in white over the dark key caps.
    const QImage legend = form1("Label17")->grab().toImage();
    int white = 0;
    for (int y = 0; y < legend.height(); ++y)
        for (int x = 0; x < legend.width(); ++x)
            white += legend.pixelColor(x, y).lightness() > 240 ? 1 : 0;
    EXPECT_GT(white, 5);

    QDir().mkpath(QStringLiteral(PADMACRO_SCREENSHOTS));
    keypad.save(QStringLiteral(PADMACRO_SCREENSHOTS "/unit-form1.png"));
    editor.save(QStringLiteral(PADMACRO_SCREENSHOTS "/unit-form2.png"));
}

} // namespace
} // namespace pm

namespace pm {
namespace {

// What a screen reader does and hears: it presses a key by its action, and
// a lock, a count and the status are in the names and states it reads.
TEST_F(Windows, AScreenReaderPressesKeysAndHearsLocksAndCounts)
{
    Application& app = start();
    ASSERT_TRUE(started_);
    QAccessibleInterface* key9 = QAccessible::queryAccessibleInterface(form1("Key_9"));
    ASSERT_NE(key9, nullptr);
    EXPECT_EQ(key9->role(), QAccessible::Button);
    EXPECT_EQ(key9->text(QAccessible::Name), QStringLiteral("ESC key, number 40, empty"));
    ASSERT_NE(key9->actionInterface(), nullptr);
    key9->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(app.form2()->isVisible());
    EXPECT_EQ(app.context().state.CurrentKey, 40);

    auto press = [](QWidget* w) {
        QAccessible::queryAccessibleInterface(w)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
    };
    QWidget* shift = form2("KeyShift1L");
    press(shift);
    press(shift);
    QAccessibleInterface* shiftIface = QAccessible::queryAccessibleInterface(shift);
    EXPECT_TRUE(shiftIface->state().checkable);
    EXPECT_TRUE(shiftIface->state().checked);
    EXPECT_EQ(shiftIface->text(QAccessible::Name), QStringLiteral("Left Shift, locked"));
    // NumLock says which way it went, on the key and on its indicator alike.
    QWidget* numLock = form2("KeyNum1L");
    const QString numLockBefore = QAccessible::queryAccessibleInterface(numLock)->text(QAccessible::Name);
    press(numLock);
    const QString numLockAfter = QAccessible::queryAccessibleInterface(numLock)->text(QAccessible::Name);
    EXPECT_NE(numLockAfter, numLockBefore);
    EXPECT_TRUE(numLockAfter == QStringLiteral("NumLock, on") || numLockAfter == QStringLiteral("NumLock, off"))
        << numLockAfter.toStdString();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form2("NumShape"))->text(QAccessible::Name), numLockAfter);
    press(numLock);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(numLock)->text(QAccessible::Name), numLockBefore);
    press(form2("KeyQ"));
    EXPECT_EQ(app.editor().state().KeyNum.lines(), std::vector<std::string>{"2,20"});
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form2("Text_Lines"))->text(QAccessible::Name),
        QStringLiteral("Key strokes: 1"));
    // The hidden memos are not offered as texts to type into.
    for (QWidget* memo : {static_cast<QWidget*>(app.form1()->memo1()), form2("KeyNum")}) {
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(memo);
        EXPECT_NE(i->role(), QAccessible::EditableText) << memo->objectName().toStdString();
        EXPECT_EQ(i->textInterface(), nullptr);
        EXPECT_FALSE(i->text(QAccessible::Name).isEmpty());
    }

    // The status bar's message is its name.
    sim_.add({});
    app.tick();
    app.tick();
    app.tick();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(app.form1()->statusBar())->text(QAccessible::Name),
        QStringLiteral("USB Keyboard Device get"));
}

// A busy moment can hand the program a key's press and release together:
// how long Escape was held is read from the window system's stamps.
TEST_F(Windows, AHeldEscapeIsTimedByItsStampsNotByWhenItIsHandled)
{
    Application& app = start();
    ASSERT_TRUE(started_);
    click(form1("Key_9"));
    ASSERT_TRUE(app.form2()->isVisible());
    const unsigned escape
        = scanCodeOf(kPhysicalKeys[static_cast<size_t>(physicalKeyOfUsage(41))], ScanCodes::Xkb);
    auto send = [&](QEvent::Type type, unsigned long stamp) {
        QKeyEvent e(type, Qt::Key_Escape, Qt::NoModifier, escape, 0, 0, QStringLiteral("\x1b"));
        e.setTimestamp(stamp);
        QApplication::sendEvent(app.focusedControl(), &e);
    };
    send(QEvent::KeyPress, 5000);
    send(QEvent::KeyRelease, 5300);
    EXPECT_EQ(app.editor().state().KeyNum.lines(), std::vector<std::string>{"0,41"});
    EXPECT_FALSE(app.editor().state().commandMode);
    send(QEvent::KeyPress, 9000);
    send(QEvent::KeyRelease, 10500);
    EXPECT_TRUE(app.editor().state().commandMode);
    EXPECT_EQ(app.editor().state().KeyNum.lines(), std::vector<std::string>{"0,41"});
    EXPECT_EQ(app.focusedControl(), form2("SpeedButton1"));
}

} // namespace
} // namespace pm
