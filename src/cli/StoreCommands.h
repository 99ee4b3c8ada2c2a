#pragma once

#include <QStringList>

namespace marrowfin {

class CliContext;

// The commands that read and change the profile's store without the network: "settings" and "filters".
class StoreCommands final
{
public:
    [[nodiscard]] static int settings(CliContext& context, const QStringList& arguments);
    [[nodiscard]] static int filters(CliContext& context, const QStringList& arguments);
};

} // namespace marrowfin
