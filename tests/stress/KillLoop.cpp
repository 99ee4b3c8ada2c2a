// The kill loop: marrowfin-cli killed with SIGKILL at random moments while it sends torrents (files and magnet
// links) to a real transmission-daemon, edits the favorite filters, removes history rows and runs watch rounds that
// send new matches, against the demo site. After every kill it checks the profile and the daemon:
//   stores     the settings, cookies and watch state are readable, and start-up moves nothing aside;
//   history    every history row is a whole name of a listed torrent;
//   lost       every torrent the daemon holds is in the history (or was removed from it by the loop), or marked sent
//              or due in the watch state, or is a send under way that the next send settles;
//   twice      no send is made again: no name twice in the history, no watch round sends what the daemon held;
//   filters    a filter added by a command that ended with status 0 is stored, a removed one is gone, and the list
//              holds only filters the loop added.
// With --disk-full the profile lives on a small tmpfs of its own (root only), and instead of a kill the disk fills up
// at the random moment and is emptied once the command has ended: the same checks hold, and a command that ended with
// status 0 must have kept what it did.
// At the end it prints the counts, and ends with status 1 when any check failed.
//   marrowfin_kill_loop [KILLS] [--seed N] [--disk-full]
#include "Bencode.h"

#include "support/DemoProcess.h"
#include "support/LoopbackHttp.h"
#include "support/TransmissionDaemon.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <random>
#include <sys/mount.h>
#include <unistd.h>

namespace {

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

enum class Operation
{
    Send,
    AddFilter,
    RemoveFilter,
    RemoveHistory,
    WatchRound,
};
constexpr int kOperations = 5;

const char* nameOf(Operation operation)
{
    static constexpr std::array names{"send", "filters add", "filters remove", "history remove", "watch --once --send"};
    return names.at(std::size_t(operation));
}

enum Check
{
    Stores,
    History,
    Lost,
    Twice,
    Filters,
    kChecks
};
constexpr std::array kCheckNames{"stores", "history", "lost", "twice", "filters"};

struct Listed
{
    QString name;
    QString downloadUrl;
    QByteArray hash; // the info hash, lower-case hex
};

// What one run of the command line did.
struct Run
{
    bool killed = false;
    bool filled = false; // the disk filled up while it ran
    int exitCode = -1;
    QString output; // standard output and error, in order
    bool killedInUpload = false;
};

class KillLoop final
{
public:
    KillLoop(demotest::DemoProcess& demo, test::TransmissionDaemon& daemon, QString cli, unsigned seed)
        : m_demo(demo), m_daemon(daemon), m_cli(std::move(cli)), m_random(seed)
    {}
    ~KillLoop()
    {
        if (m_diskFull) {
            ::umount2(QFile::encodeName(m_profile.path()).constData(), MNT_DETACH);
        }
    }

    // Puts the profile on a tmpfs of its own, to be filled up instead of killing. False when it cannot be mounted.
    bool useSmallDisk();

    bool setUp();
    void run(int kills);
    [[nodiscard]] bool report(int kills) const;

private:
    Run cli(const QStringList& arguments, int killAfterMs = 120000, bool traced = false) const;
    // Writes the file "filler" until the profile's disk says it is full.
    void fillDisk() const;
    QStringList jsonList(const QStringList& arguments);
    void learn(int page);
    QByteArray hashOf(const QString& downloadUrl) const;
    QSet<QByteArray> daemonHashes();
    // A store of the profile; absent when the file is not there.
    [[nodiscard]] std::optional<QJsonDocument> readJson(const QString& name) const;
    QStringList operationArguments(Operation operation);
    void check(Operation operation, const Run& run, const QStringList& historyBefore,
               const QSet<QByteArray>& heldBefore, const QStringList& filtersBefore, const QString& filterText);
    void fail(Check check, const QString& what);

    demotest::DemoProcess& m_demo;
    test::TransmissionDaemon& m_daemon;
    QString m_cli;
    QTemporaryDir m_profile;
    bool m_diskFull = false;
    std::mt19937 m_random;
    std::map<Operation, int> m_usualMs;

    QSet<QString> m_learned;             // the download addresses of every torrent listed so far
    QHash<QString, Listed> m_byName;     // the first torrent listed under each name
    QHash<QByteArray, QString> m_byHash; // its name by info hash
    QSet<QString> m_inHistory;           // every name the history was seen to hold
    QSet<QString> m_removedFromHistory;  // names the loop removed (or may have removed) from the history
    QSet<QString> m_addedFilters;        // every filter text the loop tried to add
    QSet<QString> m_lost;                // names already counted as lost
    QString m_journalBefore;             // the sends under way before the command ran
    int m_nextFilter = 0;
    int m_nextPage = 2;

    int m_kills = 0;
    int m_killsInUpload = 0;
    int m_completed = 0;
    std::array<int, kChecks> m_failures{};
    mutable int m_crashes = 0;                              // commands that crashed by themselves
    std::map<Operation, std::pair<int, int>> m_byOperation; // kills, completions
};

Run KillLoop::cli(const QStringList& arguments, int killAfterMs, bool traced) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"MARROWFIN_CONFIG_DIR"_s, m_profile.path());
    environment.remove(u"MARROWFIN_DEBUG"_s);
    if (traced) {
        // The network layer's debug lines tell when an upload begins.
        environment.insert(u"QT_LOGGING_RULES"_s, u"marrowfin.net.debug=true"_s);
    }
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(traced ? QProcess::MergedChannels : QProcess::SeparateChannels);
    process.start(m_cli, QStringList{u"--site-host"_s, QString::fromStdString(m_demo.host()), u"--ca-file"_s,
                                     QString::fromStdString(m_demo.caFile())} +
                             arguments);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForStarted()) {
        return run;
    }
    if (m_diskFull && killAfterMs < 120000) {
        if (!process.waitForFinished(killAfterMs)) {
            fillDisk();
            run.filled = true;
        }
        killAfterMs = 120000;
    }
    if (!process.waitForFinished(killAfterMs)) {
        process.kill();
        process.waitForFinished();
        run.killed = true;
    } else {
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        if (process.exitStatus() == QProcess::CrashExit) {
            ++m_crashes;
            std::printf("kill-loop: crash: marrowfin-cli %s\n%s%s\n", qPrintable(arguments.join(u' ')),
                        process.readAllStandardOutput().constData(), process.readAllStandardError().constData());
        }
    }
    if (run.filled) {
        QFile::remove(m_profile.filePath(u"filler"_s));
    }
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    if (!traced) {
        run.output += QString::fromUtf8(process.readAllStandardError());
    }
    if (run.killed && traced) {
        // An upload began (its body was logged) and no line reported its end before the kill.
        bool inUpload = false;
        for (const QString& line : run.output.split(u'\n')) {
            if (line.contains(u"DATA: "_s) && (line.contains(u"multipart data"_s) || line.contains(u"torrent-add"_s))) {
                inUpload = true;
            } else if (line.startsWith(u'{')) {
                inUpload = false;
            }
        }
        run.killedInUpload = inUpload;
    }
    return run;
}

bool KillLoop::useSmallDisk()
{
    m_diskFull = ::geteuid() == 0 && ::mount("tmpfs", QFile::encodeName(m_profile.path()).constData(), "tmpfs", 0,
                                             "size=8m,mode=0700") == 0;
    return m_diskFull;
}

void KillLoop::fillDisk() const
{
    const int fd = ::open(QFile::encodeName(m_profile.filePath(u"filler"_s)).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    const QByteArray block(64 * 1024, 'f');
    for (qsizetype size = block.size(); size > 0; size /= 2) {
        while (::write(fd, block.constData(), size_t(size)) == size) {
        }
    }
    ::close(fd);
}

QStringList KillLoop::jsonList(const QStringList& arguments)
{
    const Run run = cli(QStringList{u"--json"_s} + arguments);
    QStringList items;
    // Filters are objects ("text" and their limits), history rows names.
    for (const QJsonValue& value : QJsonDocument::fromJson(run.output.toUtf8()).array()) {
        items.append(value.isObject() ? value[u"text"_s].toString() : value.toString());
    }
    return items;
}

QByteArray KillLoop::hashOf(const QString& downloadUrl) const
{
    if (downloadUrl.startsWith(u"magnet:"_s)) {
        const qsizetype at = downloadUrl.indexOf(u"btih:"_s);
        return at < 0 ? QByteArray() : downloadUrl.mid(at + 5, 40).toLower().toLatin1();
    }
    // The listing gives the site's own addresses as paths; some lead to the file through a redirect.
    test::PlainAnswer file = test::plainHttpAt(downloadUrl.startsWith(u'/') ? m_demo.site(downloadUrl.toStdString())
                                                                            : downloadUrl.toStdString());
    if (file.status / 100 == 3) {
        file = test::plainHttpAt(file.header("Location").toStdString());
    }
    const auto torrent = demo::bdecode(file.body.toStdString());
    const demo::BencodeValue* info = torrent ? torrent->find("info") : nullptr;
    if (info == nullptr) {
        return {};
    }
    const std::string bytes = demo::bencode(*info);
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Sha1)
        .toHex();
}

// Takes the torrents of one page of the newest listing into what the checks know.
void KillLoop::learn(int page)
{
    const Run run = cli({u"--json"_s, u"new"_s, u"--page"_s, QString::number(page)});
    for (const QJsonValue& value : QJsonDocument::fromJson(run.output.toUtf8()).array()) {
        const QJsonObject object = value.toObject();
        const QString name = object.value(u"name"_s).toString();
        const QString downloadUrl = object.value(u"downloadUrl"_s).toString();
        if (m_learned.contains(downloadUrl)) {
            continue;
        }
        m_learned.insert(downloadUrl);
        // Names repeat across torrents: the daemon's torrents are known by hash.
        Listed torrent{name, downloadUrl, hashOf(downloadUrl)};
        m_byHash.insert(torrent.hash, name);
        if (!m_byName.contains(name)) {
            m_byName.insert(name, torrent);
        }
    }
}

QSet<QByteArray> KillLoop::daemonHashes()
{
    QSet<QByteArray> hashes;
    const auto answer = m_daemon.rpc(u"torrent-get"_s, QJsonObject{{u"fields"_s, QJsonArray{u"hashString"_s}}});
    for (const QJsonValue& torrent : answer.value_or(QJsonObject())[u"arguments"_s][u"torrents"_s].toArray()) {
        hashes.insert(torrent[u"hashString"_s].toString().toLatin1());
    }
    return hashes;
}

std::optional<QJsonDocument> KillLoop::readJson(const QString& name) const
{
    QFile file(m_profile.filePath(name));
    return file.open(QIODevice::ReadOnly) ? std::optional(QJsonDocument::fromJson(file.readAll())) : std::nullopt;
}

bool KillLoop::setUp()
{
    const QString port = QString::number(m_daemon.port());
    for (const QStringList& arguments :
         {QStringList{u"login"_s, u"--user"_s, u"demo"_s, u"--password"_s, u"demo"_s},
          QStringList{u"remote"_s, u"set"_s, u"--client"_s, u"Transmission"_s, u"--address"_s, u"127.0.0.1"_s,
                      u"--port"_s, port},
          QStringList{u"filters"_s, u"add"_s, u"."_s, u"--min-seeders"_s, u"0"_s},
          // The kills are to land in the sends and writes, not in waits for the site.
          QStringList{u"settings"_s, u"set"_s, u"Marrowfin_watchRequestsPerMinute"_s, u"600"_s}}) {
        const Run run = cli(arguments);
        if (run.exitCode != 0) {
            std::fprintf(stderr, "kill-loop: %s failed: %s\n", qPrintable(arguments.join(u' ')),
                         qPrintable(run.output));
            return false;
        }
    }
    m_addedFilters.insert(u"."_s);
    learn(1);
    learn(2);
    // The first round sends the first page (ten a round; the rest follow); later rounds send what the site adds.
    if (cli({u"watch"_s, u"--once"_s, u"--send"_s, u"--pages"_s, u"1"_s}).exitCode != 0) {
        std::fprintf(stderr, "kill-loop: the first watch round failed\n");
        return false;
    }

    // How long each operation takes when left alone (the longest of three), so that kills land all over its run.
    for (int i = 0; i < kOperations; ++i) {
        const auto operation = Operation(i);
        int longest = 0;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const QStringList arguments = operationArguments(operation);
            QElapsedTimer clock;
            clock.start();
            const Run run = cli(arguments, 120000, true);
            if (run.exitCode != 0) {
                std::fprintf(stderr, "kill-loop: %s failed when left alone: %s\n", nameOf(operation),
                             qPrintable(run.output));
                return false;
            }
            longest = std::max(longest, int(clock.elapsed()));
        }
        m_usualMs[operation] = std::max(longest, 10);
        std::printf("kill-loop: %-20s takes %4d ms\n", nameOf(operation), m_usualMs[operation]);
    }
    return true;
}

QStringList KillLoop::operationArguments(Operation operation)
{
    switch (operation) {
    case Operation::Send: {
        // A torrent the daemon does not hold and the history does not name, as a person sends something new.
        const QSet<QByteArray> held = daemonHashes();
        const QStringList history = jsonList({u"history"_s, u"list"_s});
        QList<Listed> candidates;
        for (const Listed& torrent : std::as_const(m_byName)) {
            if (!held.contains(torrent.hash) && !history.contains(torrent.name) &&
                !m_removedFromHistory.contains(torrent.name)) {
                candidates.append(torrent);
            }
        }
        if (candidates.size() < 5) {
            learn(++m_nextPage);
            return operationArguments(operation);
        }
        std::sort(candidates.begin(), candidates.end(),
                  [](const Listed& a, const Listed& b) { return a.name < b.name; });
        const Listed& torrent =
            candidates.at(std::uniform_int_distribution<qsizetype>(0, candidates.size() - 1)(m_random));
        return {u"--json"_s, u"send"_s, torrent.downloadUrl, u"--name"_s, torrent.name};
    }
    case Operation::AddFilter: {
        const QString text = u"kill test %1"_s.arg(++m_nextFilter);
        m_addedFilters.insert(text);
        return {u"filters"_s, u"add"_s, text};
    }
    case Operation::RemoveFilter:
        return {u"filters"_s, u"remove"_s, u"2"_s};
    case Operation::RemoveHistory: {
        // The newest row goes (or may go, when the command is killed).
        const QStringList history = jsonList({u"history"_s, u"list"_s});
        if (!history.isEmpty()) {
            m_removedFromHistory.insert(history.first());
        }
        return {u"history"_s, u"remove"_s, u"1"_s};
    }
    case Operation::WatchRound:
        // New torrents at the top of the site for the round to send.
        (void)test::plainHttpAt(m_demo.site("/_demo/add?count=2"));
        learn(1);
        return {u"--json"_s, u"watch"_s, u"--once"_s, u"--send"_s, u"--pages"_s, u"1"_s};
    }
    return {};
}

void KillLoop::fail(Check check, const QString& what)
{
    ++m_failures.at(std::size_t(check));
    std::printf("kill-loop: %s: %s\n", kCheckNames.at(std::size_t(check)), qPrintable(what));
}

void KillLoop::run(int kills)
{
    // Each round kills one command, unless it ends first; the loop goes on until `kills` commands were killed.
    for (int round = 0; m_kills < kills && round < kills * 4; ++round) {
        const auto operation = Operation(std::uniform_int_distribution<int>(0, kOperations - 1)(m_random));
        const QStringList historyBefore = jsonList({u"history"_s, u"list"_s});
        for (const QString& name : historyBefore) {
            m_inHistory.insert(name);
        }
        const QStringList filtersBefore = jsonList({u"filters"_s, u"list"_s});
        if ((operation == Operation::RemoveFilter && filtersBefore.size() < 2) ||
            (operation == Operation::RemoveHistory && historyBefore.isEmpty())) {
            continue;
        }
        const QStringList arguments = operationArguments(operation);
        const QSet<QByteArray> heldBefore = daemonHashes();
        m_journalBefore =
            QString::fromUtf8(readJson(u"sending.json"_s).value_or(QJsonDocument()).toJson(QJsonDocument::Compact));
        const int killAfter = std::uniform_int_distribution<int>(0, m_usualMs[operation])(m_random);
        const Run run = cli(arguments, killAfter, true);
        const bool struck = run.killed || run.filled;
        ++(struck ? m_kills : m_completed);
        ++(struck ? m_byOperation[operation].first : m_byOperation[operation].second);
        m_killsInUpload += run.killedInUpload ? 1 : 0;
        check(operation, run, historyBefore, heldBefore, filtersBefore,
              operation == Operation::AddFilter ? arguments.last() : QString());
    }
}

void KillLoop::check(Operation operation, const Run& run, const QStringList& historyBefore,
                     const QSet<QByteArray>& heldBefore, const QStringList& filtersBefore, const QString& filterText)
{
    const QString where = u"after %1 %2"_s.arg(
        QString::fromLatin1(nameOf(operation)),
        run.killed ? u"killed"_s
                   : u"ended with %1%2"_s.arg(run.exitCode).arg(run.filled ? u" on a full disk"_s : QString()));
    if (!run.killed && !run.filled && run.exitCode != 0) {
        std::printf("kill-loop: %s failed without a kill: %s\n", nameOf(operation), qPrintable(run.output));
    }

    // Stores: start-up reads the settings and cookies and says nothing; nothing was moved aside.
    const Run startUp = cli({u"--json"_s, u"history"_s, u"list"_s});
    const QStringList aside =
        QDir(m_profile.path()).entryList({u"*.corrupt*"_s}, QDir::Files | QDir::Hidden | QDir::System);
    if (startUp.exitCode != 0 || !aside.isEmpty() || startUp.output.trimmed().startsWith(u'[') == false) {
        fail(Stores, u"%1: start-up said %2; moved aside: %3"_s.arg(where, startUp.output, aside.join(u", "_s)));
    }
    const auto watch = readJson(u"watch.json"_s);
    if (watch && !(*watch)[u"torrents"_s].isArray()) {
        fail(Stores, u"%1: watch.json cannot be read"_s.arg(where));
    }
    const QJsonArray watched = watch ? (*watch)[u"torrents"_s].toArray() : QJsonArray();
    if (!QFile::exists(m_profile.filePath(u"cookies.txt"_s))) {
        fail(Stores, u"%1: the cookie store is gone"_s.arg(where));
    }
    if (const Run whoami = cli({u"whoami"_s}); whoami.output.trimmed() != u"demo"_s) {
        fail(Stores, u"%1: the sign-in is lost: %2"_s.arg(where, whoami.output.trimmed()));
    }

    // History: whole names, each once.
    // The history keeps the newest names only: a name it held once was recorded, though it may have gone since.
    const QStringList history = jsonList({u"history"_s, u"list"_s});
    for (const QString& name : history) {
        if (!m_byName.contains(name)) {
            fail(History, u"%1: a row that is no listed name: \"%2\""_s.arg(where, name));
        }
        m_inHistory.insert(name);
    }
    if (QSet<QString>(history.begin(), history.end()).size() != history.size()) {
        fail(Twice, u"%1: a name twice in the history"_s.arg(where));
    }

    // Lost: every torrent the daemon holds is accounted for.
    QSet<QString> watchKnows;
    for (const QJsonValue& entry : watched) {
        if (entry[u"sendDue"_s].toBool() || entry[u"sent"_s].isString()) {
            watchKnows.insert(entry[u"name"_s].toString());
        }
    }
    QSet<QString> underWay;
    const auto journal = readJson(u"sending.json"_s);
    if (journal && !(*journal)[u"sends"_s].isArray()) {
        fail(Stores, u"%1: sending.json cannot be read"_s.arg(where));
    }
    for (const QJsonValue& send : journal.value_or(QJsonDocument())[u"sends"_s].toArray()) {
        underWay.insert(send[u"name"_s].toString());
    }
    const QSet<QByteArray> held = daemonHashes();
    for (const QByteArray& hash : held) {
        // A torrent nobody listed is known by its hash.
        const QString name = m_byHash.value(hash, QString::fromLatin1(hash));
        if (!m_inHistory.contains(name) && !m_removedFromHistory.contains(name) && !watchKnows.contains(name) &&
            !underWay.contains(name) && !m_lost.contains(name)) {
            m_lost.insert(name);
            fail(Lost, u"%1: the daemon holds \"%2\", which nothing records as sent"_s.arg(where, name));
        }
    }
    // Twice: a watch round sends nothing the daemon held already, and nothing the history named.
    if (operation == Operation::WatchRound) {
        for (const QString& line : run.output.split(u'\n')) {
            const QJsonObject reported = QJsonDocument::fromJson(line.toUtf8()).object();
            if (!reported[u"sent"_s].toBool()) {
                continue;
            }
            const QString name = reported[u"name"_s].toString();
            // A row the loop removed from the history no longer keeps its torrent from being sent.
            if (!m_removedFromHistory.contains(name) &&
                (heldBefore.contains(m_byName.value(name).hash) || historyBefore.contains(name))) {
                fail(Twice, u"%1: \"%2\" was sent again; the journal held %3"_s.arg(where, name, m_journalBefore));
            }
        }
    }
    if (operation == Operation::Send && !run.killed && run.exitCode == 0) {
        const QString name = QJsonDocument::fromJson(run.output.section(u'\n', -2).toUtf8())[u"sent"_s].toString();
        if (!history.contains(name) && !name.isEmpty()) {
            fail(Lost, u"%1: \"%2\" was reported sent and is not in the history"_s.arg(where, name));
        }
    }

    // Filters: only texts the loop added; an add that ended well is stored, a remove that ended well took its row.
    const QStringList filters = jsonList({u"filters"_s, u"list"_s});
    for (const QString& filter : filters) {
        if (!m_addedFilters.contains(filter)) {
            fail(Filters, u"%1: a filter the loop never added: \"%2\""_s.arg(where, filter));
        }
    }
    if (!run.killed && run.exitCode == 0) {
        if (operation == Operation::AddFilter && !filters.contains(filterText)) {
            fail(Filters, u"%1: \"%2\" is not stored"_s.arg(where, filterText));
        }
        if (operation == Operation::RemoveFilter && filters.contains(filtersBefore.value(1))) {
            fail(Filters, u"%1: \"%2\" is still there"_s.arg(where, filtersBefore.value(1)));
        }
    }
}

bool KillLoop::report(int kills) const
{
    const char* struck = m_diskFull ? "disk full" : "killed";
    std::printf("kill-loop: %d %s (%d during a send's upload), %d operations completed\n", m_kills,
                m_diskFull ? "disk-full events" : "kills", m_killsInUpload, m_completed);
    for (const auto& [operation, counts] : m_byOperation) {
        std::printf("kill-loop:   %-20s %4d %s %4d completed\n", nameOf(operation), counts.first, struck,
                    counts.second);
    }
    std::printf("kill-loop: crashes %d\n", m_crashes);
    int failures = m_crashes;
    for (int check = 0; check < kChecks; ++check) {
        std::printf("kill-loop: check %-8s %d failures\n", kCheckNames.at(std::size_t(check)),
                    m_failures.at(std::size_t(check)));
        failures += m_failures.at(std::size_t(check));
    }
    return failures == 0 && m_kills >= kills;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    unsigned seed = std::random_device{}();
    if (const qsizetype at = arguments.indexOf(u"--seed"_s); at >= 0 && at + 1 < arguments.size()) {
        seed = arguments.at(at + 1).toUInt();
        arguments.remove(at, 2);
    }
    const bool diskFull = arguments.removeAll(u"--disk-full"_s) > 0;
    const int kills = arguments.isEmpty() ? 200 : arguments.first().toInt();
    if (kills < 1) {
        std::fprintf(stderr, "usage: marrowfin_kill_loop [KILLS] [--seed N] [--disk-full]\n");
        return 2;
    }
    std::printf("kill-loop: %d kills, seed %u\n", kills, seed);
    demotest::DemoProcess demo;
    test::TransmissionDaemon daemon;
    if (!demo.started() || !daemon.started()) {
        std::fprintf(stderr, "kill-loop: the demo site or the transmission-daemon did not start\n");
        return 2;
    }
    KillLoop loop(demo, daemon, QString::fromUtf8(MARROWFIN_CLI_PATH), seed);
    if (diskFull && !loop.useSmallDisk()) {
        std::fprintf(stderr, "kill-loop: --disk-full mounts a small tmpfs, which needs root\n");
        return 2;
    }
    if (!loop.setUp()) {
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    loop.run(kills);
    const bool passed = loop.report(kills);
    std::printf("kill-loop: %s in %lld s\n", passed ? "passed" : "FAILED", clock.elapsed() / 1000);
    return passed ? 0 : 1;
}
