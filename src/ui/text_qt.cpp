#include "ui/text_qt.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>

#include "base/text.h"

namespace pm {

namespace {

constexpr char16_t kRightDoubleQuote = kRightQuoteCodePoint;
constexpr auto kLeadByte = static_cast<unsigned char>(kRightQuoteBytes[0]);
constexpr auto kTrailByte = static_cast<unsigned char>(kRightQuoteBytes[1]);

} // namespace

QString messageText(const std::string& text)
{
    return QString::fromStdString(escapedText(text));
}

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

QStringList uiFamilies()
{
    static const QStringList found = [] {
        // Debian's fonts-wine ships a Tahoma outside the fontconfig path.
        if (!QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
            for (const char* file :
                {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
                QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        QStringList list;
        for (const char* wanted : {"Tahoma", "DejaVu Sans Condensed", "DejaVu Sans", "Liberation Sans"})
            if (QFontDatabase::hasFamily(QString::fromLatin1(wanted)))
                list.append(QString::fromLatin1(wanted));
        if (list.isEmpty())
            list.append(QStringLiteral("Sans Serif"));
        return list;
    }();
    return found;
}

QFont uiFont(int pixelHeight, bool bold)
{
    QFont font(uiFamilies().constFirst());
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

bool textsFit(const QFont& font, const QStringList& texts, QSize room)
{
    const QFontMetrics metrics(font);
    if (metrics.height() > room.height())
        return false;
    for (const QString& text : texts)
        if (metrics.horizontalAdvance(text) > room.width())
            return false;
    return true;
}

QFont fittingFont(int pixelHeight, bool bold, const QStringList& texts, QSize room)
{
    const int smallest = std::max(6, pixelHeight * 3 / 4);
    QFont font = uiFont(smallest, bold);
    for (int size = pixelHeight; size >= smallest; --size)
        for (const int stretch : {int(QFont::Unstretched), int(QFont::SemiCondensed), int(QFont::Condensed)})
            for (const QString& family : uiFamilies()) {
                QFont candidate(family);
                candidate.setPixelSize(size);
                candidate.setBold(bold);
                candidate.setStretch(stretch);
                if (textsFit(candidate, texts, room))
                    return candidate;
            }
    return font;
}

QPoint placeInside(const QRect& available, QSize size)
{
    const QPoint centred = available.center() - QPoint(size.width() / 2, size.height() / 2);
    return QPoint(std::max(available.left(), std::min(centred.x(), available.right())),
        std::max(available.top(), std::min(centred.y(), available.bottom())));
}

QSize statusTextRoom(QSize bar)
{
    // The status bar keeps a margin at either end of its message.
    return bar - QSize(18, 0);
}

QSize buttonTextRoom(QSize button)
{
    // The style's frame and padding.
    return button - QSize(16, 6);
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
