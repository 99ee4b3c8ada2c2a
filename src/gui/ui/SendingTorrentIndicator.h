#pragma once

#include "LoadingIndicator.h"

namespace marrowfin {

// The overlay shown while torrents go to the user's client: the same panel as the loading overlay, with its own
// single instance so that it can be up at the same time as the loading one.
class SendingTorrentIndicator final : public LoadingIndicator
{
    Q_OBJECT

public:
    // The one sending overlay, made on first use and never freed; each call clears parent view, offset and text.
    static SendingTorrentIndicator& sharedInstance();

    // The overlay's text for sending this many torrents.
    [[nodiscard]] static QString sendingText(int count);

private:
    SendingTorrentIndicator() = default;
};

} // namespace marrowfin
