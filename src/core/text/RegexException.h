#pragma once

#include <QString>

#include <stdexcept>

namespace marrowfin {

// The one error the pattern layer raises. It never leaves the thread that made it: callers (scrapers, filters)
// catch it around one page or one filter and turn it into a failed result.
class RegexException final : public std::runtime_error
{
public:
    enum class Kind
    {
        CompileFailed,   // the expression does not compile
        InvalidArgument, // a missing expression, subject or replacement, or a subject too long for ICU
        TimedOut,        // one match ran past its time budget (a hostile or broken page)
        MatchFailed      // any other ICU failure while matching (e.g. its backtracking stack limit)
    };

    static constexpr const char* kName = "RKLICURegexException";
    static constexpr const char* kErrorDomain = "RKLICURegexErrorDomain";
    static constexpr const char* kCompileDescription = "There was an error compiling the regular expression.";

    // `errorIndex`: where in the expression compiling stopped, as an index of UTF-16 units (the expression's length
    // when it stopped at its end); -1 when there is no such place.
    RegexException(Kind kind, QString reason, int icuCode = 0, qsizetype errorIndex = -1);

    [[nodiscard]] Kind kind() const noexcept { return m_kind; }
    [[nodiscard]] const QString& reason() const noexcept { return m_reason; }
    [[nodiscard]] int icuCode() const noexcept { return m_icuCode; }
    [[nodiscard]] qsizetype errorIndex() const noexcept { return m_errorIndex; }
    // "RKLICURegexException" for ICU failures, "NSInvalidArgumentException" for missing arguments.
    [[nodiscard]] QString name() const;
    [[nodiscard]] QString domain() const { return QString::fromLatin1(kErrorDomain); }
    [[nodiscard]] QString errorDescription() const;

private:
    Kind m_kind;
    QString m_reason;
    int m_icuCode;
    qsizetype m_errorIndex;
};

} // namespace marrowfin
