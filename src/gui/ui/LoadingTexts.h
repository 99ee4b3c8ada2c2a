#pragma once

#include <QStringView>

namespace marrowfin {

// Texts of the shared loading overlay. The sign-in's own overlay texts live with the login controller.
inline constexpr QStringView kLoadingText = u"Loading...";
inline constexpr QStringView kFilteringText = u"Filtering...";
// Said in place of what a cancelled load would have shown: a list's empty text, a page's failure view.
inline constexpr QStringView kCancelledText = u"Loading was cancelled.";
// Said to a screen reader once a send from a list or a page has reached the client; %1 is the torrent's name.
inline constexpr QStringView kSentAnnouncement = u"Sent to the client: %1";

} // namespace marrowfin
