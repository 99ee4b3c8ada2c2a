#pragma once

#include "core/net/OperationQueue.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace marrowfin {

// Sends a torrent that no listing row stands for (a torrent page opened from the forum, a page's own link to a
// torrent) as a listing's download button sends a row: the shared sending overlay over the window counts it while it
// runs, a failure raises its alert, and a torrent that reached the client is announced to a screen reader. One for
// the whole run, so that a send outlives the page that started it. Main thread only.
class TorrentSender final : public QObject
{
    Q_OBJECT

public:
    static constexpr int kOverlayOffset = 50;

    // Made on first use, never freed.
    [[nodiscard]] static TorrentSender& sharedInstance();

    // Fetches the torrent at `address` (a magnet link is handed over as it is) and gives it to the stored client
    // under `name`, which the download history keeps. `done` gets the name after a send the client took, none after
    // a failure.
    void send(const QUrl& address, const QString& name, std::function<void(std::optional<QString>)> done = {});

    // Sends started here and not yet ended.
    [[nodiscard]] int sendingCount() const { return m_count; }

private:
    TorrentSender() = default;
    void showOverlay();

    int m_count = 0;
    OperationQueue m_queue{1, QStringLiteral("page sends")};
};

} // namespace marrowfin
