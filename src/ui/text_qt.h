#pragma once
// The cores hold the program's 8-bit text; the widgets hold Unicode. The one
// double-byte character the program uses (the right double quotation mark,
// code-page bytes A1 A8) is translated; every other byte stands for itself.
#include <QFont>
#include <QString>
#include <string>

#include "storage/line_list.h"

class QPlainTextEdit;

namespace pm {

QString toDisplay(const std::string& bytes);
// Characters with no byte of their own become '?'.
std::string fromDisplay(const QString& text);

// The windows' typeface at a character height in pixels: Tahoma where
// installed, else a sans of similar width with a bold face.
QFont uiFont(int pixelHeight, bool bold = false);

// Both windows have a fixed size: system menu, minimise and close, no maximise.
inline constexpr Qt::WindowFlags kFixedWindowFlags = Qt::Window | Qt::CustomizeWindowHint
    | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
    | Qt::WindowCloseButtonHint;

// A memo's whole text with lines joined by '\n', every other character as
// typed (toPlainText() would turn no-break spaces into blanks).
QString memoText(const QPlainTextEdit* memo);

// Puts the lines into a memo unless it already shows them.
void mirrorLines(QPlainTextEdit* memo, const LineList& lines);

} // namespace pm
