#include "MessageText.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// Characters a message never writes as they are: those that move the cursor or start terminal sequences (C0, DEL,
// C1), and those that reorder or hide what follows them on the line.
bool isHidden(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029 || c == 0xfeff;
}

// The first and the last `length` characters of `text`, a surrogate pair kept whole.
QStringView head(QStringView text, qsizetype length)
{
    if (text.size() <= length) {
        return text;
    }
    return text.first(length > 0 && text.at(length - 1).isHighSurrogate() ? length - 1 : length);
}

QStringView tail(QStringView text, qsizetype length)
{
    if (text.size() <= length) {
        return text;
    }
    const QStringView last = text.last(length);
    return !last.isEmpty() && last.front().isLowSurrogate() ? last.sliced(1) : last;
}

} // namespace

QString escapedText(QStringView text, bool keepLineBreaks)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isHidden(c.unicode()) || (keepLineBreaks && c == u'\n')) {
            shown.append(c);
        } else if (c == u'\n') {
            shown.append(u"\\n"_s);
        } else if (c == u'\r') {
            shown.append(u"\\r"_s);
        } else if (c == u'\t') {
            shown.append(u"\\t"_s);
        } else if (c.unicode() < 0x100) {
            shown.append(u"\\x"_s + QString::number(c.unicode(), 16).rightJustified(2, u'0'));
        } else {
            shown.append(u"\\u"_s + QString::number(c.unicode(), 16).rightJustified(4, u'0'));
        }
    }
    return shown;
}

QString quotedValue(QStringView value)
{
    const QStringView shown = head(value, kQuotedLength);
    return u'"' + escapedText(shown, false) + (shown.size() < value.size() ? u"\u2026\""_s : u"\""_s);
}

QString shortenedLine(QStringView line, qsizetype longest)
{
    if (line.size() <= longest) {
        return line.toString();
    }
    return head(line, longest * 3 / 4).toString() + u'\u2026' + tail(line, longest / 4).toString();
}

} // namespace marrowfin
