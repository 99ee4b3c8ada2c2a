#include "WatchReport.h"

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

bool WatchLine::isDownloaded() const
{
    return torrent.isDownloaded || kind == WatchLineKind::Sent || kind == WatchLineKind::InHistory;
}

QString WatchLine::statusWord(WatchLineKind kind)
{
    switch (kind) {
    case WatchLineKind::New:
        return u"new"_s;
    case WatchLineKind::Sent:
        return u"sent"_s;
    case WatchLineKind::InHistory:
        return u"in history"_s;
    case WatchLineKind::NotSent:
        return u"not sent"_s;
    case WatchLineKind::Held:
        return u"held"_s;
    case WatchLineKind::AlreadySent:
        return u"already sent"_s;
    case WatchLineKind::WouldSend:
        return u"would send"_s;
    }
    return {};
}

} // namespace marrowfin
