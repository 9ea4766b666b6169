#include "ui/text_qt.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace pm {

namespace {

constexpr char16_t kRightDoubleQuote = 0x201D;
constexpr unsigned char kLeadByte = 0xA1;
constexpr unsigned char kTrailByte = 0xA8;

} // namespace

QString toDisplay(const std::string& bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == kLeadByte && i + 1 < bytes.size()
            && static_cast<unsigned char>(bytes[i + 1]) == kTrailByte) {
            text.append(QChar(kRightDoubleQuote));
            ++i;
        } else {
            text.append(QChar(static_cast<char16_t>(b)));
        }
    }
    return text;
}

std::string fromDisplay(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u == kRightDoubleQuote) {
            bytes.push_back(static_cast<char>(kLeadByte));
            bytes.push_back(static_cast<char>(kTrailByte));
        } else if (u <= 0xFF) {
            bytes.push_back(static_cast<char>(u));
        } else {
            // A character beyond the basic plane is one character, not two.
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            bytes.push_back('?');
        }
    }
    return bytes;
}

QFont uiFont(int pixelHeight, bool bold)
{
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        // The condensed face comes closest to Tahoma's widths, so captions
        // laid out for Tahoma do not run into each other.
        for (const char* wanted : {"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans", "Liberation Sans"})
            if (families.contains(QString::fromLatin1(wanted), Qt::CaseInsensitive))
                return QString::fromLatin1(wanted);
        return QString::fromLatin1("Sans Serif");
    }();
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

QString memoText(const QPlainTextEdit* memo)
{
    QString text = memo->document()->toRawText();
    for (QChar& c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
    return text;
}

void mirrorLines(QPlainTextEdit* memo, const LineList& lines)
{
    QString text;
    for (size_t i = 0; i < lines.lines().size(); ++i) {
        if (i > 0)
            text.append(QLatin1Char('\n'));
        text.append(toDisplay(lines.lines()[i]));
    }
    if (memoText(memo) != text)
        memo->setPlainText(text);
}

} // namespace pm
