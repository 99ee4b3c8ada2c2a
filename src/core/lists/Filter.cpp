#include "Filter.h"

#include "core/text/RegexMatching.h"

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

} // namespace marrowfin
