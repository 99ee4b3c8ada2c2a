#pragma once

#include <QString>

#include <optional>

namespace marrowfin {

// What a listing screen answers for its header's buttons. Refresh and the user name are on every header; the
// filters, settings and search buttons only on some screens, so a delegate says which of those it answers, and the
// header calls only those.
class HeaderViewDelegate
{
public:
    virtual ~HeaderViewDelegate() = default;

    virtual void didRefresh() = 0;
    // The user name was tapped; no name means the signed-in user's own profile.
    virtual void didSelectProfile(std::optional<QString> name) = 0;

    [[nodiscard]] virtual bool respondsToFilters() const { return false; }
    virtual void didFilters() {}
    [[nodiscard]] virtual bool respondsToSettings() const { return false; }
    virtual void didSettings() {}
    [[nodiscard]] virtual bool respondsToSearch() const { return false; }
    virtual void didSearch() {}

protected:
    HeaderViewDelegate() = default;
    HeaderViewDelegate(const HeaderViewDelegate&) = default;
    HeaderViewDelegate& operator=(const HeaderViewDelegate&) = default;
};

} // namespace marrowfin
