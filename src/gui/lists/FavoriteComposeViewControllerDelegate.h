#pragma once

#include <QString>

namespace marrowfin {

class FavoriteComposeViewController;

// What the screen that presented the compose screen hears from it.
class FavoriteComposeViewControllerDelegate
{
public:
    virtual ~FavoriteComposeViewControllerDelegate() = default;
    // Save: the text as typed, never trimmed.
    virtual void didUpdateList(FavoriteComposeViewController* compose, const QString& item) = 0;
    virtual void didCancelUpdateList(FavoriteComposeViewController* compose) = 0;

protected:
    FavoriteComposeViewControllerDelegate() = default;
    FavoriteComposeViewControllerDelegate(const FavoriteComposeViewControllerDelegate&) = default;
    FavoriteComposeViewControllerDelegate& operator=(const FavoriteComposeViewControllerDelegate&) = default;
};

} // namespace marrowfin
