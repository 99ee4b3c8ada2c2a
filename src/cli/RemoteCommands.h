#pragma once

#include <QStringList>

namespace marrowfin {

class CliContext;

// The remote client commands: "remote" (the settings and their test), "send" (the download button's operation) and
// "history" (the download history screen).
class RemoteCommands final
{
public:
    [[nodiscard]] static int remote(CliContext& context, const QStringList& arguments);
    [[nodiscard]] static int send(CliContext& context, const QStringList& arguments);
    [[nodiscard]] static int history(CliContext& context, const QStringList& arguments);
};

} // namespace marrowfin
