#include "PageExtraction.h"

#include "PagePatterns.h"
#include "ScrapeLog.h"

#include "core/text/RegexException.h"
#include "core/text/RegexMatching.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

std::optional<MainPart> findMainPart(const QString& page)
{
    // Where it does not match, the main-part pattern takes time quadratic in the page (each start position scans
    // on to the end), so an ordinary page without the main part would run into the match time limit and be lost.
    // These three landmarks, in this order, are exactly the condition for a match, and finding them is linear.
    static constexpr QStringView headEnd = u"</head>";
    static constexpr QStringView mainOpening = u"<div class=\"mainpart\">";
    static constexpr QStringView translateOpening = u"<div id=\"translate_site\"";
    const qsizetype head = page.indexOf(headEnd);
    const qsizetype main = head < 0 ? -1 : page.indexOf(mainOpening, head + headEnd.size());
    if (main < 0 || page.indexOf(translateOpening, main + mainOpening.size()) < 0)
        return std::nullopt;

    const QStringList captures = captureComponentsMatchedByRegex(page, mainPartPattern());
    if (captures.size() < 3)
        return std::nullopt;
    return MainPart{captures.at(1), captures.at(2)};
}

void emptySideBarCells(QString& html)
{
    replaceOccurrencesOfRegex(html, sideBarCellPattern(), emptyCell());
}

void logUnmatchedPage(const QString& what, const RegexException& error)
{
    qCWarning(lcScrape).noquote() << what << u"could not be taken apart and counts as not fetched:"_s << error.reason();
}

} // namespace marrowfin
