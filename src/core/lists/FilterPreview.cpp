#include "FilterPreview.h"

#include "Filter.h"

#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"

namespace marrowfin {

std::optional<QString> filterProblem(const QString& text)
{
    QString reason;
    if (isValidRegex(Filter(text).expression(), &reason))
        return std::nullopt;
    return reason;
}

FilterPreview previewFilter(const QString& text, const QStringList& names, int firstCount)
{
    FilterPreview preview;
    preview.total = int(names.size());
    if ((preview.problem = filterProblem(text)))
        return preview;
    const Filter filter(text);
    try {
        for (const QString& name : names) {
            if (!filter.isAccepted(name))
                continue;
            ++preview.accepted;
            if (preview.firstNames.size() < firstCount)
                preview.firstNames.append(name);
        }
    } catch (const RegexException& error) {
        preview.problem = error.reason();
        preview.accepted = 0;
        preview.firstNames.clear();
    }
    return preview;
}

} // namespace marrowfin
