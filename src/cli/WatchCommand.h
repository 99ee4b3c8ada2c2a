#pragma once

#include <QStringList>

namespace marrowfin {

class CliContext;

// "watch": the favorites batch in rounds, each new match reported once and, with --send, sent once to the
// remote client through the download button's operation.
class WatchCommand final
{
public:
    [[nodiscard]] static int run(CliContext& context, const QStringList& arguments);
};

} // namespace marrowfin
