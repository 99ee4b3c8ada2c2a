#include "TextConversions.h"

#include "HtmlEntities.h"

#include <QUrl>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

QString stringWithPercentEscape(const QString& text)
{
    // QUrl leaves exactly the unreserved set (letters, digits, "-", ".", "_", "~") alone and writes upper-case
    // hex, which is the strict escaping form values need.
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString base64Encoding(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QString(u""_s);
    return QString::fromLatin1(bytes.toBase64());
}

namespace {

// Reads the whole of `digits` as a number the way the entity rule wants: leading white space and a sign are
// accepted, nothing may follow. Returns -1 when it is not such a number.
long long readWholeNumber(QStringView digits, int base)
{
    qsizetype i = 0;
    while (i < digits.size() && digits.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < digits.size() && (digits.at(i) == u'+' || digits.at(i) == u'-')) {
        negative = digits.at(i) == u'-';
        ++i;
    }
    if (i == digits.size())
        return -1;
    long long value = 0;
    for (; i < digits.size(); ++i) {
        const char16_t c = digits.at(i).unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0 || digit >= base)
            return -1;
        value = value * base + digit;
        if (value > 0xFFFFF)
            return -1; // far outside the accepted range already
    }
    return negative ? -value : value;
}

// The code unit a complete candidate "&...;" stands for, or 0 when it stays as written.
char16_t decodeEntity(QStringView candidate)
{
    if (candidate.at(1) == u'#') {
        long long value = -1;
        if (candidate.size() > 3 && (candidate.at(2) == u'x' || candidate.at(2) == u'X'))
            value = readWholeNumber(candidate.mid(3, candidate.size() - 4), 16);
        else
            value = readWholeNumber(candidate.mid(2, candidate.size() - 3), 10);
        return value > 0 && value < 65535 ? char16_t(value) : char16_t(0);
    }
    for (const HtmlEntity& entity : htmlEntityTable()) {
        if (QStringView(entity.text) == candidate)
            return entity.codeUnit;
    }
    return 0;
}

} // namespace

QString gtm_stringByUnescapingFromHTML(const QString& text)
{
    if (text.isNull() || !text.contains(u'&'))
        return text;
    constexpr qsizetype kShortest = 4; // "&lt;"
    constexpr qsizetype kLongest = 10; // "&thetasym;"
    QString result = text;
    // Worked from the end to the start so that positions found in the original stay valid in the copy, and a
    // replacement is never looked at again ("&amp;lt;" gives "&lt;").
    qsizetype limit = text.size();
    for (qsizetype amp = text.lastIndexOf(u'&'); amp >= 0; amp = amp > 0 ? text.lastIndexOf(u'&', amp - 1) : -1) {
        const qsizetype semicolon = text.indexOf(u';', amp + 1);
        const qsizetype searchLimit = limit;
        limit = amp;
        if (semicolon < 0 || semicolon >= searchLimit)
            continue;
        const qsizetype length = semicolon - amp + 1;
        if (length < kShortest || length > kLongest)
            continue;
        if (const char16_t unit = decodeEntity(QStringView(text).mid(amp, length)))
            result.replace(amp, length, QChar(unit));
    }
    return result;
}

QString stringByStrippingHTML(const QString& text)
{
    // Removing the first "<...>" and searching again from the start gives the same text as removing every
    // match of one left-to-right pass: "[^>]" also takes "<", so a tag can never be completed by what a removal
    // joins together. One pass keeps this linear on large pages.
    if (text.isNull())
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype copied = 0;
    qsizetype open = text.indexOf(u'<');
    while (open >= 0) {
        const qsizetype close = text.indexOf(u'>', open + 1);
        if (close < 0)
            break; // an unclosed "<" stays, and so does everything after it
        if (close == open + 1) {
            open = text.indexOf(u'<', close); // "<>" is no tag
            continue;
        }
        result.append(QStringView(text).mid(copied, open - copied));
        copied = close + 1;
        open = text.indexOf(u'<', copied);
    }
    result.append(QStringView(text).mid(copied));
    return result;
}

} // namespace marrowfin
