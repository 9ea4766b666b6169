#pragma once
// The cores hold the program's 8-bit text; the widgets hold Unicode. The one
// double-byte character the program uses (the right double quotation mark,
// code-page bytes A1 A8) is translated; every other byte stands for itself.
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <string>

#include "storage/line_list.h"

class QPlainTextEdit;

namespace pm {

QString toDisplay(const std::string& bytes);
// A message for a box: plain text, with bytes from files escaped (escapedText).
QString messageText(const std::string& text);
// Characters with no byte of their own become '?'.
std::string fromDisplay(const QString& text);

// The windows' typeface at a character height in pixels: Tahoma where
// installed, else a sans of similar width with a bold face.
QFont uiFont(int pixelHeight, bool bold = false);

// The preferred families found on this machine, best first: Tahoma, DejaVu
// Sans Condensed, DejaVu Sans, Liberation Sans.
QStringList uiFamilies();

// Whether every text, in font, fits a box of room (one line each).
bool textsFit(const QFont& font, const QStringList& texts, QSize room);

// The first preferred family at pixelHeight in which every text fits room;
// failing that narrower, then smaller steps of the same search. Captions
// laid out for Tahoma's widths then never run past their controls.
QFont fittingFont(int pixelHeight, bool bold, const QStringList& texts, QSize room);

// Both windows have a fixed size: system menu, minimise and close, no maximise.
inline constexpr Qt::WindowFlags kFixedWindowFlags = Qt::Window | Qt::CustomizeWindowHint
    | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
    | Qt::WindowCloseButtonHint;

// Where a window of size goes: centred in the screen's available area, but
// with its top-left corner (and so its title bar) inside that area.
QPoint placeInside(const QRect& available, QSize size);

// The room a status bar of size leaves its message, and a push button of
// size its caption.
QSize statusTextRoom(QSize bar);
QSize buttonTextRoom(QSize button);

// A memo's whole text with lines joined by '\n', every other character as
// typed (toPlainText() would turn no-break spaces into blanks).
QString memoText(const QPlainTextEdit* memo);

// Puts the lines into a memo unless it already shows them.
void mirrorLines(QPlainTextEdit* memo, const LineList& lines);

} // namespace pm
