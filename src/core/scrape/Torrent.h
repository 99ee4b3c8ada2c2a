#pragma once

#include <QMetaType>
#include <QString>

#include <optional>

namespace marrowfin {

// One listed torrent as the site shows it: every figure stays the text of the page, nothing is parsed. Made by
// the listing scraper on a worker thread and handed whole to the main thread, which alone changes it afterwards
// (isDownloaded after a send).
struct Torrent
{
    std::optional<QString> name;        // plain text: entities decoded, markup removed
    std::optional<QString> wait;        // never filled
    std::optional<QString> detailsUrl;  // detail page path without the leading "/"
    std::optional<QString> downloadUrl; // torrent file address as written, percent-escaped for a URL
    std::optional<QString> type;        // the category word that names the category picture
    std::optional<QString> size;        // "700.5 MB"
    std::optional<QString> up;          // seeders
    std::optional<QString> down;        // leechers
    std::optional<QString> date;        // age, "&nbsp;" turned into spaces
    std::optional<QString> ratio;       // never filled
    std::optional<QString> active;      // never filled
    bool isNew = false;                 // never set
    bool isDownloaded = false;          // the download history holds this name

    friend bool operator==(const Torrent&, const Torrent&) = default;
};

} // namespace marrowfin

Q_DECLARE_METATYPE(marrowfin::Torrent)
