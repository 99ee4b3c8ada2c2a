#pragma once

#include <QString>

#include <optional>

// Steps shared by the page scrapers of this folder.
namespace marrowfin {

class RegexException;

struct MainPart
{
    QString head; // from the start of the page to the last "</head>"
    QString main; // the main-part division up to the translation division
};

// Groups 1 and 2 of the main-part pattern, or absent when the page does not have the main part. Throws
// RegexException.
[[nodiscard]] std::optional<MainPart> findMainPart(const QString& page);

// Replaces every side-bar cell by an empty cell. Throws RegexException; `html` is untouched then.
void emptySideBarCells(QString& html);

// The one warning of a page that a pattern could not be run over; `what` names the page without its content.
void logUnmatchedPage(const QString& what, const RegexException& error);

} // namespace marrowfin
