#pragma once

#include "core/net/FetchPage.h"

#include <QMetaType>
#include <QString>

#include <optional>

namespace marrowfin {

// A torrent's detail page as the torrent page screen shows it: the cut-down text and the movie database address
// its main part links, if any.
struct TorrentDetails
{
    std::optional<QString> result;
    std::optional<QString> imdb;
};

// Fetches and cuts a torrent's detail page on a worker thread, so the window goes on while the site answers (and
// while an expired session is signed in again). Delivers a TorrentDetails; its `result` is absent when nothing
// could be fetched.
class FetchPageDetails final : public FetchPage
{
public:
    using FetchPage::FetchPage;

    void main() override;

    [[nodiscard]] static Selector selectorFor(std::function<void(std::optional<TorrentDetails>)> callback)
    {
        return FetchPage::selectorFor<TorrentDetails>(std::move(callback));
    }
};

} // namespace marrowfin

Q_DECLARE_METATYPE(marrowfin::TorrentDetails)
