#pragma once

#include "WebViewController.h"

namespace marrowfin {

// A user's profile page, pushed from a listing's header or from a link on another page: the page cut down, its
// links disarmed, the listing's rows and tabs given back once it has loaded. Main thread only.
class ProfileWebViewController final : public WebViewController
{
    Q_OBJECT

public:
    // `target` is the listing that opened the page, none when another page did.
    ProfileWebViewController(const QUrl& url, WebPageTarget* target, QObject* parent = nullptr);

    // Left before the page came, the listing gets its rows and tabs back all the same.
    void cancel() override;
    void cancelLoading() override;

protected:
    void viewDidLoad() override;
    void fetchAgain() override;
};

} // namespace marrowfin
