#include "RegexProblem.h"

#include <QList>

#include <unicode/utypes.h>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

// What leaves a typed expression open at its end, each as an index into it (-1: nothing of that kind).
struct OpenEnds
{
    qsizetype paren = -1;   // the last "(" that no ")" closes
    qsizetype stray = -1;   // the first ")" that closes no "("
    qsizetype bracket = -1; // the outermost "[" that no "]" closes
    qsizetype quote = -1;   // a "\Q" without its "\E"
    qsizetype escape = -1;  // a "\" that ends the text
};

// Reads `typed` as ICU does, as far as brackets go: a "\" takes the next character, "\Q" quotes up to "\E", and
// inside "[...]" parentheses are plain characters while a "[" opens a nested set. A "]" right after "[" or "[^" is
// a plain character.
OpenEnds openEnds(QStringView typed)
{
    OpenEnds open;
    QList<qsizetype> parens;
    QList<qsizetype> brackets;
    const qsizetype size = typed.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = typed.at(i);
        if (c == u'\\') {
            if (i + 1 == size) {
                open.escape = i;
                break;
            }
            if (typed.at(i + 1) == u'Q') {
                const qsizetype end = typed.indexOf(u"\\E", i + 2);
                if (end < 0) {
                    open.quote = i;
                    break;
                }
                i = end + 1;
            } else {
                ++i;
            }
            continue;
        }
        if (c == u'[') {
            brackets.append(i);
            qsizetype next = i + 1;
            if (next < size && typed.at(next) == u'^') {
                ++next;
            }
            if (next < size && typed.at(next) == u']') {
                i = next;
            }
        } else if (c == u']' && !brackets.isEmpty()) {
            brackets.removeLast();
        } else if (brackets.isEmpty() && c == u'(') {
            parens.append(i);
        } else if (brackets.isEmpty() && c == u')') {
            if (!parens.isEmpty()) {
                parens.removeLast();
            } else if (open.stray < 0) {
                open.stray = i;
            }
        }
    }
    open.paren = parens.isEmpty() ? -1 : parens.last();
    open.bracket = brackets.isEmpty() ? -1 : brackets.first();
    return open;
}

// The problem of an expression left open at its end, and where; empty when nothing is found open.
std::pair<QString, qsizetype> openEndProblem(const OpenEnds& open, bool bracketFirst)
{
    if (open.escape >= 0) {
        return {u"a \\ at the end has nothing to escape"_s, open.escape};
    }
    if (open.quote >= 0) {
        return {u"a \\Q is not ended by \\E"_s, open.quote};
    }
    if (open.bracket >= 0 && (bracketFirst || open.paren < 0)) {
        return {u"a [ is not closed"_s, open.bracket};
    }
    if (open.paren >= 0) {
        return {u"a ( is not closed"_s, open.paren};
    }
    return {QString(), -1};
}

bool isQuantifier(QChar c)
{
    return c == u'*' || c == u'+' || c == u'?' || c == u'{';
}

// What a compile failure of ICU's means, for the character it stopped at (a null QChar when it stopped outside the
// typed text).
QString compileWords(int icuCode, QChar at)
{
    switch (icuCode) {
    case U_REGEX_RULE_SYNTAX:
        return isQuantifier(at) ? u"a %1 has nothing before it to repeat"_s.arg(at)
                                : u"this cannot be read as an expression"_s;
    case U_REGEX_BAD_ESCAPE_SEQUENCE:
        return u"a \\ is followed by something that is not an escape"_s;
    case U_REGEX_PROPERTY_SYNTAX:
        return u"a \\p{...} or \\P{...} names no property there is"_s;
    case U_REGEX_BAD_INTERVAL:
        return u"a { must be a count such as {2} or {2,5}"_s;
    case U_REGEX_MAX_LT_MIN:
        return u"a count's largest number is below its smallest"_s;
    case U_REGEX_INVALID_BACK_REF:
        return u"a back-reference names a group there is not"_s;
    case U_REGEX_INVALID_FLAG:
        return u"(? is followed by a flag there is not"_s;
    case U_REGEX_LOOK_BEHIND_LIMIT:
        return u"a look-behind must be of a limited length"_s;
    case U_REGEX_SET_CONTAINS_STRING:
        return u"a [...] holds a sequence of characters instead of single ones"_s;
    case U_REGEX_OCTAL_TOO_BIG:
        return u"an octal escape is above \\377"_s;
    case U_REGEX_INVALID_RANGE:
        return u"a range in [...] runs backwards"_s;
    case U_REGEX_NUMBER_TOO_BIG:
        return u"a number is too large"_s;
    case U_REGEX_INVALID_CAPTURE_GROUP_NAME:
        return u"a group name is not valid"_s;
    case U_REGEX_PATTERN_TOO_BIG:
        return u"the expression is too long"_s;
    case U_ILLEGAL_CHAR_FOUND:
        return u"a \\N{...} names no character there is"_s;
    default:
        return u"this cannot be read as an expression"_s;
    }
}

// The character a person would look at for the failure: the "{" of a count, the "\\" of an escape, the first end of
// a range, rather than the character after them where compiling stopped. -1 when that is not in the typed text.
qsizetype anchorOf(int icuCode, QStringView typed, qsizetype index)
{
    if (index < 0 || typed.isEmpty()) {
        return -1;
    }
    const QStringView before = typed.first(qMin(index, typed.size() - 1) + 1);
    qsizetype anchor = -1;
    switch (icuCode) {
    case U_REGEX_BAD_INTERVAL:
    case U_REGEX_MAX_LT_MIN:
    case U_REGEX_NUMBER_TOO_BIG:
        anchor = before.lastIndexOf(u'{');
        break;
    case U_REGEX_BAD_ESCAPE_SEQUENCE:
    case U_REGEX_PROPERTY_SYNTAX:
    case U_REGEX_OCTAL_TOO_BIG:
    case U_REGEX_INVALID_BACK_REF:
        anchor = before.lastIndexOf(u'\\');
        break;
    case U_REGEX_INVALID_RANGE:
        anchor = index < typed.size() && index >= 2 && typed.at(index - 1) == u'-' ? index - 2 : -1;
        break;
    default:
        break;
    }
    return anchor >= 0 ? anchor : (index < typed.size() ? index : -1);
}

QString placed(const QString& words, QStringView typed, qsizetype index)
{
    if (index < 0 || index > typed.size()) {
        return words;
    }
    // Characters as a person counts them: a character beyond the BMP is one, not two UTF-16 units.
    const qsizetype character = typed.first(index).toUcs4().size() + 1;
    return u"%1, at character %2"_s.arg(words).arg(character);
}

} // namespace

RegexException compileFailure(QStringView pattern, int icuCode, int line, int offset)
{
    // ICU counts lines and characters as it reads: CR, LF (but not LF after CR), NEL and LS start a line, and the
    // reported offset is the number of characters read on the line, the last of them the one compiling stopped at.
    qsizetype index = -1;
    if (line >= 1 && offset >= 0) {
        int lineNumber = 1;
        int character = 0;
        char32_t last = 0;
        index = line == 1 && offset == 0 ? 0 : pattern.size();
        for (qsizetype i = 0; i < pattern.size();) {
            const qsizetype at = i;
            char32_t c = pattern.at(i++).unicode();
            if (QChar::isHighSurrogate(c) && i < pattern.size() && pattern.at(i).isLowSurrogate()) {
                c = QChar::surrogateToUcs4(char16_t(c), pattern.at(i++).unicode());
            }
            if (c == u'\r' || c == 0x85 || c == 0x2028 || (c == u'\n' && last != u'\r')) {
                ++lineNumber;
                character = 0;
            } else if (c != u'\n') {
                ++character;
            }
            last = c;
            if (lineNumber == line && character == offset) {
                index = at;
                break;
            }
        }
    }
    return RegexException(RegexException::Kind::CompileFailed,
                          u"ICU regular expression error #%1, %2."_s.arg(icuCode).arg(
                              QString::fromLatin1(u_errorName(UErrorCode(icuCode)))),
                          icuCode, index);
}

QString regexProblemText(const RegexException& error, QStringView typed, qsizetype typedStart)
{
    switch (error.kind()) {
    case RegexException::Kind::TimedOut:
        return u"matching it took too long"_s;
    case RegexException::Kind::MatchFailed:
        return error.icuCode() == U_REGEX_STACK_OVERFLOW ? u"matching it needs more memory than it may have"_s
                                                         : u"matching it failed"_s;
    case RegexException::Kind::InvalidArgument:
        return error.reason();
    case RegexException::Kind::CompileFailed:
        break;
    }
    const qsizetype index = error.errorIndex() < 0 ? -1 : error.errorIndex() - typedStart;
    const bool inTyped = index >= 0 && index < typed.size();
    const QChar at = inTyped ? typed.at(index) : QChar();
    const int code = error.icuCode();
    const OpenEnds open = openEnds(typed);
    if (code == U_REGEX_MISMATCHED_PAREN || code == U_REGEX_MISSING_CLOSE_BRACKET) {
        // ICU finds a bracket left open only at the end, and a ")" too many in the typed text closes the wrapping's
        // "(" so that ICU stops at the wrapping's ")": both places are found in the typed text itself.
        if (code == U_REGEX_MISMATCHED_PAREN && open.stray >= 0) {
            return placed(u"a ) has no ( before it"_s, typed, open.stray);
        }
        const auto [words, where] = openEndProblem(open, code == U_REGEX_MISSING_CLOSE_BRACKET);
        if (!words.isEmpty()) {
            return placed(words, typed, where);
        }
        return code == U_REGEX_MISMATCHED_PAREN ? u"a ( is not closed"_s : u"a [ is not closed"_s;
    }
    const QString words = compileWords(code, at);
    if (const qsizetype where = anchorOf(code, typed, index); where >= 0) {
        return placed(words, typed, where);
    }
    // Stopped past what was typed (in the wrapping around it): something typed left the expression open.
    if (const auto [openWords, where] = openEndProblem(open, false); !openWords.isEmpty()) {
        return placed(openWords, typed, where);
    }
    return index >= typed.size() ? words + u", at the end"_s : words;
}

} // namespace marrowfin
