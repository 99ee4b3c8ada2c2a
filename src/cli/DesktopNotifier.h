#pragma once

#include "core/watch/WatchNotifier.h"

namespace marrowfin {

class CliContext;

// Desktop notifications over the session bus, when there is one; says once, as a command's message, when there is
// none or it refuses them, and shows nothing more.
class DesktopNotifier final : public WatchNotifier
{
public:
    explicit DesktopNotifier(CliContext& context) : m_context(context) {}

    void notify(const QString& name, bool sent) override;

private:
    CliContext& m_context;
    bool m_off = false;
};

} // namespace marrowfin
