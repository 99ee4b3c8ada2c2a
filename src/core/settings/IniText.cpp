#include "IniText.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace marrowfin {

namespace {

bool isHexDigit(char16_t ch)
{
    return (ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'f') || (ch >= u'A' && ch <= u'F');
}

// A key or a section name: letters, digits, "_", "-" and "." as they are, the rest percent-escaped ("%XX" or
// "%UXXXX"), "/" (a group inside the name) as a backslash.
void appendKey(QStringView key, QByteArray& out)
{
    for (const QChar qch : key) {
        const char16_t ch = qch.unicode();
        if (ch == u'/') {
            out += '\\';
        } else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9') ||
                   ch == u'_' || ch == u'-' || ch == u'.') {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%' + QByteArray::number(ch, 16).toUpper().rightJustified(2, '0');
        } else {
            out += "%U" + QByteArray::number(ch, 16).toUpper().rightJustified(4, '0');
        }
    }
}

// One text, quoted when the reader would otherwise split it (","), end it (";" starts a comment), take it apart
// ("=", "#") or trim it (outer spaces). The reader takes a "\x" escape's hex digits as long as they go, so a hex digit
// right after one is escaped too.
void appendText(QStringView text, QByteArray& out)
{
    const bool quoted = text.contains(u',') || text.contains(u';') || text.contains(u'=') || text.contains(u'#') ||
                        text.startsWith(u' ') || text.endsWith(u' ');
    if (quoted) {
        out += '"';
    }
    bool escapeHexDigit = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        const bool pairedSurrogate =
            (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ||
            (QChar::isLowSurrogate(ch) && i > 0 && text[i - 1].isHighSurrogate());
        if (escapeHexDigit && isHexDigit(ch)) {
            out += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeHexDigit = false;
        switch (ch) {
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        case u'"':
            out += "\\\"";
            break;
        case u'\\':
            out += "\\\\";
            break;
        default:
            if (ch < 0x20 || ch == 0x7F || (QChar::isSurrogate(ch) && !pairedSurrogate)) {
                out += "\\x" + QByteArray::number(ch, 16);
                escapeHexDigit = true;
            } else if (ch < 0x80) {
                out += char(ch);
            } else if (QChar::isHighSurrogate(ch)) {
                out += QStringView(text.data() + i, 2).toUtf8();
                ++i;
            } else {
                out += QStringView(text.data() + i, 1).toUtf8();
            }
        }
    }
    if (quoted) {
        out += '"';
    }
}

// A text as a value: one that begins with "@" would be taken for a kind marker, so its "@" is doubled.
void appendValueText(const QString& text, QByteArray& out)
{
    appendText(text.startsWith(u'@') ? u'@' + text : text, out);
}

void appendValue(const QVariant& value, QByteArray& out)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        out += "@Invalid()";
        break;
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        const QStringList list = value.toStringList();
        if (list.isEmpty()) {
            out += "@Invalid()";
        }
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (i > 0) {
                out += ", ";
            }
            appendValueText(list[i], out);
        }
        break;
    }
    case QMetaType::QByteArray:
        appendText(u"@ByteArray("_s + QString::fromLatin1(value.toByteArray()) + u')', out);
        break;
    default:
        appendValueText(value.toString(), out);
    }
}

} // namespace

QByteArray iniText(const std::map<QString, QVariant>& values)
{
    // Section by section: the top-level keys first, under [General], then each group in key order.
    std::map<QString, std::map<QString, QVariant>> sections;
    for (const auto& [given, value] : values) {
        // As QSettings reads keys: no empty group names. A key ending in "/" would otherwise end in a backslash, which
        // takes the "=" after it and leaves a line the reader cannot parse.
        const QString key = given.split(u'/', Qt::SkipEmptyParts).join(u'/');
        if (key.isEmpty()) {
            continue;
        }
        const qsizetype slash = key.indexOf(u'/');
        if (slash < 0) {
            sections[QString()][key] = value;
        } else {
            sections[key.left(slash)][key.mid(slash + 1)] = value;
        }
    }
    QByteArray out;
    for (const auto& [section, keys] : sections) {
        if (!out.isEmpty()) {
            out += '\n';
        }
        out += '[';
        if (section.isEmpty()) {
            out += "General";
        } else {
            // A group of that name would otherwise be read as the top level.
            if (section.compare(u"General"_s, Qt::CaseInsensitive) == 0) {
                out += '%';
            }
            appendKey(section, out);
        }
        out += "]\n";
        for (const auto& [key, value] : keys) {
            appendKey(key, out);
            out += '=';
            appendValue(value, out);
            out += '\n';
        }
    }
    return out;
}

} // namespace marrowfin
