#pragma once

#include "RegexException.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct URegularExpression; // ICU's compiled expression

// The four matching operations every scraper and filter uses. Expressions are ICU expressions used without
// options: case-sensitive, "." stops at line ends, "^" and "$" only at the ends of the subject.
//
// Every operation may throw RegexException (see there). Each match runs under a time budget, so a hostile page
// ends as a TimedOut failure instead of backtracking for hours. Safe to call from any thread at once: each thread
// keeps its own compiled expressions (RegexCache).
namespace marrowfin {

// The first match: element 0 the whole match, element i capture group i ("" for a group that took no part).
// No match gives an empty list.
[[nodiscard]] QStringList captureComponentsMatchedByRegex(const QString& subject, const QString& regex);

// Every non-overlapping match from start to end, each as above. No match gives an empty list.
[[nodiscard]] QList<QStringList> arrayOfCaptureComponentsMatchedByRegex(const QString& subject, const QString& regex);

// Capture group `capture` of the first match (0 = the whole match); a null QString when nothing matches.
[[nodiscard]] QString stringByMatching(const QString& subject, const QString& regex, int capture = 0);

// Replaces every match in place by the ICU replacement template ("$1" for a group, "\\" escapes); returns the
// number of replacements. `subject` is untouched when an exception is thrown.
qsizetype replaceOccurrencesOfRegex(QString& subject, const QString& regex, const QString& replacement);

// The same expression checked once: true when it compiles. Never throws.
[[nodiscard]] bool isValidRegex(const QString& regex, QString* errorReason = nullptr);
// The error compiling `regex` raises (with ICU's code and the place it stopped at), or nothing when it compiles.
// Never throws.
[[nodiscard]] std::optional<RegexException> regexError(const QString& regex);

// One expression compiled once and kept by its owner, outside the per-thread cache: for a set of expressions too
// large for the cache's slots that is tried on many subjects (the favorite filters). Not for several threads at
// once: a caller shares one under its own lock.
class CompiledRegex final
{
public:
    // Throws RegexException (CompileFailed, with ICU's reason as the cache gives it) when it does not compile.
    explicit CompiledRegex(const QString& regex);
    ~CompiledRegex();
    CompiledRegex(CompiledRegex&& other) noexcept;
    CompiledRegex& operator=(CompiledRegex&& other) noexcept;
    CompiledRegex(const CompiledRegex&) = delete;
    CompiledRegex& operator=(const CompiledRegex&) = delete;

    [[nodiscard]] int groupCount() const { return m_groupCount; }
    // Whether a match is found anywhere in `subject` (a null one is empty), under the same time budget per match
    // as the operations above; throws RegexException (TimedOut, MatchFailed) as they do.
    [[nodiscard]] bool finds(const QString& subject);

private:
    ::URegularExpression* m_compiled = nullptr;
    int m_groupCount = 0;
};

} // namespace marrowfin
