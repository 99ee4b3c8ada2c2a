#pragma once

#include "core/net/FetchPage.h"
#include "core/net/OperationQueue.h"
#include "core/remote/CollectedAlerts.h"
#include "support/EventLoop.h"
#include "support/QtTestSupport.h"

#include <QCoreApplication>
#include <QStringList>

#include <ostream>
#include <utility>

namespace marrowfin::remotetest {

using marrowfin::test::processEventsUntil;

// Keeps every alert raised, from any thread.
using RecordingAlerts = CollectedAlerts;

// A torrent a BitTorrent client takes: one file named `name`, one piece; the hash bytes need not match data that
// nobody has.
inline QByteArray tinyTorrent(const QByteArray& name)
{
    return "d8:announce22:http://127.0.0.1:1/ann4:infod6:lengthi5e4:name" + QByteArray::number(name.size()) + ':' +
           name + "12:piece lengthi16384e6:pieces20:" + QByteArray(20, 'x') + "ee";
}

} // namespace marrowfin::remotetest
