#include "WatchState.h"

#include "core/settings/ProfileFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kFormat = 1;

QString timeText(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODate);
}

} // namespace

std::optional<WatchState> WatchState::load(const QString& file, QString* error)
{
    WatchState state;
    state.m_file = file;
    QFile in(file);
    if (!in.exists())
        return state;
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = parseError.errorString();
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (root.value(u"format"_s).toInt() != kFormat || !root.value(u"torrents"_s).isArray()) {
        *error = u"it is not a watch state of this version"_s;
        return std::nullopt;
    }
    state.m_rounds = std::max(0, root.value(u"rounds"_s).toInt());
    for (const QJsonValue& value : root.value(u"torrents"_s).toArray()) {
        const QJsonObject object = value.toObject();
        Entry entry;
        entry.path = object.value(u"path"_s).toString();
        entry.name = object.value(u"name"_s).toString();
        entry.downloadUrl = object.value(u"downloadUrl"_s).toString();
        entry.sendDue = object.value(u"sendDue"_s).toBool();
        entry.hash = object.value(u"hash"_s).toString().toLatin1();
        entry.reported = QDateTime::fromString(object.value(u"reported"_s).toString(), Qt::ISODate);
        if (object.value(u"sent"_s).isString())
            entry.sent = QDateTime::fromString(object.value(u"sent"_s).toString(), Qt::ISODate);
        if (entry.path.isEmpty()) {
            *error = u"a torrent in it has no path"_s;
            return std::nullopt;
        }
        state.m_entries.append(std::move(entry));
    }
    return state;
}

bool WatchState::save(QString* error) const
{
    // Owner-only from the start; the rename keeps its mode.
    ProfileFile out(m_file);
    bool written = out.open();
    // Written a torrent at a time: the whole state built as one document cost a watcher more memory than the state
    // itself, twice for every send, and more the longer it ran.
    const auto put = [&](const QByteArray& bytes) { written = written && out.write(bytes); };
    put("{\n    \"format\": " + QByteArray::number(kFormat) + ",\n    \"rounds\": " + QByteArray::number(m_rounds) +
        ",\n    \"torrents\": [");
    for (qsizetype i = 0; i < m_entries.size() && written; ++i) {
        const Entry& entry = m_entries[i];
        QJsonObject object{{u"path"_s, entry.path},
                           {u"name"_s, entry.name},
                           {u"downloadUrl"_s, entry.downloadUrl},
                           {u"reported"_s, timeText(entry.reported)},
                           {u"sendDue"_s, entry.sendDue}};
        object.insert(u"sent"_s, entry.sent ? QJsonValue(timeText(*entry.sent)) : QJsonValue(QJsonValue::Null));
        if (!entry.hash.isEmpty()) {
            object.insert(u"hash"_s, QString::fromLatin1(entry.hash));
        }
        put((i == 0 ? "\n        " : ",\n        ") + QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    put(m_entries.isEmpty() ? "]\n}\n" : "\n    ]\n}\n");
    if (!written || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

WatchState::Entry* WatchState::find(const QString& path)
{
    for (Entry& entry : m_entries) {
        if (entry.path == path)
            return &entry;
    }
    return nullptr;
}

void WatchState::add(Entry entry)
{
    m_entries.append(std::move(entry));
    if (m_entries.size() <= kLimit) {
        return;
    }
    // The oldest go first, but not one whose send is still due, nor one whose hash keeps a re-posted torrent from
    // being sent again, while plainer ones are left; past twice the limit the oldest go whatever they hold.
    const auto evict = [this](const std::function<bool(const Entry&)>& which) {
        for (qsizetype i = 0; i < m_entries.size() && m_entries.size() > kLimit;) {
            if (which(m_entries[i])) {
                m_entries.removeAt(i);
            } else {
                ++i;
            }
        }
    };
    evict([](const Entry& old) { return !old.sendDue && old.hash.isEmpty(); });
    evict([](const Entry& old) { return !old.sendDue; });
    if (m_entries.size() > 2 * kLimit) {
        m_entries.remove(0, m_entries.size() - 2 * kLimit);
    }
}

QStringList WatchState::due() const
{
    QStringList paths;
    for (const Entry& entry : m_entries) {
        if (entry.sendDue)
            paths.append(entry.path);
    }
    return paths;
}

QSet<QByteArray> WatchState::sentHashes() const
{
    QSet<QByteArray> hashes;
    // Sent, or settled without a send (in the history, or sent before under another page): either way with the client.
    for (const Entry& entry : m_entries) {
        if ((entry.sent || !entry.sendDue) && !entry.hash.isEmpty()) {
            hashes.insert(entry.hash);
        }
    }
    return hashes;
}

} // namespace marrowfin
