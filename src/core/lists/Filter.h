#pragma once

#include "core/text/RegexMatching.h"

#include <QString>
#include <QStringList>

#include <utility>

namespace marrowfin {

// One favorite filter: a regular expression over torrent names, kept exactly as the user typed it (never trimmed,
// validated or compiled when stored).
class Filter final
{
public:
    // What the filter's text is put between to make its expression.
    static constexpr QStringView kExpressionStart = u".*(";
    static constexpr QStringView kExpressionEnd = u").*";

    explicit Filter(QString regex);

    [[nodiscard]] const QString& regex() const noexcept { return m_regex; }
    // The filter put between ".*(" and ").*": the parentheses make an alternation cover the whole filter, and
    // the surrounding ".*" let it match anywhere in a name.
    [[nodiscard]] const QString& expression() const noexcept { return m_expression; }

    // True when the expression occurs in `name` (case-sensitive; "." does not cross a line break). A null name is
    // an empty one. Throws RegexException when the expression does not compile or a match runs out of time;
    // FilterSet is the caller that turns that into a skipped filter.
    [[nodiscard]] bool isAccepted(const QString& name) const;

    friend bool operator==(const Filter& a, const Filter& b) { return a.m_regex == b.m_regex; }

private:
    QString m_regex;
    // Built once: the pattern cache finds a compiled expression by this very text on every call.
    QString m_expression;
};

// A filter compiled once for matching many names, with the same rule of acceptance as Filter::isAccepted but at
// the cost of one search for the filter's own expression: the wrapped form's leading ".*" makes every search that
// fails try each start and back off over the rest of the line, quadratic in the name's length. The wrapped form is
// kept where the text needs it to mean what it means there: a text that does not compile on its own (parentheses
// that only balance with the wrapping ones, as "a)(b"), that numbers groups (a back-reference such as "\1" counts
// the wrapping group too), or whose groups come out otherwise than the wrapping's one more. The empty text, which
// accepts every name, keeps it too. Not for several threads at once (see CompiledRegex).
class FilterMatcher final
{
public:
    // Throws RegexException (CompileFailed) when the wrapped expression does not compile: the filter is unusable.
    explicit FilterMatcher(const QString& text);

    [[nodiscard]] bool usesWrappedForm() const { return m_wrapped; }
    // Throws RegexException when a match runs out of time or fails.
    [[nodiscard]] bool accepts(const QString& name) { return m_regex.finds(name); }
    // Texts of which every name the filter accepts holds at least one (one per alternative of the expression);
    // empty when no such set is known. A name without any of them needs no search.
    [[nodiscard]] const QStringList& requiredTexts() const { return m_required; }

private:
    FilterMatcher(std::pair<CompiledRegex, bool> compiled, const QString& text);

    CompiledRegex m_regex;
    bool m_wrapped;
    QStringList m_required;
};

// True when the filter `text` accepts each of a fixed set of unrelated names (different letters, scripts, digits
// and punctuation): the empty text, ".*", "." or "|" take a whole listing, not a choice of it. False as well for a
// text that does not compile.
[[nodiscard]] bool acceptsEveryName(const QString& text);
// The same for a compiled filter (it may run out of time: then false).
[[nodiscard]] bool acceptsEveryName(FilterMatcher& filter);

} // namespace marrowfin
