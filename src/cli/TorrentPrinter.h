#pragma once

#include "core/scrape/Torrent.h"

#include <QJsonObject>
#include <QList>
#include <QTextStream>

namespace marrowfin {

// How the command line shows listed torrents: aligned columns for people, one JSON array for programs.
class TorrentPrinter final
{
public:
    // `width`: the terminal's width in characters; names are cut to what is left after the other columns.
    static void printTable(QTextStream& out, const QList<Torrent>& torrents, int width);
    // One array of objects with the keys name, detailsUrl, downloadUrl, type, size, up, down, date, isDownloaded (the
    // listing's texts), and sizeBytes, seeders, leechers (size, up and down as numbers), in list order; an absent
    // field, or a figure that cannot be read, is null.
    static void printJson(QTextStream& out, const QList<Torrent>& torrents);

    // One torrent as printJson writes it.
    [[nodiscard]] static QJsonObject jsonObject(const Torrent& torrent);
    // Cuts `text` to `width` characters, marking the cut with an ellipsis; surrogate pairs are not split.
    [[nodiscard]] static QString fitted(const QString& text, int width);

    // The width of the terminal on standard output, else $COLUMNS, else 100.
    [[nodiscard]] static int terminalWidth();
};

} // namespace marrowfin
