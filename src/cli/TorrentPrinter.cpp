#include "TorrentPrinter.h"

#include "core/lists/FilterLimits.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <sys/ioctl.h>
#include <unistd.h>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kMinimumNameWidth = 12;

QString field(const std::optional<QString>& value)
{
    return value.value_or(QString());
}

QJsonValue jsonText(const std::optional<QString>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

// The figures as numbers, read as the favorite filters' limits read them; null when the text is absent or not
// readable.
QJsonValue jsonBytes(const std::optional<QString>& size)
{
    const std::optional<qint64> bytes = size ? sizeInBytes(*size) : std::nullopt;
    return bytes ? QJsonValue(*bytes) : QJsonValue(QJsonValue::Null);
}

QJsonValue jsonCount(const std::optional<QString>& count)
{
    bool ok = false;
    const int value = count ? count->trimmed().toInt(&ok) : 0;
    return ok && value >= 0 ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

} // namespace

QString TorrentPrinter::fitted(const QString& text, int width)
{
    if (text.size() <= width)
        return text;
    qsizetype keep = std::max(0, width - 1);
    if (keep > 0 && text.at(keep - 1).isHighSurrogate())
        --keep;
    return text.left(keep) + u'\u2026';
}

int TorrentPrinter::terminalWidth()
{
    winsize size{};
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    bool ok = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &ok);
    return ok && columns > 0 ? columns : 100;
}

void TorrentPrinter::printTable(QTextStream& out, const QList<Torrent>& torrents, int width)
{
    const QStringList headings{u"SIZE"_s, u"AGE"_s, u"SEED"_s, u"LEECH"_s};
    int sizeWidth = int(headings[0].size()), ageWidth = int(headings[1].size());
    int upWidth = int(headings[2].size()), downWidth = int(headings[3].size());
    for (const Torrent& torrent : torrents) {
        sizeWidth = std::max(sizeWidth, int(field(torrent.size).size()));
        ageWidth = std::max(ageWidth, int(field(torrent.date).size()));
        upWidth = std::max(upWidth, int(field(torrent.up).size()));
        downWidth = std::max(downWidth, int(field(torrent.down).size()));
    }
    // "* " mark, then the name, then the four figures each after two spaces.
    const int fixed = 2 + sizeWidth + ageWidth + upWidth + downWidth + 4 * 2;
    const int nameWidth = std::max(kMinimumNameWidth, width - fixed);
    const auto line = [&](const QString& mark, const QString& name, const QString& size, const QString& age,
                          const QString& up, const QString& down) {
        out << mark << u' ' << fitted(name, nameWidth).leftJustified(nameWidth) << u"  "_s
            << size.rightJustified(sizeWidth) << u"  "_s << age.leftJustified(ageWidth) << u"  "_s
            << up.rightJustified(upWidth) << u"  "_s << down.rightJustified(downWidth) << u'\n';
    };
    line(u" "_s, u"NAME"_s, headings[0], headings[1], headings[2], headings[3]);
    for (const Torrent& torrent : torrents)
        line(torrent.isDownloaded ? u"*"_s : u" "_s, field(torrent.name), field(torrent.size), field(torrent.date),
             field(torrent.up), field(torrent.down));
    out.flush();
}

QJsonObject TorrentPrinter::jsonObject(const Torrent& torrent)
{
    return QJsonObject{
        {u"name"_s, jsonText(torrent.name)},
        {u"detailsUrl"_s, jsonText(torrent.detailsUrl)},
        {u"downloadUrl"_s, jsonText(torrent.downloadUrl)},
        {u"type"_s, jsonText(torrent.type)},
        {u"size"_s, jsonText(torrent.size)},
        {u"up"_s, jsonText(torrent.up)},
        {u"down"_s, jsonText(torrent.down)},
        {u"date"_s, jsonText(torrent.date)},
        {u"isDownloaded"_s, torrent.isDownloaded},
        {u"sizeBytes"_s, jsonBytes(torrent.size)},
        {u"seeders"_s, jsonCount(torrent.up)},
        {u"leechers"_s, jsonCount(torrent.down)},
    };
}

void TorrentPrinter::printJson(QTextStream& out, const QList<Torrent>& torrents)
{
    QJsonArray array;
    for (const Torrent& torrent : torrents) {
        array.append(jsonObject(torrent));
    }
    out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    out.flush();
}

} // namespace marrowfin
