#include "Filter.h"

#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"

#include <algorithm>
#include <array>
#include <utility>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

Filter::Filter(QString regex) : m_regex(std::move(regex)), m_expression(u".*("_s + m_regex + u").*"_s) {}

bool Filter::isAccepted(const QString& name) const
{
    // The pattern layer refuses a null subject as a missing argument; a name is text, possibly empty.
    const QString& subject = name.isNull() ? u""_s : name;
    return !arrayOfCaptureComponentsMatchedByRegex(subject, m_expression).isEmpty();
}

bool acceptsEveryName(const QString& text)
{
    // Names that share no word, letter case, script or digit: a filter that picks something out refuses one.
    static const std::array kUnrelated{
        u"Ubuntu 14.04 Desktop amd64"_s,
        u"the amber lighthouse (2011) 720p"_s,
        u"\u0421\u043e\u0431\u0440\u0430\u043d\u0438\u0435"_s,
        u"QX-7 [FLAC]"_s,
        u"2023"_s,
        u"z"_s,
        u"!!!"_s,
    };
    const Filter filter(text);
    try {
        return std::all_of(kUnrelated.cbegin(), kUnrelated.cend(),
                           [&filter](const QString& name) { return filter.isAccepted(name); });
    } catch (const RegexException&) {
        return false;
    }
}

} // namespace marrowfin
