#include "art_paint.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <stdexcept>

#include "legends.h"

namespace pm::art {

namespace {

struct Insets {
    qreal left, top, right, bottom;
};

struct CapColours {
    QColor outline, skirtTop, skirtBottom, faceTop, faceBottom, legend, kana, glow;
};

// Light caps on a graphite case, as on an office keyboard.
const CapColours kLight{QColor(0x5d, 0x62, 0x6b), QColor(0xcf, 0xd2, 0xd8), QColor(0xa2, 0xa7, 0xb0),
    QColor(0xff, 0xff, 0xff), QColor(0xe6, 0xe8, 0xec), QColor(0x1b, 0x1e, 0x23), QColor(0x9a, 0x4a, 0x32),
    QColor()};
// Held down: sunk into the case and lit blue.
const CapColours kPressed{QColor(0x1a, 0x62, 0xd0), QColor(0x86, 0xab, 0xdc), QColor(0x56, 0x80, 0xbc),
    QColor(0xc6, 0xe1, 0xff), QColor(0x93, 0xc3, 0xff), QColor(0x06, 0x2f, 0x6a), QColor(0x3a, 0x3f, 0x8a),
    QColor(0x3d, 0x9b, 0xff)};
// A locked modifier: sunk, amber, with its lamp on.
const CapColours kLocked{QColor(0xb3, 0x4d, 0x00), QColor(0xe6, 0x8b, 0x2a), QColor(0xb4, 0x5f, 0x10),
    QColor(0xff, 0xd8, 0x80), QColor(0xff, 0xa6, 0x2e), QColor(0x3a, 0x1a, 0x00), QColor(0x3a, 0x1a, 0x00),
    QColor(0xff, 0x9a, 0x1a)};
const CapColours kDisabled{QColor(0x6a, 0x6d, 0x73), QColor(0xb9, 0xbb, 0xbf), QColor(0x9c, 0x9e, 0xa3),
    QColor(0xd6, 0xd7, 0xda), QColor(0xcb, 0xcc, 0xcf), QColor(0x8e, 0x90, 0x95), QColor(0x8e, 0x90, 0x95),
    QColor()};

// The keypad's caps: slate (released), lit blue (marked), black (stored).
const CapColours kPadSlate{QColor(0x3b, 0x42, 0x4d), QColor(0x5c, 0x65, 0x72), QColor(0x44, 0x4b, 0x56),
    QColor(0x8a, 0x95, 0xa5), QColor(0x67, 0x72, 0x82), QColor(), QColor(), QColor()};
const CapColours kPadLit{QColor(0x06, 0x4f, 0xb8), QColor(0x0f, 0x4e, 0x9c), QColor(0x0a, 0x37, 0x73),
    QColor(0x3f, 0xa2, 0xff), QColor(0x14, 0x6a, 0xd8), QColor(), QColor(), QColor(0x35, 0xc8, 0xff)};
const CapColours kPadDark{QColor(0x05, 0x05, 0x06), QColor(0x2c, 0x2d, 0x30), QColor(0x16, 0x17, 0x19),
    QColor(0x47, 0x48, 0x4c), QColor(0x26, 0x27, 0x2a), QColor(), QColor(), QColor()};

QFont legendFont(qreal pixels, bool bold = false, bool japaneseFirst = false)
{
    QFont f;
    f.setFamilies(japaneseFirst ? QStringList{"IPAGothic", "IPAPGothic", "DejaVu Sans", "Sans Serif"}
                                : QStringList{"DejaVu Sans", "IPAGothic", "IPAPGothic", "Sans Serif"});
    f.setPixelSize(int(pixels));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

bool hasJapanese(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x3000)
            return true;
    return false;
}

QImage blankImage(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

QPainterPath insetRect(QRectF r, Insets in, qreal radius)
{
    QPainterPath p;
    p.addRoundedRect(r.adjusted(in.left, in.top, -in.right, -in.bottom), radius, radius);
    return p;
}

// The Enter key of the main block: wide on the upper row, narrower below.
QPainterPath enterShape(QRectF r, Insets in, qreal radius, qreal step, qreal notch)
{
    QPainterPath top, bottom;
    top.addRoundedRect(QRectF(r.left() + in.left, r.top() + in.top, r.width() - in.left - in.right,
                           step - in.top - in.bottom),
        radius, radius);
    bottom.addRoundedRect(QRectF(r.left() + notch + in.left, r.top() + in.top,
                              r.width() - notch - in.left - in.right, r.height() - in.top - in.bottom),
        radius, radius);
    return top.united(bottom).simplified();
}

struct Cap {
    QPainterPath outer, face;
    QRectF faceRect; // where legends go
};

void paintCap(QPainter& p, const Cap& cap, const CapColours& c, bool sunk)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF ob = cap.outer.boundingRect();
    QLinearGradient skirt(ob.topLeft(), ob.bottomLeft());
    skirt.setColorAt(0, c.skirtTop);
    skirt.setColorAt(1, c.skirtBottom);
    p.fillPath(cap.outer, skirt);
    if (c.glow.isValid()) {
        // A coloured rim just inside the outline.
        p.save();
        p.setClipPath(cap.outer);
        p.strokePath(cap.outer, QPen(c.glow, 3.5));
        p.restore();
    }
    p.strokePath(cap.outer, QPen(c.outline, 1));

    const QRectF fb = cap.face.boundingRect();
    QLinearGradient face(fb.topLeft(), fb.bottomLeft());
    face.setColorAt(0, c.faceTop);
    face.setColorAt(1, c.faceBottom);
    p.fillPath(cap.face, face);
    // A lit rim on top of a raised face, a shadow inside a sunken one.
    p.save();
    p.setClipPath(cap.face);
    if (sunk) {
        QLinearGradient shade(fb.topLeft(), fb.topLeft() + QPointF(0, 5));
        shade.setColorAt(0, QColor(0, 0, 0, 70));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(fb, shade);
    } else {
        p.setPen(QPen(QColor(255, 255, 255, 150), 1));
        p.drawLine(QPointF(fb.left() + 2, fb.top() + 0.5), QPointF(fb.right() - 2, fb.top() + 0.5));
    }
    p.restore();
    p.setPen(QPen(c.skirtBottom.darker(115), 0.8));
    p.drawPath(cap.face);
}

void drawText(
    QPainter& p, const QRectF& r, int flags, const QString& text, const QFont& f, const QColor& colour)
{
    p.setFont(f);
    p.setPen(colour);
    p.drawText(r, flags, text);
}

void drawWindowsLogo(QPainter& p, QPointF centre, qreal size, const QColor& colour)
{
    const qreal g = size * 0.08, half = size / 2;
    p.save();
    p.translate(centre);
    p.shear(0, -0.12);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(QRectF(-half, -half, half - g, half - g));
    p.drawRect(QRectF(g, -half, half - g, half - g));
    p.drawRect(QRectF(-half, g, half - g, half - g));
    p.drawRect(QRectF(g, g, half - g, half - g));
    p.restore();
}

void drawMenuIcon(QPainter& p, QPointF centre, const QColor& colour)
{
    p.save();
    p.setPen(QPen(colour, 1.3));
    p.setBrush(Qt::NoBrush);
    const QRectF page(centre.x() - 8, centre.y() - 7, 13, 15);
    p.drawRect(page);
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(page.left() + 3, page.top() + 4 + i * 3.5),
            QPointF(page.right() - 3, page.top() + 4 + i * 3.5));
    QPainterPath arrow;
    const QPointF tip(centre.x() + 3, centre.y() + 1);
    arrow.moveTo(tip);
    arrow.lineTo(tip + QPointF(0, 10));
    arrow.lineTo(tip + QPointF(2.6, 7.6));
    arrow.lineTo(tip + QPointF(4.6, 11.5));
    arrow.lineTo(tip + QPointF(6, 10.8));
    arrow.lineTo(tip + QPointF(4.1, 7));
    arrow.lineTo(tip + QPointF(7.4, 7));
    arrow.closeSubpath();
    p.setPen(QPen(colour, 0.8));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    p.restore();
}

void drawLamp(QPainter& p, QPointF centre, qreal r)
{
    QRadialGradient halo(centre, r * 2.6);
    halo.setColorAt(0, QColor(120, 255, 120, 200));
    halo.setColorAt(1, QColor(120, 255, 120, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(centre, r * 2.6, r * 2.6);
    QRadialGradient lamp(centre - QPointF(r * 0.3, r * 0.3), r);
    lamp.setColorAt(0, QColor(230, 255, 230));
    lamp.setColorAt(1, QColor(30, 200, 60));
    p.setBrush(lamp);
    p.setPen(QPen(QColor(20, 110, 30), 0.6));
    p.drawEllipse(centre, r, r);
}

Insets editorInsets(bool sunk)
{
    return sunk ? Insets{3, 4, 3, 4} : Insets{3, 2, 3, 6};
}

Cap editorCap(int w, int h, bool sunk, bool enter)
{
    const QRectF r(0.5, 0.5, w - 1.0, h - 1.0);
    Cap cap;
    // The L of the Enter key: upper row 41 high, the key left of it
    // overlaps the lower part's left 10 pixels.
    constexpr qreal kStep = 41, kNotch = 10;
    if (enter) {
        cap.outer = enterShape(r, {0, 0, 0, 0}, 4, kStep, kNotch);
        const Insets in = editorInsets(sunk);
        cap.face = enterShape(r, in, 3, kStep, kNotch);
        cap.faceRect = QRectF(
            r.left() + in.left, r.top() + in.top, r.width() - in.left - in.right, kStep - in.top - in.bottom);
    } else {
        cap.outer.addRoundedRect(r, 4, 4);
        cap.face = insetRect(r, editorInsets(sunk), 3);
        cap.faceRect = cap.face.boundingRect();
    }
    return cap;
}

void drawLegend(QPainter& p, const KeyLegend& legend, const QRectF& face, const CapColours& c)
{
    const QString main = QString::fromUtf8(legend.main);
    const QString lower = QString::fromUtf8(legend.lower);
    const QString kana = QString::fromUtf8(legend.kana);
    const QRectF inner = face.adjusted(3, 1, -3, -1);
    switch (legend.layout) {
    case Layout::Center: {
        const qreal size = main.size() == 1 ? 17 : main.size() == 2 ? 13 : 12;
        drawText(p, inner, Qt::AlignCenter, main, legendFont(size, main.size() > 1), c.legend);
        break;
    }
    case Layout::Lines: {
        const bool jp = hasJapanese(main);
        const bool twoLines = main.contains('\n');
        qreal size = jp ? (twoLines ? 10 : 11) : (twoLines ? 9 : 10);
        QFont f = legendFont(size, false, jp);
        while (
            size > 7 && QFontMetricsF(f).boundingRect(inner, Qt::AlignCenter, main).width() > inner.width()) {
            size -= 1;
            f = legendFont(size, false, jp);
        }
        drawText(p, inner, Qt::AlignCenter, main, f, c.legend);
        break;
    }
    case Layout::Stacked: {
        const QFont f = legendFont(13);
        const QRectF half(inner.left() + 1, inner.top(), inner.width() / 2 + 2, inner.height() / 2);
        drawText(p, half, Qt::AlignLeft | Qt::AlignVCenter, main, f, c.legend);
        drawText(
            p, half.translated(0, inner.height() / 2), Qt::AlignLeft | Qt::AlignVCenter, lower, f, c.legend);
        drawText(p, inner.adjusted(inner.width() / 2, inner.height() / 2, 0, 0),
            Qt::AlignRight | Qt::AlignBottom, kana, legendFont(10, false, true), c.kana);
        break;
    }
    case Layout::Letter:
        drawText(p, inner.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, main, legendFont(15, true),
            c.legend);
        drawText(p, inner.adjusted(inner.width() / 2, inner.height() / 2, 0, 0),
            Qt::AlignRight | Qt::AlignBottom, kana, legendFont(10, false, true), c.kana);
        break;
    case Layout::Pad:
        drawText(p, inner.adjusted(0, 0, 0, -inner.height() * 0.38), Qt::AlignCenter, main,
            legendFont(15, true), c.legend);
        drawText(p, inner.adjusted(0, inner.height() * 0.55, 0, 0), Qt::AlignHCenter | Qt::AlignBottom, lower,
            legendFont(lower.size() == 1 ? 11 : 9), c.legend);
        break;
    case Layout::Enter:
        drawText(p, inner, Qt::AlignCenter, main + QString::fromUtf8(" ↵"), legendFont(11), c.legend);
        break;
    case Layout::Windows: drawWindowsLogo(p, face.center(), 15, c.legend); break;
    case Layout::Menu: drawMenuIcon(p, face.center() - QPointF(1, 2), c.legend); break;
    case Layout::Blank: break;
    }
}

const CapColours& editorColours(Look look)
{
    return look == Look::Released ? kLight : look == Look::Pressed ? kPressed : kLocked;
}

QImage paintEditorKey(int w, int h, Look look, const KeyLegend& legend)
{
    QImage img = blankImage(w, h);
    QPainter p(&img);
    const bool sunk = look != Look::Released;
    const Cap cap = editorCap(w, h, sunk, legend.layout == Layout::Enter);
    const CapColours& c = editorColours(look);
    paintCap(p, cap, c, sunk);
    drawLegend(p, legend, cap.faceRect, c);
    if (look == Look::Locked)
        drawLamp(p, cap.faceRect.topLeft() + QPointF(5, 5), 2.3);
    return img;
}

} // namespace

QImage paintEditorPicture(const Picture& picture)
{
    switch (picture.face) {
    case Face::Record:
        return paintEditorKey(
            picture.width, picture.height, picture.look, kLegendsByKey[size_t(picture.index)]);
    case Face::Modifier: {
        const KeyLegend legend{"", Layout::Center, modifierName(kModifierKeys[size_t(picture.index)].kind), "", ""};
        return paintEditorKey(picture.width, picture.height, picture.look, legend);
    }
    case Face::NumLock: {
        const KeyLegend legend{"", Layout::Lines, "Num\nLock", "", ""};
        return paintEditorKey(picture.width, picture.height, picture.look, legend);
    }
    }
    throw std::logic_error("unknown picture face");
}

QImage paintCapsLock()
{
    QImage img = blankImage(kCapsLockKey.width, kCapsLockKey.height);
    QPainter p(&img);
    const Cap cap = editorCap(kCapsLockKey.width, kCapsLockKey.height, false, false);
    paintCap(p, cap, kDisabled, false);
    const QRectF inner = cap.faceRect.adjusted(3, 1, -3, -1);
    drawText(
        p, inner, Qt::AlignCenter, QString::fromUtf8("Caps Lock\n英数"), legendFont(9), kDisabled.legend);
    return img;
}

QImage paintKeyboard()
{
    constexpr int W = 970, H = 280;
    QImage img = blankImage(W, H);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, 0.5, W - 1.0, H - 1.0);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, QColor(0x4a, 0x4e, 0x55));
    g.setColorAt(0.08, QColor(0x3b, 0x3f, 0x45));
    g.setColorAt(1, QColor(0x2b, 0x2e, 0x33));
    p.setPen(QPen(QColor(0x14, 0x15, 0x18), 1));
    p.setBrush(g);
    p.drawRoundedRect(body, 12, 12);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(2, 2, -2, -2), 10, 10);

    const QColor well = QColor::fromRgb(kWellColour);
    auto bed = [&](int x, int y, int w, int h) {
        const QRectF r(x - 1.5, y - 1.5, w + 3.0, h + 3.0);
        p.setPen(QPen(QColor(0x12, 0x13, 0x15), 1));
        p.setBrush(well);
        p.drawRoundedRect(r, 5, 5);
    };
    for (const RecordKey& k : kRecordKeys)
        bed(k.left, k.top, k.width, k.height);
    for (const ModifierKey& m : kModifierKeys)
        bed(m.left, m.top, m.width, m.height);
    bed(kNumLockKey.left, kNumLockKey.top, kNumLockKey.width, kNumLockKey.height);
    bed(kCapsLockKey.left, kCapsLockKey.top, kCapsLockKey.width, kCapsLockKey.height);

    // The lamp panel above the numeric pad.
    const QRectF panel(800, 13, 162, 36);
    p.setPen(QPen(QColor(0x15, 0x16, 0x18), 1));
    p.setBrush(QColor(0x24, 0x26, 0x2a));
    p.drawRoundedRect(panel, 5, 5);
    const char* names[] = {"Num Lock", "Caps Lock", "Scroll Lock"};
    for (int i = 0; i < 3; ++i) {
        const QPointF c(panel.left() + 27 + i * 54, panel.top() + 11);
        p.setPen(QPen(QColor(0x0c, 0x0c, 0x0d), 0.8));
        p.setBrush(QColor(0x1d, 0x3a, 0x22));
        p.drawEllipse(c, 3.2, 3.2);
        drawText(p, QRectF(c.x() - 27, c.y() + 5, 54, 14), Qt::AlignCenter, names[i], legendFont(9),
            QColor(0xb8, 0xbc, 0xc4));
    }
    return img;
}

QImage paintPadCap(PadCap which)
{
    constexpr int S = 71;
    QImage img(S, S, QImage::Format_ARGB32);
    img.fill(QColor::fromRgb(kPadBackground));
    QPainter p(&img);
    const bool sunk = which == PadCap::Marked;
    const CapColours& c = which == PadCap::Released ? kPadSlate
        : which == PadCap::Marked                   ? kPadLit
                                                    : kPadDark;
    const QRectF r(1.5, 1.5, S - 3.0, S - 3.0);
    Cap cap;
    cap.outer.addRoundedRect(r, 9, 9);
    cap.face = insetRect(r, sunk ? Insets{7, 9, 7, 7} : Insets{7, 5, 7, 11}, 7);
    cap.faceRect = cap.face.boundingRect();
    if (sunk) {
        // Lit from inside: a glow around the cap.
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 3; i >= 1; --i) {
            QColor halo = c.glow;
            halo.setAlpha(50 * (4 - i));
            p.setPen(QPen(halo, i * 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r, 9, 9);
        }
    }
    CapColours flat = c;
    flat.glow = QColor();
    paintCap(p, cap, flat, sunk);
    if (sunk) {
        QRadialGradient inner(cap.faceRect.center(), cap.faceRect.width() * 0.6);
        inner.setColorAt(0, QColor(170, 230, 255, 90));
        inner.setColorAt(1, QColor(170, 230, 255, 0));
        p.fillPath(cap.face, inner);
    }
    return img;
}

QImage paintPadEnter()
{
    constexpr int W = 72, H = 145;
    QImage img(W, H, QImage::Format_ARGB32);
    img.fill(QColor::fromRgb(kPadBackground));
    QPainter p(&img);
    const QRectF r(1.5, 1.5, W - 3.0, H - 3.0);
    Cap cap;
    cap.outer.addRoundedRect(r, 9, 9);
    cap.face = insetRect(r, {7, 5, 7, 11}, 7);
    cap.faceRect = cap.face.boundingRect();
    paintCap(p, cap, kPadDark, false);
    return img;
}

QImage paintPadBackground()
{
    // Only what shows in the window: its label sits at (-1, -6).
    QImage img(302, 538, QImage::Format_ARGB32);
    img.fill(Qt::white);
    return img;
}

QImage paintCommandButton(int number)
{
    constexpr int W = 120, H = 33;
    QImage img = blankImage(W, H);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF ic(18, H / 2.0);
    const QString caption[] = {QString::fromUtf8("取消"), QString::fromUtf8("書込"),
        QString::fromUtf8("全削除"), QString::fromUtf8("削除")};
    if (number < 1 || number > 4)
        throw std::invalid_argument("command button number");
    switch (number) {
    case 1: { // Cancel: a red disc with a cross
        p.setPen(QPen(QColor(0x8e, 0x12, 0x12), 1));
        QRadialGradient g(ic - QPointF(3, 3), 12);
        g.setColorAt(0, QColor(0xff, 0x7a, 0x6e));
        g.setColorAt(1, QColor(0xc8, 0x1e, 0x1e));
        p.setBrush(g);
        p.drawEllipse(ic, 10, 10);
        p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(ic + QPointF(-4.5, -4.5), ic + QPointF(4.5, 4.5));
        p.drawLine(ic + QPointF(-4.5, 4.5), ic + QPointF(4.5, -4.5));
        break;
    }
    case 2: { // Program: an arrow down into a chip
        const QRectF chip(ic.x() - 9, ic.y() + 1, 18, 9);
        p.setPen(QPen(QColor(0x14, 0x14, 0x14), 1));
        p.setBrush(QColor(0x2e, 0x31, 0x36));
        p.drawRoundedRect(chip, 1.5, 1.5);
        p.setPen(QPen(QColor(0xc8, 0xa2, 0x3a), 1.4));
        for (int i = 0; i < 5; ++i) {
            const qreal x = chip.left() + 2.5 + i * 3.2;
            p.drawLine(QPointF(x, chip.bottom()), QPointF(x, chip.bottom() + 2.5));
        }
        QPainterPath arrow;
        arrow.moveTo(ic.x() - 3.5, ic.y() - 12);
        arrow.lineTo(ic.x() + 3.5, ic.y() - 12);
        arrow.lineTo(ic.x() + 3.5, ic.y() - 5);
        arrow.lineTo(ic.x() + 8, ic.y() - 5);
        arrow.lineTo(ic.x(), ic.y() + 3);
        arrow.lineTo(ic.x() - 8, ic.y() - 5);
        arrow.lineTo(ic.x() - 3.5, ic.y() - 5);
        arrow.closeSubpath();
        p.setPen(QPen(QColor(0x0d, 0x6b, 0x1f), 1));
        p.setBrush(QColor(0x2b, 0xb8, 0x4a));
        p.drawPath(arrow);
        break;
    }
    case 3: { // Delete all: a waste bin
        p.setPen(QPen(QColor(0x30, 0x34, 0x3a), 1.2));
        QLinearGradient g(ic - QPointF(8, 0), ic + QPointF(8, 0));
        g.setColorAt(0, QColor(0x9d, 0xa6, 0xb2));
        g.setColorAt(1, QColor(0x5f, 0x68, 0x74));
        p.setBrush(g);
        QPainterPath bin;
        bin.moveTo(ic.x() - 7, ic.y() - 6);
        bin.lineTo(ic.x() + 7, ic.y() - 6);
        bin.lineTo(ic.x() + 5.5, ic.y() + 10);
        bin.lineTo(ic.x() - 5.5, ic.y() + 10);
        bin.closeSubpath();
        p.drawPath(bin);
        p.drawRoundedRect(QRectF(ic.x() - 9, ic.y() - 9.5, 18, 3.5), 1, 1);
        p.drawRect(QRectF(ic.x() - 2.5, ic.y() - 12, 5, 2.5));
        p.setPen(QPen(QColor(0x2a, 0x2e, 0x33), 1.1));
        for (int i = -1; i <= 1; ++i)
            p.drawLine(QPointF(ic.x() + i * 3.2, ic.y() - 3), QPointF(ic.x() + i * 2.7, ic.y() + 7.5));
        break;
    }
    case 4: { // Delete: a back-space tag with a cross
        QPainterPath tag;
        tag.moveTo(ic.x() - 11, ic.y());
        tag.lineTo(ic.x() - 4, ic.y() - 8);
        tag.lineTo(ic.x() + 10, ic.y() - 8);
        tag.lineTo(ic.x() + 10, ic.y() + 8);
        tag.lineTo(ic.x() - 4, ic.y() + 8);
        tag.closeSubpath();
        p.setPen(QPen(QColor(0x7a, 0x3b, 0x00), 1));
        p.setBrush(QColor(0xf0, 0x8c, 0x1c));
        p.drawPath(tag);
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        const QPointF x(ic.x() + 2.5, ic.y());
        p.drawLine(x + QPointF(-3.5, -3.5), x + QPointF(3.5, 3.5));
        p.drawLine(x + QPointF(-3.5, 3.5), x + QPointF(3.5, -3.5));
        break;
    }
    }
    QFont f = legendFont(16, true, true);
    drawText(p, QRectF(34, 0, W - 38, H), Qt::AlignVCenter | Qt::AlignLeft, caption[number - 1], f,
        QColor(0x16, 0x18, 0x1c));
    return img;
}

QImage paintAppIcon(int size)
{
    // A slate keypad of 3 x 4 caps with one lit key: the keypad window in small.
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    const QRectF body(8, 2, 48, 60);
    QLinearGradient shell(body.topLeft(), body.bottomLeft());
    shell.setColorAt(0, QColor(0x4a, 0x52, 0x5e));
    shell.setColorAt(1, QColor(0x22, 0x26, 0x2c));
    p.setPen(QPen(QColor(0x12, 0x14, 0x18), 1.5));
    p.setBrush(shell);
    p.drawRoundedRect(body, 7, 7);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col) {
            const QRectF cap(13 + col * 13.5, 7 + row * 13.5, 11, 11);
            const bool lit = row == 0 && col == 2;
            QLinearGradient face(cap.topLeft(), cap.bottomLeft());
            face.setColorAt(0, lit ? QColor(0x7f, 0xc4, 0xff) : QColor(0xf4, 0xf5, 0xf7));
            face.setColorAt(1, lit ? QColor(0x14, 0x6a, 0xd8) : QColor(0xb8, 0xbd, 0xc6));
            p.setPen(Qt::NoPen);
            p.setBrush(face);
            p.drawRoundedRect(cap, 2.5, 2.5);
        }
    return img;
}

RgbaImage toRgba(const QImage& image)
{
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    RgbaImage out;
    out.width = src.width();
    out.height = src.height();
    out.pixels.reserve(size_t(out.width) * size_t(out.height));
    for (int y = 0; y < src.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        out.pixels.insert(out.pixels.end(), row, row + src.width());
    }
    return out;
}

} // namespace pm::art
