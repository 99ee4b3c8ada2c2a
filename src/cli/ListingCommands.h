#pragma once

#include <QStringList>

namespace marrowfin {

class CliContext;

// The commands that fetch the site's pages: "new", "search", "favorites" and "detail".
class ListingCommands final
{
public:
    [[nodiscard]] static int newest(CliContext& context, const QStringList& arguments);
    [[nodiscard]] static int search(CliContext& context, const QStringList& arguments);
    [[nodiscard]] static int favorites(CliContext& context, const QStringList& arguments);
    [[nodiscard]] static int detail(CliContext& context, const QStringList& arguments);
};

} // namespace marrowfin
