#include "RegexMatching.h"

#include "RegexCache.h"
#include "RegexException.h"
#include "RegexProblem.h"

#include <unicode/ustring.h>

#include <limits>
#include <utility>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

using Kind = RegexException::Kind;

void requireArguments(const QString& subject, const QString& regex)
{
    if (regex.isNull())
        throw RegexException(Kind::InvalidArgument, QStringLiteral("The regular expression argument is NULL."));
    if (subject.isNull())
        throw RegexException(Kind::InvalidArgument, QStringLiteral("The match string argument is NULL."));
    if (subject.size() > std::numeric_limits<int32_t>::max())
        throw RegexException(Kind::InvalidArgument, QStringLiteral("String length exceeds INT_MAX."));
}

[[noreturn]] void throwMatchFailure(UErrorCode status)
{
    const Kind kind = status == U_REGEX_TIME_OUT ? Kind::TimedOut : Kind::MatchFailed;
    throw RegexException(kind,
                         QStringLiteral("ICU regular expression error #%1, %2.")
                             .arg(int(status))
                             .arg(QString::fromLatin1(u_errorName(status))),
                         int(status));
}

// One matcher set to one subject. Every search starts with uregex_find(start), which resets ICU's time counter,
// so the time limit is a budget per match: a long but ordinary page never reaches it, while a single match
// that backtracks without end does.
class Matcher
{
public:
    Matcher(const QString& subject, const QString& regex)
    {
        requireArguments(subject, regex);
        m_slot = &RegexCache::forCurrentThread().acquire(regex);
        RegexCache::setSubject(*m_slot, subject);
        m_subject = &m_slot->subject;
    }

    [[nodiscard]] bool findNext()
    {
        const int32_t length = static_cast<int32_t>(m_subject->size());
        if (m_next > length)
            return false;
        UErrorCode status = U_ZERO_ERROR;
        const bool found = uregex_find(m_slot->compiled, m_next, &status);
        if (U_FAILURE(status))
            throwMatchFailure(status);
        if (!found) {
            m_next = length + 1;
            return false;
        }
        const int32_t begin = start(0);
        const int32_t finish = end(0);
        // After an empty match the next search starts one character further on, as findNext would; a
        // surrogate pair is one character.
        m_next = finish;
        if (finish == begin) {
            const bool pair = finish + 1 < length && m_subject->at(finish).isHighSurrogate() &&
                              m_subject->at(finish + 1).isLowSurrogate();
            m_next += pair ? 2 : 1;
        }
        return true;
    }

    [[nodiscard]] int32_t start(int group) const
    {
        UErrorCode status = U_ZERO_ERROR;
        return uregex_start(m_slot->compiled, group, &status);
    }

    [[nodiscard]] int32_t end(int group) const
    {
        UErrorCode status = U_ZERO_ERROR;
        return uregex_end(m_slot->compiled, group, &status);
    }

    [[nodiscard]] int groupCount() const { return m_slot->groupCount; }

    [[nodiscard]] QString group(int n) const
    {
        const int32_t begin = start(n);
        if (begin < 0)
            return QString(u""_s);
        return m_subject->mid(begin, end(n) - begin);
    }

    [[nodiscard]] QStringList captures() const
    {
        QStringList components;
        components.reserve(groupCount() + 1);
        for (int i = 0; i <= groupCount(); ++i)
            components.append(group(i));
        return components;
    }

    [[nodiscard]] int groupNumberFromName(const UChar* name, int32_t length) const
    {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t number = uregex_groupNumberFromName(m_slot->compiled, name, length, &status);
        return U_FAILURE(status) ? -1 : number;
    }

private:
    RegexCache::Slot* m_slot = nullptr;
    const QString* m_subject = nullptr;
    int32_t m_next = 0;
};

// Expands an ICU replacement template for the current match: "$n" (as many digits as still name a group),
// "${name}", and "\" taking the next character literally ("\uhhhh" as a code unit).
void appendExpansion(QString& out, const Matcher& matcher, const QString& replacement)
{
    const qsizetype length = replacement.size();
    int maxDigits = 1;
    for (int count = matcher.groupCount(); count >= 10; count /= 10)
        ++maxDigits;
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = replacement.at(i);
        if (c == u'\\' && i + 1 < length) {
            const QChar next = replacement.at(i + 1);
            if ((next == u'u' || next == u'U')) {
                int32_t offset = int32_t(i + 1);
                const UChar32 unescaped = u_unescapeAt(
                    [](int32_t at, void* context) -> UChar {
                        return static_cast<const QString*>(context)->at(at).unicode();
                    },
                    &offset, int32_t(length), const_cast<QString*>(&replacement));
                if (unescaped != static_cast<UChar32>(-1)) {
                    out.append(QString::fromUcs4(reinterpret_cast<const char32_t*>(&unescaped), 1));
                    i = offset - 1;
                    continue;
                }
            }
            out.append(next);
            ++i;
            continue;
        }
        if (c != u'$') {
            out.append(c);
            continue;
        }
        if (i + 1 < length && replacement.at(i + 1) == u'{') {
            const qsizetype close = replacement.indexOf(u'}', i + 2);
            if (close < 0)
                throw RegexException(Kind::MatchFailed,
                                     QStringLiteral("ICU regular expression error #%1, %2.")
                                         .arg(int(U_REGEX_INVALID_CAPTURE_GROUP_NAME))
                                         .arg(QString::fromLatin1(u_errorName(U_REGEX_INVALID_CAPTURE_GROUP_NAME))),
                                     int(U_REGEX_INVALID_CAPTURE_GROUP_NAME));
            const QString name = replacement.mid(i + 2, close - i - 2);
            const int number =
                matcher.groupNumberFromName(reinterpret_cast<const UChar*>(name.constData()), int32_t(name.size()));
            if (number < 0)
                throwMatchFailure(U_REGEX_INVALID_CAPTURE_GROUP_NAME);
            out.append(matcher.group(number));
            i = close;
            continue;
        }
        int number = 0;
        int digits = 0;
        qsizetype j = i + 1;
        while (j < length && digits < maxDigits && replacement.at(j).isDigit()) {
            const int candidate = number * 10 + replacement.at(j).digitValue();
            if (digits > 0 && candidate > matcher.groupCount())
                break;
            number = candidate;
            ++digits;
            ++j;
        }
        if (digits == 0)
            throwMatchFailure(U_REGEX_INVALID_CAPTURE_GROUP_NAME);
        if (number > matcher.groupCount())
            throwMatchFailure(U_INDEX_OUTOFBOUNDS_ERROR);
        out.append(matcher.group(number));
        i = j - 1;
    }
}

} // namespace

QStringList captureComponentsMatchedByRegex(const QString& subject, const QString& regex)
{
    Matcher matcher(subject, regex);
    if (!matcher.findNext())
        return {};
    return matcher.captures();
}

QList<QStringList> arrayOfCaptureComponentsMatchedByRegex(const QString& subject, const QString& regex)
{
    Matcher matcher(subject, regex);
    QList<QStringList> matches;
    while (matcher.findNext())
        matches.append(matcher.captures());
    return matches;
}

QString stringByMatching(const QString& subject, const QString& regex, int capture)
{
    Matcher matcher(subject, regex);
    if (!matcher.findNext() || capture < 0 || capture > matcher.groupCount())
        return {};
    return matcher.group(capture);
}

qsizetype replaceOccurrencesOfRegex(QString& subject, const QString& regex, const QString& replacement)
{
    if (replacement.isNull())
        throw RegexException(Kind::InvalidArgument, QStringLiteral("The replacement string argument is NULL."));
    Matcher matcher(subject, regex);
    QString out;
    qsizetype count = 0;
    int32_t copied = 0;
    while (matcher.findNext()) {
        const int32_t begin = matcher.start(0);
        out.append(QStringView(subject).mid(copied, begin - copied));
        appendExpansion(out, matcher, replacement);
        copied = matcher.end(0);
        ++count;
    }
    if (count > 0) {
        out.append(QStringView(subject).mid(copied));
        subject = out;
    }
    return count;
}

CompiledRegex::CompiledRegex(const QString& regex)
{
    if (regex.size() > std::numeric_limits<int32_t>::max())
        throw RegexException(Kind::InvalidArgument, QStringLiteral("String length exceeds INT_MAX."));
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    m_compiled = uregex_open(reinterpret_cast<const UChar*>(regex.constData()), static_cast<int32_t>(regex.size()), 0,
                             &parseError, &status);
    if (U_FAILURE(status)) {
        if (m_compiled) {
            uregex_close(m_compiled);
        }
        throw compileFailure(regex, int(status), parseError.line, parseError.offset);
    }
    m_groupCount = uregex_groupCount(m_compiled, &status);
}

CompiledRegex::~CompiledRegex()
{
    if (m_compiled) {
        uregex_close(m_compiled);
    }
}

CompiledRegex::CompiledRegex(CompiledRegex&& other) noexcept
    : m_compiled(std::exchange(other.m_compiled, nullptr)), m_groupCount(other.m_groupCount)
{}

CompiledRegex& CompiledRegex::operator=(CompiledRegex&& other) noexcept
{
    if (this != &other) {
        if (m_compiled) {
            uregex_close(m_compiled);
        }
        m_compiled = std::exchange(other.m_compiled, nullptr);
        m_groupCount = other.m_groupCount;
    }
    return *this;
}

bool CompiledRegex::finds(const QString& subject)
{
    if (subject.size() > std::numeric_limits<int32_t>::max())
        throw RegexException(Kind::InvalidArgument, QStringLiteral("String length exceeds INT_MAX."));
    // constData(): a null or shared-static string gives a valid pointer without a copy.
    static const QString kEmpty = u""_s;
    const QString& text = subject.isNull() ? kEmpty : subject;
    UErrorCode status = U_ZERO_ERROR;
    uregex_setText(m_compiled, reinterpret_cast<const UChar*>(text.constData()), static_cast<int32_t>(text.size()),
                   &status);
    uregex_setTimeLimit(m_compiled, RegexCache::matchTimeLimit(), &status);
    const bool found = uregex_find(m_compiled, 0, &status);
    if (U_FAILURE(status))
        throwMatchFailure(status);
    return found;
}

bool isValidRegex(const QString& regex, QString* errorReason)
{
    const std::optional<RegexException> error = regexError(regex);
    if (error && errorReason)
        *errorReason = error->reason();
    return !error;
}

std::optional<RegexException> regexError(const QString& regex)
{
    try {
        (void)RegexCache::forCurrentThread().acquire(regex.isNull() ? QString(u""_s) : regex);
        return std::nullopt;
    } catch (const RegexException& e) {
        return e;
    }
}

} // namespace marrowfin
