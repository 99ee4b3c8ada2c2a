#include "TorrentSender.h"

#include "LoadingTexts.h"
#include "SendingTorrentIndicator.h"

#include "core/remote/FetchPageDownload.h"
#include "gui/platform/Accessibility.h"
#include "gui/platform/Device.h"

namespace marrowfin {

TorrentSender& TorrentSender::sharedInstance()
{
    static TorrentSender* const sender = new TorrentSender;
    return *sender;
}

void TorrentSender::showOverlay()
{
    SendingTorrentIndicator& sending = SendingTorrentIndicator::sharedInstance();
    sending.setParentView(Device::mainWindow());
    sending.setString(SendingTorrentIndicator::sendingText(m_count));
    sending.setOffset(kOverlayOffset);
    sending.showLoadingIndicators();
}

void TorrentSender::send(const QUrl& address, const QString& name, std::function<void(std::optional<QString>)> done)
{
    ++m_count;
    showOverlay();
    m_queue.addOperation(std::make_shared<FetchPageDownload>(
        address, name, this,
        FetchPageDownload::selectorFor([this, done = std::move(done)](std::optional<QString> sent) {
            --m_count;
            if (m_count > 0) {
                showOverlay();
            } else {
                SendingTorrentIndicator::sharedInstance().hideLoadingIndicators();
            }
            if (sent) {
                announce(kSentAnnouncement.toString().arg(*sent));
            }
            if (done) {
                done(sent);
            }
        })));
}

} // namespace marrowfin
