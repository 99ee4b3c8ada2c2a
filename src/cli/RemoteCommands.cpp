#include "RemoteCommands.h"

#include "CliContext.h"

#include "core/app/Profile.h"
#include "core/config/AppConfig.h"
#include "core/display/ListingAddresses.h"
#include "core/net/OperationQueue.h"
#include "core/remote/BitClientRegistry.h"
#include "core/remote/CollectedAlerts.h"
#include "core/remote/FetchPageDownload.h"
#include "core/remote/FetchPageRemoteUI.h"
#include "core/remote/ServerInfo.h"
#include "core/settings/SettingsLists.h"
#include "core/settings/SettingsStore.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QStringView kMasked = u"********";

void printAlerts(CliContext& context, const QList<std::pair<QString, QString>>& alerts)
{
    for (const auto& [title, message] : alerts)
        context.fail(message.isEmpty() ? title : title + u' ' + message);
}

QString shownValue(const std::optional<QString>& value)
{
    return value ? *value : u"(not set)"_s;
}

int remoteShow(CliContext& context)
{
    (void)context.profile();
    const ServerInfo::Values server = ServerInfo::sharedInstance().values();
    const bool passwordSet = server.password && !server.password->isEmpty();
    const QUrl web = FetchPageRemoteUI::configuredWebUrl(nullptr);
    // The web page address would carry the password in its user part.
    const QString webText = web.isEmpty() ? QString() : web.toString(QUrl::RemoveUserInfo);
    if (context.json()) {
        const auto json = [](const std::optional<QString>& value) {
            return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
        };
        const QJsonObject shown{{u"client"_s, json(server.client)}, {u"address"_s, json(server.address)},
                                {u"port"_s, json(server.port)},     {u"user"_s, json(server.username)},
                                {u"passwordSet"_s, passwordSet},    {u"webPage"_s, webText}};
        context.out() << QString::fromUtf8(QJsonDocument(shown).toJson(QJsonDocument::Indented));
        return CliContext::Success;
    }
    context.out() << "client    " << shownValue(server.client) << '\n'
                  << "address   " << shownValue(server.address) << '\n'
                  << "port      " << shownValue(server.port) << '\n'
                  << "user      " << shownValue(server.username) << '\n'
                  << "password  " << (passwordSet ? kMasked.toString() : u"(not set)"_s) << '\n'
                  << "web page  " << (webText.isEmpty() ? u"(no client chosen)"_s : webText) << '\n';
    return CliContext::Success;
}

std::optional<QString> readPasswordLine()
{
    QTextStream in(stdin);
    const QString line = in.readLine();
    return line.isNull() ? std::nullopt : std::optional<QString>(line);
}

int remoteSet(CliContext& context, QCommandLineParser& parser, const QCommandLineOption& client,
              const QCommandLineOption& address, const QCommandLineOption& port, const QCommandLineOption& user,
              const QCommandLineOption& password)
{
    if (!parser.isSet(client) && !parser.isSet(address) && !parser.isSet(port) && !parser.isSet(user) &&
        !parser.isSet(password))
        return context.fail(u"remote set takes at least one of --client, --address, --port, --user, --password"_s,
                            CliContext::UsageError);
    const BitClientClass* chosen = nullptr;
    if (parser.isSet(client)) {
        // Any letter case, as people type names; stored in the system's own spelling, which the window reads.
        for (const BitClientClass& one : BitClientRegistry::classes()) {
            if (one.name.compare(parser.value(client), Qt::CaseInsensitive) == 0) {
                chosen = &one;
            }
        }
        if (!chosen)
            return context.fail(u"--client takes Vuze, Transmission, Utorrent, Qbittorrent or Deluge"_s,
                                CliContext::UsageError);
    }
    if (parser.isSet(port)) {
        bool ok = false;
        const int number = parser.value(port).toInt(&ok);
        if (!ok || number < 1 || number > 65535 || parser.value(port) != QString::number(number))
            return context.fail(u"--port takes a port number from 1 to 65535"_s, CliContext::UsageError);
    }
    if (parser.isSet(address)) {
        if (const std::optional<QString> problem = ServerInfo::addressProblem(parser.value(address))) {
            return context.fail(u"--address: "_s + *problem, CliContext::UsageError);
        }
    }
    std::optional<QString> newPassword;
    if (parser.isSet(password)) {
        // "-" keeps the password off the command line, where other users' process lists would show it.
        newPassword = parser.value(password) == u"-"_s ? readPasswordLine() : parser.value(password);
        if (!newPassword)
            return context.fail(u"no password line on standard input"_s, CliContext::UsageError);
    }

    (void)context.profile();
    ServerInfo& server = ServerInfo::sharedInstance();
    bool written = true;
    if (chosen) {
        written = server.setClient(chosen->name.toString()) && written;
        // As the settings screen's picker: another client starts at its own default port.
        if (!parser.isSet(port))
            written = server.setPort(chosen->getDefaultPort()) && written;
    }
    if (parser.isSet(port))
        written = server.setPort(parser.value(port)) && written;
    if (parser.isSet(address)) {
        written = server.setAddress(parser.value(address)) && written;
    }
    if (parser.isSet(user))
        written = server.setUsername(parser.value(user)) && written;
    if (newPassword)
        written = server.setPassword(*newPassword) && written;
    return written ? CliContext::Success : context.failedWrite(u"the remote settings could not be written"_s);
}

int remoteTest(CliContext& context)
{
    (void)context.profile();
    auto alerts = std::make_shared<CollectedAlerts>();
    if (FetchPageRemoteUI::runSettingsTest(alerts)) {
        for (const auto& alert : alerts->alerts())
            context.out() << alert.first << '\n';
        return CliContext::Success;
    }
    printAlerts(context, alerts->alerts());
    return CliContext::Failure;
}

} // namespace

int RemoteCommands::remote(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(u"action"_s, u"show | set | test"_s);
    const QCommandLineOption client(
        u"client"_s,
        u"Vuze, Transmission, Utorrent, Qbittorrent or Deluge; without --port the port becomes "
        u"the client's default."_s,
        u"NAME"_s);
    const QCommandLineOption address(u"address"_s, u"Host name or address of the computer running the client."_s,
                                     u"A"_s);
    const QCommandLineOption port(u"port"_s, u"Port of the client's web interface."_s, u"P"_s);
    const QCommandLineOption user(u"user"_s, u"User name for the web interface (empty for none)."_s, u"U"_s);
    const QCommandLineOption password(u"password"_s, u"Its password; \"-\" reads one line from standard input."_s,
                                      u"P"_s);
    parser.addOptions({client, address, port, user, password});
    const QString synopsis =
        u"remote show | set [--client NAME] [--address A] [--port P] [--user U] [--password P] | test"_s;
    if (const auto done = context.parse(parser, arguments, synopsis,
                                        u"Shows and changes the remote BitTorrent client settings (the password is "
                                        u"never shown), and tests them by fetching the client's web page."_s))
        return *done;
    const QStringList words = parser.positionalArguments().mid(1);
    const QString action = words.value(0);
    const bool anyOption = parser.isSet(client) || parser.isSet(address) || parser.isSet(port) || parser.isSet(user) ||
                           parser.isSet(password);
    if (words.size() == 1 && action == u"set"_s)
        return remoteSet(context, parser, client, address, port, user, password);
    if (words.size() == 1 && !anyOption && action == u"show"_s)
        return remoteShow(context);
    if (words.size() == 1 && !anyOption && action == u"test"_s)
        return remoteTest(context);
    return context.fail(u"remote takes show, set with options, or test"_s, CliContext::UsageError);
}

int RemoteCommands::send(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(u"url"_s, u"The torrent's download address, as the listing gives it."_s);
    const QCommandLineOption name(u"name"_s, u"The torrent's name, as the history records it."_s, u"NAME"_s);
    parser.addOption(name);
    if (const auto done = context.parse(parser, arguments, u"send DOWNLOAD_URL --name NAME"_s,
                                        u"Fetches the torrent file from the site, uploads it to the remote client "
                                        u"and records the name in the download history, as the download button "
                                        u"does. A path without the site host is taken on the site."_s))
        return *done;
    const QStringList words = parser.positionalArguments().mid(1);
    if (words.size() != 1 || words.first().isEmpty() || !parser.isSet(name) || parser.value(name).isEmpty())
        return context.fail(u"send takes a download address and --name NAME"_s, CliContext::UsageError);
    (void)context.profile();

    const QUrl address(sendAddress(words.first(), AppConfig::current().siteHost));
    auto alerts = std::make_shared<CollectedAlerts>();
    OperationQueue queue(1, u"send"_s);
    QObject receiver;
    QEventLoop loop;
    std::optional<QString> sent;
    const auto operation = std::make_shared<FetchPageDownload>(
        address, parser.value(name), &receiver, FetchPageDownload::selectorFor([&](std::optional<QString> n) {
            sent = std::move(n);
            loop.quit();
        }),
        alerts);
    queue.addOperation(operation);
    loop.exec();
    if (!sent) {
        printAlerts(context, alerts->alerts());
        return CliContext::Failure;
    }
    if (context.json())
        context.out() << QString::fromUtf8(
                             QJsonDocument(QJsonObject{{u"sent"_s, *sent}}).toJson(QJsonDocument::Compact))
                      << '\n';
    else
        context.out() << *sent << '\n';
    // Sent, and not recorded: a failure all the same, since nothing now keeps a watcher or the user from sending it
    // again but the send journal.
    printAlerts(context, alerts->alerts());
    return operation->outcome() == FetchPageDownload::Outcome::Sent ? CliContext::Success : CliContext::Failure;
}

int RemoteCommands::history(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(u"action"_s, u"list | remove ROW"_s);
    if (const auto done = context.parse(parser, arguments, u"history list | remove ROW"_s,
                                        u"The download history, newest first, rows numbered from 1 as the history "
                                        u"screen shows them from the top; \"remove\" takes that number."_s))
        return *done;
    const QStringList words = parser.positionalArguments().mid(1);
    const QString action = words.value(0);
    SettingsStore& store = context.profile().settings();
    if (action == u"list"_s && words.size() == 1) {
        QList<HistoryEntry> newestFirst = storedHistory(store);
        std::reverse(newestFirst.begin(), newestFirst.end());
        if (context.json()) {
            // The names alone, as scripts have read them; the times are in the text listing.
            QJsonArray names;
            for (const HistoryEntry& entry : std::as_const(newestFirst)) {
                names.append(entry.name);
            }
            context.out() << QString::fromUtf8(QJsonDocument(names).toJson());
            return CliContext::Success;
        }
        // The local time of each send in a column before the name; a history without times prints as it always did.
        const bool timed = std::any_of(newestFirst.cbegin(), newestFirst.cend(),
                                       [](const HistoryEntry& entry) { return entry.sentAt.has_value(); });
        const QString format = u"yyyy-MM-dd HH:mm:ss"_s;
        for (qsizetype row = 0; row < newestFirst.size(); ++row) {
            const HistoryEntry& entry = newestFirst.at(row);
            context.out() << QString::number(row + 1).rightJustified(3) << "  ";
            if (timed) {
                context.out() << (entry.sentAt ? entry.sentAt->toLocalTime().toString(format)
                                               : QString(format.size(), u' '))
                              << "  ";
            }
            context.out() << entry.name << '\n';
        }
        return CliContext::Success;
    }
    if (action == u"remove"_s && words.size() == 2) {
        bool ok = false;
        const qsizetype row = words.at(1).toLongLong(&ok);
        if (!ok || row < 1)
            return context.fail(u"history remove takes the row number \"history list\" shows"_s,
                                CliContext::UsageError);
        // The row is counted from the newest entry inside the history lock, against the list as stored then.
        bool found = false;
        // With its time, so that the times left stay with their own sends.
        const auto stored = updateHistory(store, [&](QList<HistoryEntry>& entries) {
            found = row <= entries.size();
            if (found) {
                entries.removeAt(entries.size() - row);
            }
        });
        if (!found)
            return context.fail(u"there is no row %1 in the history"_s.arg(row));
        return stored ? CliContext::Success : context.failedWrite(u"the history could not be written"_s);
    }
    return context.fail(u"history takes list or remove ROW"_s, CliContext::UsageError);
}

} // namespace marrowfin
