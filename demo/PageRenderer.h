#pragma once

#include "Catalogue.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace marrowfin::demo {

// Who is looking: how they addressed the site (absolute links use it) and whether they are signed in.
struct Visitor
{
    std::string host; // "host:port"
    std::optional<std::string> user;
};

struct ListingPage
{
    std::string heading;
    std::vector<const CatalogueEntry*> rows;
    int page = 1;
    int pageCount = 1;
    std::string pathBase;    // the address of page 1, e.g. "/new/" or "/usearch/ubuntu/"
    std::string orderSuffix; // "?field=...&sorder=..." as asked, repeated in the page links
};

struct SignInForm
{
    bool failed = false;
    std::string email;                           // shown back in the form
    std::optional<std::string> captchaChallenge; // set in captcha mode
};

// The site's HTML. Every page shares one frame: the head (with the signed-in user's nickname in a script), a
// header bar (a sign-in link for anonymous visitors only, so that a signed-in page never holds the sign-in path),
// the page's own part, and a footer that opens with the translation bar. Immutable; safe on any thread.
class PageRenderer final
{
public:
    PageRenderer(const Catalogue& catalogue, std::string movieHost);

    static constexpr const char* kSiteName = "Marrowfin Demo Index";
    static constexpr int kRowsPerPage = 25;

    // The address a row's and a detail page's download button carry: the magnet link where the torrent offers one.
    [[nodiscard]] static std::string downloadButtonAddress(const CatalogueEntry& entry, std::string_view host);

    [[nodiscard]] std::string listing(const Visitor& visitor, const ListingPage& page) const;
    // Listing rows in another markup that keeps every link but fits no row pattern written for the usual one, as
    // after a redesign of the site; the one setting that changes after start, hence an atomic.
    void setLayoutChanged(bool changed) const { m_layoutChanged.store(changed, std::memory_order_relaxed); }
    [[nodiscard]] bool layoutChanged() const { return m_layoutChanged.load(std::memory_order_relaxed); }
    [[nodiscard]] std::string detail(const Visitor& visitor, const CatalogueEntry& entry) const;
    [[nodiscard]] std::string profile(const Visitor& visitor, const std::string& name) const;
    [[nodiscard]] std::string forumIndex(const Visitor& visitor) const;
    [[nodiscard]] std::string forumTopic(const Visitor& visitor, int topic) const;
    [[nodiscard]] std::string front(const Visitor& visitor) const;
    [[nodiscard]] std::string signIn(const Visitor& visitor, const SignInForm& form) const;
    [[nodiscard]] std::string notFound(const Visitor& visitor) const;
    [[nodiscard]] std::string captchaScript(const std::string& host, const std::string& challenge) const;

    // The listing row of one entry and the sponsored row, alone (for tests of the row layout).
    [[nodiscard]] std::string row(const Visitor& visitor, const CatalogueEntry& entry, int index) const;
    [[nodiscard]] static std::string sponsoredRow(const Visitor& visitor, int index);
    // Where a page of the listing holds a sponsored row: after this many rows, or -1 for none.
    [[nodiscard]] static int sponsoredAfter(int page);
    // The name as the listing writes it: escaped, one word maybe wrapped in markup.
    [[nodiscard]] static std::string nameHtml(const CatalogueEntry& entry);

    // Profiles the site has: every uploader and every user who can sign in; one of them has closed their
    // profile, whose page lacks the main part.
    static constexpr const char* kClosedProfile = "quietmoth";

private:
    mutable std::atomic<bool> m_layoutChanged{false};
    [[nodiscard]] std::string frame(const Visitor& visitor, const std::string& title, const std::string& body,
                                    const std::string& extraHead = {}, const std::string& extraFooter = {}) const;

    const Catalogue& m_catalogue;
    std::string m_movieHost;
};

} // namespace marrowfin::demo
