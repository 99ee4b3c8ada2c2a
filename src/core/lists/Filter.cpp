#include "Filter.h"

#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

Filter::Filter(QString regex)
    : m_regex(std::move(regex)), m_expression(kExpressionStart.toString() + m_regex + kExpressionEnd.toString())
{}

bool Filter::isAccepted(const QString& name) const
{
    // The pattern layer refuses a null subject as a missing argument; a name is text, possibly empty.
    const QString& subject = name.isNull() ? u""_s : name;
    return !captureComponentsMatchedByRegex(subject, m_expression).isEmpty();
}

namespace {

// Names that share no word, letter case, script or digit: a filter that picks something out refuses one.
const std::array kUnrelated{
    u"Ubuntu 14.04 Desktop amd64"_s,
    u"the amber lighthouse (2011) 720p"_s,
    u"\u0421\u043e\u0431\u0440\u0430\u043d\u0438\u0435"_s,
    u"QX-7 [FLAC]"_s,
    u"2023"_s,
    u"z"_s,
    u"!!!"_s,
};

// Whether the wrapped form searches plain names of a few lengths without failing; a search that runs out of time
// ends the trial (the filter's own trial finds that). ICU's matcher fails on some wrapped expressions only ("()++"
// and a text after it overflows its stack on names of five characters and more).
bool wrappedSearches(CompiledRegex& wrapped)
{
    try {
        for (const QString& name : kUnrelated) {
            (void)wrapped.finds(name);
        }
    } catch (const RegexException& e) {
        return e.kind() == RegexException::Kind::TimedOut;
    }
    return true;
}

std::pair<CompiledRegex, bool> compileForMatching(const QString& text)
{
    static const QRegularExpression kNumberedReference(uR"(\\[1-9])"_s);
    std::optional<CompiledRegex> own;
    if (!text.isEmpty() && !text.contains(kNumberedReference)) {
        try {
            own.emplace(text);
        } catch (const RegexException&) {
            // Only the wrapping makes an expression of it.
        }
    }
    // The wrapped form decides whether the filter is usable at all, and throws here when it does not compile: a
    // text ending in "\c" compiles on its own, but wrapped its escape takes the wrapping's closing parenthesis.
    CompiledRegex wrapped(Filter(text).expression());
    // A text that compiles on its own can reach past its end into the wrapping only through a quote ("\Q" to the
    // end) or a setting or comment ("(?x)" and "#"); without them, the wrapping is its own groups and one more.
    // And only when the wrapped form can search: the rule is the wrapped search, so where that fails for reasons of
    // its own, it is the one used, and fails alike (the own form's required texts would skip the names it fails on).
    if (own &&
        ((!text.contains(u"\\Q"_s) && !text.contains(u"(?"_s)) || own->groupCount() + 1 == wrapped.groupCount()) &&
        wrappedSearches(wrapped)) {
        return {std::move(*own), false};
    }
    return {std::move(wrapped), true};
}

// One text that every match of `text` holds, for each of its top-level alternatives: the longest run of plain
// characters outside groups and classes that no quantifier makes optional. Nothing when an alternative has none,
// or the text holds what this reading does not follow (settings, quotes, escapes naming characters by number or
// name, nested classes): then every name is searched.
QStringList textsEveryMatchHolds(const QString& text)
{
    QStringList required;
    QString best;
    QString run;
    int depth = 0;
    const auto flush = [&] {
        if (run.size() > best.size()) {
            best = run;
        }
        run.clear();
    };
    // The last character of the run, when a quantifier follows it (a surrogate pair is one character).
    const auto dropLast = [&] { run.chop(run.size() >= 2 && run.back().isLowSurrogate() ? 2 : 1); };
    static const QString kSeparatingEscapes = u"dDwWsSbBhHvVRXtnrfeaGAZz"_s;
    if (text.contains(u"(?"_s)) {
        return {};
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\') {
            if (i + 1 >= text.size()) {
                return {};
            }
            const QChar next = text.at(++i);
            if (next.isLetterOrNumber() || next.unicode() > 0x7f) {
                if (!kSeparatingEscapes.contains(next)) {
                    return {};
                }
                flush();
            } else if (depth == 0) {
                run.append(next);
            }
        } else if (c == u'[') {
            flush();
            qsizetype j = i + 1;
            j += j < text.size() && text.at(j) == u'^' ? 1 : 0;
            j += j < text.size() && text.at(j) == u']' ? 1 : 0;
            for (; j < text.size() && text.at(j) != u']'; ++j) {
                if (text.at(j) == u'[') {
                    return {};
                }
                j += text.at(j) == u'\\' ? 1 : 0;
            }
            if (j >= text.size()) {
                return {};
            }
            i = j;
        } else if (c == u'(') {
            flush();
            ++depth;
        } else if (c == u')') {
            if (--depth < 0) {
                return {};
            }
        } else if (c == u'|' && depth == 0) {
            flush();
            if (best.isEmpty()) {
                return {};
            }
            required.append(std::exchange(best, QString()));
        } else if (c == u'*' || c == u'+' || c == u'?' || c == u'{') {
            if (!run.isEmpty()) {
                dropLast();
            }
            flush();
            if (c == u'{' && (i = text.indexOf(u'}', i)) < 0) {
                return {};
            }
        } else if (c == u'.' || c == u'^' || c == u'$' || c == u'|') {
            flush();
        } else if (c == u']' || c == u'}') {
            return {};
        } else if (depth == 0) {
            run.append(c);
        }
    }
    flush();
    if (best.isEmpty() || depth != 0) {
        return {};
    }
    required.append(best);
    return required;
}

} // namespace

FilterMatcher::FilterMatcher(const QString& text) : FilterMatcher(compileForMatching(text), text) {}

FilterMatcher::FilterMatcher(std::pair<CompiledRegex, bool> compiled, const QString& text)
    : m_regex(std::move(compiled.first)), m_wrapped(compiled.second),
      m_required(m_wrapped ? QStringList() : textsEveryMatchHolds(text))
{}

bool acceptsEveryName(const QString& text)
{
    try {
        FilterMatcher filter(text);
        return acceptsEveryName(filter);
    } catch (const RegexException&) {
        return false;
    }
}

bool acceptsEveryName(FilterMatcher& filter)
{
    try {
        return std::all_of(kUnrelated.cbegin(), kUnrelated.cend(),
                           [&filter](const QString& name) { return filter.accepts(name); });
    } catch (const RegexException&) {
        return false;
    }
}

} // namespace marrowfin
