#pragma once

namespace marrowfin {

// The listing screen that opened a web page screen, as the page sees it: it locked its rows and tabs while the page
// was on its way, and takes the page's download button.
class WebPageTarget
{
public:
    virtual ~WebPageTarget() = default;

    // The page has loaded: rows selectable and tabs usable again.
    virtual void webPageDidLoad() = 0;
    // The torrent page's download button, for the row it was opened from.
    virtual void didTapDownloadButton(int row) = 0;

protected:
    WebPageTarget() = default;
    WebPageTarget(const WebPageTarget&) = default;
    WebPageTarget& operator=(const WebPageTarget&) = default;
};

} // namespace marrowfin
