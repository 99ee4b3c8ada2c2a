#include "ListingCommands.h"

#include "CliContext.h"
#include "ProgressLine.h"
#include "TorrentPrinter.h"

#include "core/app/Profile.h"
#include "core/config/AppConfig.h"
#include "core/display/FavoritesPageCount.h"
#include "core/display/ListingAddresses.h"
#include "core/display/ListingSettings.h"
#include "core/lists/FetchPageAllTorrents.h"
#include "core/lists/FilterSet.h"
#include "core/net/OperationQueue.h"
#include "core/scrape/HttpRequestRegExDetails.h"
#include "core/settings/SettingsStore.h"
#include "core/watch/FavoritesBatch.h"

#include <QEventLoop>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {

const QCommandLineOption& pageOption()
{
    static const QCommandLineOption option(u"page"_s, u"The page to show, from 1 (default 1)."_s, u"N"_s, u"1"_s);
    return option;
}

std::optional<int> positiveNumber(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 1 ? std::optional<int>(value) : std::nullopt;
}

// Fetches one listing page the way a listing screen does, on a queue of its own, and waits on this thread's event
// loop for the delivery.
std::optional<ListingPage> fetchListing(const QUrl& address)
{
    OperationQueue queue(1, u"listing"_s);
    QObject receiver;
    QEventLoop loop;
    ProgressLine progress;
    progress.page(0, 1);
    std::optional<ListingPage> page;
    queue.addOperation(std::make_shared<FetchPageAllTorrents>(
        address, &receiver, FetchPageAllTorrents::selectorFor([&](std::optional<ListingPage> answer) {
            progress.page(1, 1);
            page = std::move(answer);
            loop.quit();
        })));
    loop.exec();
    return page;
}

int printListing(CliContext& context, const QUrl& address)
{
    const std::optional<ListingPage> page = fetchListing(address);
    if (!page) {
        return context.fail(u"the page %1 could not be fetched"_s.arg(address.toString()));
    }
    // An error page, or one whose rows the pattern no longer knows, has no rows: printed, it would pass for a
    // quiet site.
    if (page->failed()) {
        return context.fail(u"the page "_s + page->failureFor(address.toString()));
    }
    if (context.json()) {
        TorrentPrinter::printJson(context.out(), page->torrents);
    } else {
        TorrentPrinter::printTable(context.out(), page->torrents, TorrentPrinter::terminalWidth());
    }
    return CliContext::Success;
}

void reportInvalidFilters(CliContext& context, const FilterSet& filters)
{
    for (const FilterProblem& problem : filters.problems()) {
        context.fail(u"the filter %1 was skipped (%2)"_s.arg(CliContext::quoted(problem.text), problem.reason));
    }
}

} // namespace

int ListingCommands::newest(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addOption(pageOption());
    if (const auto done = context.parse(parser, arguments, u"new [--page N]"_s,
                                        u"The site's newest torrents, with the stored category, order and sort "
                                        u"(see \"settings\"). A * marks a torrent already sent to the client."_s))
        return *done;
    const auto page = positiveNumber(parser.value(pageOption()));
    if (!page || !parser.positionalArguments().mid(1).isEmpty())
        return context.fail(u"new takes only --page N, with N from 1"_s, CliContext::UsageError);
    const ListingSettings settings = ListingSettings::read(context.profile().settings(), ListingKind::Newest);
    return printListing(context, QUrl(newestListingAddress(settings, *page, AppConfig::current().siteHost)));
}

int ListingCommands::search(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addOption(pageOption());
    parser.addPositionalArgument(u"query"_s, u"The words to search for."_s);
    if (const auto done = context.parse(parser, arguments, u"search QUERY [--page N]"_s,
                                        u"Searches the site, with the stored search category, order and sort."_s))
        return *done;
    const QStringList words = parser.positionalArguments().mid(1);
    const auto page = positiveNumber(parser.value(pageOption()));
    if (!page || words.isEmpty())
        return context.fail(u"search takes a query and optionally --page N, with N from 1"_s, CliContext::UsageError);
    const QString query = words.join(u' ');
    if (query.trimmed().isEmpty())
        return context.fail(u"the query is empty"_s, CliContext::UsageError);
    const ListingSettings settings = ListingSettings::read(context.profile().settings(), ListingKind::Search);
    return printListing(context,
                        QUrl(searchAddress(escapeSearchQuery(query), settings, *page, AppConfig::current().siteHost)));
}

int ListingCommands::favorites(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption pagesOption(u"pages"_s, u"How many pages of the newest listing to scan."_s, u"N"_s);
    parser.addOption(pagesOption);
    if (const auto done = context.parse(
            parser, arguments, u"favorites [--pages N]"_s,
            u"Scans the first N pages of the site's newest torrents at once (default: the stored count, else 5) "
            u"and shows those that a favorite filter accepts, in page order."_s))
        return *done;
    SettingsStore& store = context.profile().settings();
    int pages = favoritesPageCount(store);
    if (parser.isSet(pagesOption)) {
        const auto given = positiveNumber(parser.value(pagesOption));
        if (!given || *given > 100)
            return context.fail(u"--pages takes a number from 1 to 100"_s, CliContext::UsageError);
        pages = *given;
    }
    if (!parser.positionalArguments().mid(1).isEmpty())
        return context.fail(u"favorites takes only --pages N"_s, CliContext::UsageError);

    FilterSet filters;
    filters.reloadFilters(store);
    const FavoritesBatch batch = [&] {
        // "page N/M" on a terminal while the pages come in, wiped before the torrents are shown.
        ProgressLine progress;
        return FavoritesBatch::fetch(filters, pages, AppConfig::current().siteHost, nullptr,
                                     [&progress](int done, int total) { progress.page(done, total); });
    }();
    reportInvalidFilters(context, filters);
    if (!batch.failedPages.isEmpty()) {
        for (const QString& failure : batch.failedPages) {
            context.fail(u"the page %1"_s.arg(failure));
        }
        return CliContext::Failure;
    }
    if (context.json())
        TorrentPrinter::printJson(context.out(), batch.accepted);
    else
        TorrentPrinter::printTable(context.out(), batch.accepted, TorrentPrinter::terminalWidth());
    return CliContext::Success;
}

int ListingCommands::detail(CliContext& context, const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(u"path"_s, u"The torrent's detail path, as the listing's detailsUrl gives it."_s);
    if (const auto done = context.parse(parser, arguments, u"detail PATH"_s,
                                        u"Prints the torrent's detail page as the torrent screen shows it (head and "
                                        u"main part, side bar and sharing widget removed) and, on standard error, "
                                        u"its movie database address when it has one."_s))
        return *done;
    const QStringList words = parser.positionalArguments().mid(1);
    if (words.size() != 1 || words.first().isEmpty())
        return context.fail(u"detail takes one path"_s, CliContext::UsageError);
    (void)context.profile();
    QString path = words.first();
    while (path.startsWith(u'/'))
        path.remove(0, 1);
    const QUrl address(detailsAddress(path, AppConfig::current().siteHost));
    HttpRequestRegExDetails request(address);
    request.request();
    if (!request.result() || !request.isResponseValid())
        return context.fail(u"the page %1 could not be fetched"_s.arg(address.toString()));
    context.out() << *request.result();
    if (!request.result()->endsWith(u'\n'))
        context.out() << '\n';
    context.out().flush();
    if (request.imdb())
        context.err() << *request.imdb() << '\n';
    return CliContext::Success;
}

} // namespace marrowfin
