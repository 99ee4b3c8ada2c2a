#include "SendingTorrentIndicator.h"

namespace marrowfin {

namespace {
// Filled in order: the count, then the plural ending. A single torrent leaves both empty.
constexpr QStringView kSendingFormat = u"Sending %1 torrent%2 to server";
constexpr QStringView kPluralEnding = u"s";
} // namespace

SendingTorrentIndicator& SendingTorrentIndicator::sharedInstance()
{
    static SendingTorrentIndicator* const instance = new SendingTorrentIndicator;
    instance->reset();
    return *instance;
}

QString SendingTorrentIndicator::sendingText(int count)
{
    if (count < 2)
        return kSendingFormat.toString().arg(QString(), QString());
    return kSendingFormat.toString().arg(QString::number(count), kPluralEnding);
}

} // namespace marrowfin
