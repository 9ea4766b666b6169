// Every text of both windows, in the fonts this machine resolves, stays
// inside the control that shows it; and windows open where they can be reached.
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <gtest/gtest.h>

#include "app/scheduler.h"
#include "device/hid_sim.h"
#include "editor/editor_core.h"
#include "editor/physical_keys.h"
#include "keypad/key_table.h"
#include "ui/application_qt.h"
#include "ui/editor_window_qt.h"
#include "ui/keypad_window_qt.h"
#include "ui/text_qt.h"

namespace pm {
namespace {

// The windows need an application object only for their handlers.
struct Windows {
    SimulatedKeypad keypad;
    Application app{[this] {
        Application::Options o;
        o.backend = &keypad;
        o.realTimers = false;
        o.onError = [](const std::string&) {};
        return o;
    }()};
    KeypadWindow pad{app};
    EditorWindow editor{app};
};

int widthOf(const QLabel* label, const QString& text)
{
    return QFontMetrics(label->font()).horizontalAdvance(text);
}

// Legends are white on the white window: a letter past its cap vanishes.
TEST(TextFits, KeypadLegendsStayOnTheirCaps)
{
    Windows w;
    int checked = 0;
    for (const QLabel* label : w.pad.findChildren<QLabel*>(QRegularExpression(QStringLiteral("^Label")))) {
        QRect cap;
        for (const QWidget* key : w.pad.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^Key_"))))
            if (key->geometry().contains(label->pos()))
                cap = key->geometry();
        ASSERT_TRUE(cap.isValid()) << label->objectName().toStdString() << " lies on no key";
        cap = cap.intersected(w.pad.rect());
        const QFontMetrics metrics(label->font());
        EXPECT_LE(label->x() + widthOf(label, label->text()), cap.right() + 1)
            << label->text().toStdString() << " in " << label->font().family().toStdString();
        EXPECT_LE(label->y() + metrics.height(), cap.bottom() + 1) << label->text().toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(kLegends.size()));
}

TEST(TextFits, KeypadStatusAndLayoutButton)
{
    Windows w;
    QPushButton* button = w.pad.bitBtn1();
    for (const char* caption : {"MOD0", "MOD1"}) {
        button->setText(QString::fromLatin1(caption));
        EXPECT_LE(button->sizeHint().width(), button->width()) << caption;
    }
    const QStatusBar* bar = w.pad.statusBar();
    const QFontMetrics metrics(bar->font());
    for (int code = 1; code < 8; ++code)
        if (const char* text = statusMessage(static_cast<uint8_t>(code))) {
            // The bar draws its message a few pixels in from either end.
            EXPECT_LE(metrics.horizontalAdvance(QString::fromLatin1(text)) + 12, bar->width()) << text;
            EXPECT_LE(metrics.height(), bar->height()) << text;
        }
}

// A caption must end before the next control on its line begins.
TEST(TextFits, EditorCaptionsEndBeforeTheirNeighbours)
{
    Windows w;
    const QWidget& form = w.editor;
    int checked = 0;
    for (QLabel* label : form.findChildren<QLabel*>()) {
        if (label->text().isEmpty() && !label->pixmap().isNull())
            continue; // a picture
        if (label->wordWrap())
            continue; // the hint and the note wrap: their own tests below
        const std::string name = label->objectName().toStdString();
        QStringList texts{label->text()};
        if (name == "Key_Number") {
            for (const KeypadKey& k : kKeypadKeys)
                texts.append(toDisplay(k.editorName));
        } else if (name == "Text_Lines") {
            for (int n = 0; n <= kMaxMacroStrokes; ++n)
                texts.append(QString::number(n));
        }
        const QFontMetrics metrics(label->font());
        const int top = label->y(), bottom = label->y() + metrics.height();
        int right = form.width();
        for (const QWidget* other : form.findChildren<QWidget*>()) {
            if (other == label || other->parentWidget() != &form || other->isHidden()
                || other->objectName() == QLatin1String("Image1"))
                continue;
            const QRect g = other->geometry();
            if (g.left() > label->x() && g.top() < bottom && g.bottom() >= top)
                right = std::min(right, g.left());
        }
        for (const QString& text : texts)
            EXPECT_LE(label->x() + metrics.horizontalAdvance(text), right)
                << name << " \"" << text.toStdString() << "\" in " << label->font().family().toStdString()
                << " " << label->font().pixelSize() << " px";
        ++checked;
    }
    EXPECT_GE(checked, 5);
}

// Every note on a key that records nothing wraps inside the note's place.
TEST(TextFits, EditorNotesOnTypedKeysFitTheirPlace)
{
    Windows w;
    const QLabel* note = w.editor.keyNote();
    const QFontMetrics metrics(note->font());
    QStringList notes{toDisplay(notOnKeyboard(nullptr))};
    for (const PhysicalKey& k : kPhysicalKeys)
        if (!k.onScreen)
            notes.append(toDisplay(notOnKeyboard(k.name)));
    for (const QString& text : notes) {
        const QRect need = metrics.boundingRect(QRect(0, 0, note->width(), 1000), Qt::TextWordWrap, text);
        EXPECT_LE(need.width(), note->width()) << text.toStdString();
        EXPECT_LE(need.height(), note->height()) << text.toStdString();
    }
    EXPECT_FALSE(w.editor.keyHint()->text().isEmpty());
}

// The hint beside the buttons says how to leave typing, and in command mode
// how to move: both wrap inside its place, and it changes with the mode.
TEST(TextFits, EditorHintFitsInTypingAndInCommandMode)
{
    Windows w;
    const QLabel* hint = w.editor.keyHint();
    auto fits = [&] {
        const QFontMetrics metrics(hint->font());
        const QRect need
            = metrics.boundingRect(QRect(0, 0, hint->width(), 1000), Qt::TextWordWrap, hint->text());
        EXPECT_LE(need.height(), hint->height()) << hint->text().toStdString();
    };
    fits();
    const QString typing = hint->text();
    EXPECT_TRUE(typing.contains(QStringLiteral("Hold Esc")));
    EditorState state;
    state.commandMode = true;
    w.editor.sync(state, std::string(), false);
    EXPECT_NE(hint->text(), typing);
    fits();
    state.commandMode = false;
    w.editor.sync(state, std::string(), false);
    EXPECT_EQ(hint->text(), typing);
}

TEST(TextFits, FontsNarrowOrShrinkOnlyWhenTheyMust)
{
    const QString text = QStringLiteral("Characters:");
    const QFont roomy = fittingFont(16, true, {text}, QSize(1000, 100));
    EXPECT_EQ(roomy.family(), uiFamilies().constFirst());
    EXPECT_EQ(roomy.pixelSize(), 16);

    const int full = QFontMetrics(roomy).horizontalAdvance(text);
    const QSize tight(full * 9 / 10, 100);
    const QFont narrow = fittingFont(16, true, {text}, tight);
    EXPECT_TRUE(textsFit(narrow, {text}, tight))
        << narrow.family().toStdString() << " " << narrow.pixelSize();
}

TEST(WindowPlace, CentredButNeverAboveOrLeftOfTheScreen)
{
    EXPECT_EQ(placeInside(QRect(0, 0, 1280, 1024), QSize(972, 408)), QPoint(153, 307));
    // Twice the scale on 1280 x 1024: the editor is wider than the screen.
    EXPECT_EQ(placeInside(QRect(0, 0, 640, 512), QSize(972, 408)), QPoint(0, 51));
    // A panel on the top and left of a second screen.
    const QPoint p = placeInside(QRect(1300, 40, 600, 400), QSize(972, 532));
    EXPECT_EQ(p, QPoint(1300, 40));
}

} // namespace
} // namespace pm
