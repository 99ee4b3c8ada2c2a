#pragma once

#include <QString>

namespace marrowfin {

// One favorite filter: a regular expression over torrent names, kept exactly as the user typed it (never trimmed,
// validated or compiled when stored).
class Filter final
{
public:
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

// True when the filter `text` accepts each of a fixed set of unrelated names (different letters, scripts, digits
// and punctuation): the empty text, ".*", "." or "|" take a whole listing, not a choice of it. False as well for a
// text that does not compile.
[[nodiscard]] bool acceptsEveryName(const QString& text);

} // namespace marrowfin
