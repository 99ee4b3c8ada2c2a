#pragma once

#include <QStringView>

namespace marrowfin {

// Texts of the shared loading overlay. The sign-in's own overlay texts live with the login controller.
inline constexpr QStringView kLoadingText = u"Loading...";
inline constexpr QStringView kFilteringText = u"Filtering...";

} // namespace marrowfin
