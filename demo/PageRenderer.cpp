#include "PageRenderer.h"

#include "CategoryTree.h"
#include "HttpText.h"
#include "TorrentFile.h"

#include <algorithm>

namespace marrowfin::demo {

namespace {

constexpr std::string_view kStyle = R"css(<style type="text/css">
body { font-family: sans-serif; background: #f4f1ea; color: #222; margin: 0; }
#header { background: #2c4a52; color: #fff; padding: 8px 16px; }
#header a { color: #fff; margin-right: 12px; }
.mainpart, .content { padding: 8px 16px; }
table.data { border-collapse: collapse; width: 100%; }
table.data td, table.data th { border-bottom: 1px solid #ddd; padding: 4px; font-size: 13px; }
tr.sponsored td { background: #fff6d5; }
.alertfield { color: #a00; font-weight: bold; }
.sidebarCell { width: 200px; vertical-align: top; background: #ebe6da; }
#translate_site { border-top: 1px solid #ccc; padding: 8px 16px; font-size: 12px; color: #666; }
</style>
)css";

constexpr std::string_view kForumTopics[] = {
    "Welcome to the demo community - read this first",
    "Which release group names its files best?",
    "Ratio tips for new members",
    "Show your home server setup",
    "Request: documentaries about lighthouses",
    "Bug reports for the site",
    "Favourite wallpaper packs of the year",
    "Is 720p still enough on a phone?",
    "Translators wanted",
    "Off topic: what are you reading?",
};

constexpr std::string_view kShareHosts[] = {"share.example.org", "post.example.net", "links.example.com"};

std::string userLink(const std::string& name)
{
    return "<a class=\"plain\" href=\"/user/" + percentEncodePath(name) + "/\">" + htmlEscape(name) + "</a>";
}

std::string categoryAddress(std::string_view word)
{
    return "/usearch/category%3A" + std::string(word) + "/";
}

std::string sizeText(const CatalogueEntry& entry)
{
    const auto parts = Catalogue::sizeParts(entry.sizeBytes);
    return parts[0] + " " + parts[1];
}

std::string ageText(const CatalogueEntry& entry)
{
    return Catalogue::ageHtml(entry.ageSeconds);
}

} // namespace

PageRenderer::PageRenderer(const Catalogue& catalogue, std::string movieHost)
    : m_catalogue(catalogue), m_movieHost(std::move(movieHost))
{}

std::string PageRenderer::frame(const Visitor& visitor, const std::string& title, const std::string& body,
                                const std::string& extraHead, const std::string& extraFooter) const
{
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    html += htmlEscape(title) + " - " + kSiteName + "</title>\n";
    html += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    html += kStyle;
    if (visitor.user) {
        // The app reads the signed-in user's nickname from this script: the value, then a comma.
        html += "<script type=\"text/javascript\">\nvar siteVisitor = {\n    nickname: '" + *visitor.user +
                "',\n    theme: 'light'\n};\n</script>\n";
    }
    html += extraHead;
    html += "</head>\n<body>\n<div id=\"header\">\n<a href=\"/\" class=\"logo\"><strong>";
    html += kSiteName;
    html += "</strong></a>\n<a href=\"/new/\">Newest</a>\n<a href=\"/community\">Community</a>\n";
    if (visitor.user) {
        html += "<span class=\"usermenu\">Signed in as <a href=\"/user/" + *visitor.user + "/\">" + *visitor.user +
                "</a> | <a href=\"/auth/logout/\">Sign out</a></span>\n";
    } else {
        html += "<span class=\"usermenu\"><a href=\"https://" + visitor.host +
                "/auth/login/\" class=\"signin\">Sign in</a></span>\n";
    }
    html += "</div>\n";
    html += body;
    html += "<div id=\"translate_site\">\n<span>Language: <a href=\"?lang=en\">English</a> | <a "
            "href=\"?lang=nl\">Nederlands</a></span>\n<p>";
    html += kSiteName;
    html += " is a local stand-in made for testing. Nothing here is real.</p>\n" + extraFooter +
            "</div>\n</body>\n</html>\n";
    return html;
}

std::string PageRenderer::nameHtml(const CatalogueEntry& entry)
{
    // Escaped first, so the "<b>" a name may hold stays text; then one word may get real markup around it.
    const std::string escaped = htmlEscape(entry.name);
    if (entry.emphasisWord < 0)
        return escaped;
    std::string html;
    int word = 0;
    std::size_t start = 0;
    for (;;) {
        const auto space = escaped.find(' ', start);
        const std::string piece = escaped.substr(start, space == std::string::npos ? space : space - start);
        if (word == entry.emphasisWord && piece.find('&') == std::string::npos)
            html += "<strong class=\"red\">" + piece + "</strong>";
        else
            html += piece;
        if (space == std::string::npos)
            break;
        html += ' ';
        start = space + 1;
        ++word;
    }
    return html;
}

std::string PageRenderer::row(const Visitor& visitor, const CatalogueEntry& entry, int index) const
{
    const std::string detail = Catalogue::detailPath(entry);
    const std::string size = sizeText(entry);
    const auto sizeParts = Catalogue::sizeParts(entry.sizeBytes);
    const bool odd = index % 2 == 1;
    // Rows differ in their spacing and extras, as hand-edited templates do; each field stays on one line.
    const int variant = entry.id % 3;
    std::string html = "<tr class=\"" + std::string(odd ? "odd" : "even") + "\" id=\"torrent_" +
                       std::to_string(entry.id) + "\">\n<td>\n";
    html += "<div class=\"rowtools floatright\">\n";
    html += "<a rel=\"" + std::to_string(entry.id) + ",0\" class=\"icomment icon16\" href=\"/" + detail +
            "#comments\"><em class=\"iconvalue\">" + std::to_string(entry.id % 11) + "</em></a>\n";
    if (variant == 1)
        html += "\n<!-- download -->\n";
    html += "<a title=\"Download torrent file\" href=\"" + downloadButtonAddress(entry, visitor.host) +
            "\" class=\"idownload icon16\"><span></span></a>\n</div>\n";
    // A redesign of the site, for the health check to notice: the rows keep their links, the markup around the
    // name changes.
    html += layoutChanged() ? "<div class=\"torrent-title\">\n" : "<div class=\"torrentname\">\n";
    html += "<a href=\"/" + detail + "\" class=\"catIcon " + entry.category + "\"></a>\n";
    html += "<a href=\"/" + detail + "\" class=\"rowanchor\"></a>\n";
    html += "<div class=\"titleblock\">\n";
    html += "<a href=\"/" + detail + "\" class=\"rowtitle\">" + nameHtml(entry) + "</a>\n";
    html += "<span class=\"rowmeta\">\n";
    if (variant == 2)
        html += "Posted by " + userLink(entry.uploader) + "\nin <span><a href=\"" + categoryAddress(entry.category) +
                "\">" + entry.category + "</a></span>\n";
    else
        html += "Posted by " + userLink(entry.uploader) + " in <span><strong><a href=\"" +
                categoryAddress(entry.category) + "\">" + entry.category + "</a></strong></span>\n";
    html += "</span>\n</div>\n</div>\n</td>\n";
    if (variant == 0)
        html += "\n";
    html += "<td class=\"nobr center\">" + sizeParts[0] + " <span>" + sizeParts[1] + "</span></td>\n";
    html += "<td class=\"center\">" + std::to_string(entry.files) + "</td>\n";
    html += "<td class=\"center\" title=\"" + size + "\">" + ageText(entry) + "</td>\n";
    if (variant == 1)
        html += "\n\n";
    html += "<td class=\"green center\">" + std::to_string(entry.seeders) + "</td>\n";
    html += "<td class=\"red lasttd center\">" + std::to_string(entry.leechers) + "</td>\n</tr>\n";
    return html;
}

std::string PageRenderer::sponsoredRow(const Visitor& visitor, int index)
{
    // Looks like a row to a reader, but has neither the download link's class nor the name division of a torrent
    // row, so the listing pattern cannot start a match in it and run on into the next row.
    const std::string n = std::to_string(index);
    return "<tr class=\"sponsored\" id=\"promo_" + n +
           "\">\n<td colspan=\"6\">\n<div class=\"promoname\">\n"
           "<a title=\"Sponsored\" href=\"http://" +
           visitor.host + "/promo/" + n +
           "/\" class=\"idownload-promo icon16\" rel=\"nofollow\"><span></span></a>\n"
           "<a href=\"/promo/" +
           n +
           "/\" class=\"promolink\">Sponsored: Lantern VPN &amp; <b>fast</b> mirrors</a>\n"
           "<span class=\"rowmeta\">Advertisement</span>\n</div>\n</td>\n</tr>\n";
}

int PageRenderer::sponsoredAfter(int page)
{
    return page % 3 == 0 ? -1 : (page * 7) % kRowsPerPage;
}

std::string PageRenderer::listing(const Visitor& visitor, const ListingPage& page) const
{
    std::string body = "<div class=\"mainpart\">\n<h1>" + htmlEscape(page.heading) + "</h1>\n";
    body += "<table width=\"100%\" class=\"data\" cellpadding=\"0\" cellspacing=\"0\">\n<tr class=\"firstr\">\n"
            "<th class=\"width100perc nopad\">torrent name</th>\n";
    static constexpr std::pair<std::string_view, std::string_view> kColumns[] = {
        {"size", "size"}, {"files_count", "files"}, {"time_add", "age"}, {"seeders", "seed"}, {"leechers", "leech"}};
    for (const auto& [field, label] : kColumns)
        body += "<th class=\"center\"><a href=\"" + htmlEscape(page.pathBase) + "?field=" + std::string(field) +
                "&amp;sorder=desc\" rel=\"nofollow\">" + std::string(label) + "</a></th>\n";
    body += "</tr>\n";
    const int sponsored = sponsoredAfter(page.page);
    for (std::size_t i = 0; i < page.rows.size(); ++i) {
        if (int(i) == sponsored && !page.rows.empty())
            body += sponsoredRow(visitor, page.page);
        body += row(visitor, *page.rows[i], int(i));
    }
    body += "</table>\n";
    if (page.rows.empty())
        body += "<p class=\"noresults\">Nothing found on this page.</p>\n";
    body += "<div class=\"pages\">\n";
    const int last = std::min(page.pageCount, page.page + 5);
    for (int p = std::max(1, page.page - 4); p <= last; ++p) {
        const std::string address = page.pathBase + (p == 1 ? "" : std::to_string(p) + "/") + page.orderSuffix;
        body += p == page.page ? "<a class=\"active\">" + std::to_string(p) + "</a>\n"
                               : "<a href=\"" + htmlEscape(address) + "\">" + std::to_string(p) + "</a>\n";
    }
    body += "</div>\n</div>\n";
    return frame(visitor, page.heading + (page.page > 1 ? " - page " + std::to_string(page.page) : ""), body);
}

std::string PageRenderer::downloadButtonAddress(const CatalogueEntry& entry, std::string_view host)
{
    return Catalogue::offersMagnetLink(entry) ? TorrentFile::magnetLink(entry)
                                              : Catalogue::downloadAddress(entry, host);
}

std::string PageRenderer::detail(const Visitor& visitor, const CatalogueEntry& entry) const
{
    const std::string name = htmlEscape(entry.name);
    const std::string named = Catalogue::namedDownloadAddress(entry, visitor.host);
    std::string body = "<div class=\"mainpart\">\n<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\" "
                       "class=\"doublecelltable\">\n<tr>\n<td class=\"maincolumn\">\n";
    body += "<h1 class=\"novertmarg\"><span>" + name + "</span></h1>\n";
    body += "<div class=\"buttonsline\">\n<a class=\"bigbutton\" href=\"" + downloadButtonAddress(entry, visitor.host) +
            "\" title=\"Download torrent file\">Download</a>\n";
    body += "<a class=\"plainlink\" href=\"" + named + "\">" + htmlEscape(Catalogue::torrentFileName(entry)) +
            "</a>\n</div>\n";
    body += "<ul class=\"facts\">\n<li>Category: <a href=\"" + categoryAddress(entry.category) + "\">" +
            entry.category + "</a></li>\n";
    body += "<li>Size: " + sizeText(entry) + "</li>\n<li>Files: " + std::to_string(entry.files) + "</li>\n";
    body += "<li>Added: " + ageText(entry) + " ago by " + userLink(entry.uploader) + "</li>\n";
    body +=
        "<li>Seeders: " + std::to_string(entry.seeders) + ", leechers: " + std::to_string(entry.leechers) + "</li>\n";
    const std::string title = "/title/" + entry.movieId + "/";
    switch (entry.movieLink) {
    case MovieLink::SingleQuoted:
        body += "<li>Film page: <a href='http://" + m_movieHost + title + "' target=\"_blank\">" + entry.movieId +
                "</a></li>\n";
        break;
    case MovieLink::DoubleQuoted:
        body += "<li>Film page: <a href=\"http://" + m_movieHost + title + "\" target=\"_blank\">" + entry.movieId +
                "</a></li>\n";
        break;
    case MovieLink::OtherHost:
        body += "<li>Film page: <a href=\"http://films.example.net" + title + "\" target=\"_blank\">" + entry.movieId +
                "</a></li>\n";
        break;
    case MovieLink::None:
        break;
    }
    body += "</ul>\n";
    const std::string shareHost(kShareHosts[std::size_t(entry.id) % std::size(kShareHosts)]);
    body += "<div class=\"sharingWidgetBox\">\n<span>Share:</span>\n<a href=\"http://" + shareHost +
            "/?u=http%3A%2F%2F" + visitor.host + "%2F" + Catalogue::detailPath(entry) +
            "\" target=\"_blank\" rel=\"nofollow\">Share this torrent</a>\n</div>\n";
    body += "<div id=\"tab-technical\" class=\"tabcontent\">\n<h2>Technical details</h2>\n<ul class=\"filelist\">\n";
    body += "<li>" + htmlEscape(entry.slug) + (entry.files > 1 ? ".bin" : "") + "</li>\n";
    if (entry.files > 1)
        body += "<li>and " + std::to_string(entry.files - 1) + " more files</li>\n";
    body += "</ul>\n</div>\n";
    body += "<div id=\"tab-comments\" class=\"tabcontent\">\n<h2>Comments</h2>\n<div class=\"comment\">" +
            userLink(m_catalogue.uploaders().at(std::size_t(entry.id) % m_catalogue.uploaders().size())) +
            ": Thanks! Notes at <a href=\"http://notes.example.org/" + std::to_string(entry.id) +
            "\" target=\"_blank\">my notes</a>.</div>\n</div>\n";
    body += "</td>\n";
    body += "<td class=\"sidebarCell\">\n<div class=\"sidebox\"><h3>Related</h3>\n<a href=\"" +
            categoryAddress(entry.category) + "\">More in " + entry.category + "</a>\n</div>\n</td>\n";
    body += "<td class=\"sidebarCell\">\n<div class=\"sidebox\"><h3>Uploader</h3>\n" + userLink(entry.uploader) +
            "\n</div>\n</td>\n";
    body += "<td class=\"sidebarCell\">\n<div class=\"sidebox advert\">Your advert here</div>\n</td>\n";
    body += "</tr>\n</table>\n</div>\n";
    // A film link after the main part, which the app must not take for the torrent's own.
    return frame(visitor, entry.name, body, {},
                 "<p class=\"footerlinks\"><a href=\"http://" + m_movieHost + "/\">film database</a></p>\n");
}

std::string PageRenderer::profile(const Visitor& visitor, const std::string& name) const
{
    if (name == kClosedProfile) {
        const std::string body = "<div class=\"closedprofile\">\n<h1>" + htmlEscape(name) +
                                 "</h1>\n<p>This member keeps their profile private.</p>\n</div>\n";
        return frame(visitor, name + " - profile", body);
    }
    std::string body = "<div class=\"mainpart\">\n<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\">\n<tr>\n"
                       "<td class=\"maincolumn\">\n<h1>" +
                       htmlEscape(name) + "</h1>\n<p>Member of the " + kSiteName +
                       ".</p>\n<h2>Latest uploads</h2>\n<ul>\n";
    int shown = 0;
    for (const CatalogueEntry& entry : m_catalogue.entries()) {
        if (entry.uploader == name && shown < 10) {
            body += "<li><a href=\"/" + Catalogue::detailPath(entry) + "\">" + htmlEscape(entry.name) + "</a></li>\n";
            ++shown;
        }
    }
    if (shown == 0)
        body += "<li>No uploads yet.</li>\n";
    body += "</ul>\n</td>\n";
    body += "<td class=\"sidebarCell\">\n<div class=\"sidebox\">Reputation: " + std::to_string(shown * 3 + 1) +
            "</div>\n</td>\n";
    body += "<td class=\"sidebarCell\">\n<div class=\"sidebox\"><a href=\"/community\">Forum posts</a></div>\n</td>\n";
    body += "<td class=\"sidebarCell\">\n<div class=\"sidebox advert\">Your advert here</div>\n</td>\n";
    body += "</tr>\n</table>\n</div>\n";
    return frame(visitor, name + " - profile", body);
}

std::string PageRenderer::forumIndex(const Visitor& visitor) const
{
    std::string body = "<div class=\"content forum\">\n<h1>Community</h1>\n<ul class=\"topics\">\n";
    for (std::size_t i = 0; i < std::size(kForumTopics); ++i)
        body += "<li><a href=\"/community/show/" + std::to_string(i + 1) + "/\">" + htmlEscape(kForumTopics[i]) +
                "</a></li>\n";
    body += "</ul>\n<p>Back to the <a href=\"/\">front page</a> or the <a href=\"/new/\">newest torrents</a>; "
            "our friends at <a href=\"http://elsewhere.example.org/\">elsewhere</a>.</p>\n</div>\n";
    return frame(visitor, "Community", body);
}

std::string PageRenderer::forumTopic(const Visitor& visitor, int topic) const
{
    const std::string title(kForumTopics[std::size_t(topic - 1)]);
    std::string body = "<div class=\"content forum\">\n<p><a href=\"/community\">Community</a> &raquo; " +
                       htmlEscape(title) + "</p>\n<h1>" + htmlEscape(title) + "</h1>\n";
    const auto& entries = m_catalogue.entries();
    for (int post = 0; post < 4; ++post) {
        const CatalogueEntry& entry = entries[std::size_t(topic * 37 + post * 11) % entries.size()];
        body += "<div class=\"post\">\n<div class=\"author\">" + userLink(entry.uploader) +
                "</div>\n<p>Have a look at "
                "<a href=\"/" +
                Catalogue::detailPath(entry) + "\">" + htmlEscape(entry.name) +
                "</a>, and see also "
                "<a href=\"/community/show/" +
                std::to_string(topic % int(std::size(kForumTopics)) + 1) + "/\">the next topic</a>.</p>\n</div>\n";
    }
    body += "</div>\n";
    return frame(visitor, title + " - Community", body);
}

std::string PageRenderer::front(const Visitor& visitor) const
{
    std::string body = "<div class=\"content front\">\n<h1>Welcome to the " + std::string(kSiteName) +
                       "</h1>\n"
                       "<p>Browse the <a href=\"/new/\">newest torrents</a>, visit the <a href=\"/community\">"
                       "community</a>, or pick a category:</p>\n<ul class=\"categories\">\n";
    for (const CategoryGroup& group : CategoryTree::groups())
        body +=
            "<li><a href=\"" + categoryAddress(group.words.front()) + "\">" + std::string(group.title) + "</a></li>\n";
    body += "</ul>\n<h2>Just added</h2>\n<ul class=\"latest\">\n";
    const auto& entries = m_catalogue.entries();
    for (std::size_t i = 0; i < std::min<std::size_t>(8, entries.size()); ++i)
        body += "<li><a href=\"/" + Catalogue::detailPath(entries[i]) + "\">" + htmlEscape(entries[i].name) + "</a> (" +
                sizeText(entries[i]) + ")</li>\n";
    body += "</ul>\n</div>\n";
    return frame(visitor, "Home", body);
}

std::string PageRenderer::signIn(const Visitor& visitor, const SignInForm& form) const
{
    std::string head;
    if (form.captchaChallenge)
        head = "<script type=\"text/javascript\" src=\"http://" + visitor.host +
               "/recaptcha/api/challenge?k=demo-site-key\"></script>\n";
    std::string body = "<div class=\"content signin\">\n<h1>Sign in</h1>\n<form method=\"post\" action=\"https://" +
                       visitor.host + "/auth/login/\">\n<input type=\"hidden\" name=\"return_uri\" value=\"https://" +
                       visitor.host + "/auth/register/\">\n<table class=\"formtable\">\n";
    if (form.failed)
        body += "<tr><td><div class=\"alertfield\">Wrong user name or password.</div></td></tr>\n";
    body += "<tr><td><label>User name or email<br><input type=\"text\" name=\"email\" value=\"" +
            htmlEscape(form.email) + "\"></label></td></tr>\n";
    body += "<tr><td><label>Password<br><input type=\"password\" name=\"password\" value=\"\"></label></td></tr>\n";
    if (form.captchaChallenge) {
        body += "<tr><td><img src=\"http://" + visitor.host + "/image?c=" + *form.captchaChallenge +
                "\" alt=\"captcha\"><br>\n<input type=\"hidden\" name=\"recaptcha_challenge_field\" value=\"" +
                *form.captchaChallenge +
                "\">\n<label>Type the digits<br><input type=\"text\" "
                "name=\"recaptcha_response_field\" value=\"\"></label></td></tr>\n";
    }
    body += "<tr><td><label><input type=\"checkbox\" name=\"remember_me\" checked> Remember me</label>\n"
            "<button type=\"submit\" name=\"login\" value=\"submit\">Sign in</button></td></tr>\n</table>\n</form>\n"
            "</div>\n";
    return frame(visitor, "Sign in at /auth/login/", body, head);
}

std::string PageRenderer::notFound(const Visitor& visitor) const
{
    return frame(visitor, "Not found",
                 "<div class=\"content\">\n<h1>Not found</h1>\n<p>There is nothing at this address. Try the "
                 "<a href=\"/new/\">newest torrents</a>.</p>\n</div>\n");
}

std::string PageRenderer::captchaScript(const std::string& host, const std::string& challenge) const
{
    return "var captchaState = {\n    challenge : '" + challenge + "',\n    timeout : 1800,\n    server : 'http://" +
           host + "/'\n};\ndocument.write('<img src=\"http://" + host + "/image?c=" + challenge + "\">');\n";
}

} // namespace marrowfin::demo
