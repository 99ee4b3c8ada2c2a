#pragma once

#include "gui/platform/ViewController.h"

#include <QRect>
#include <QUrl>

namespace marrowfin {

// The small donation button on the sign-in screen: the donation picture, linked to the configured checkout page,
// which opens in the system's own browser. Nothing shows when no donation link is configured.
class DonateViewController final : public ViewController
{
    Q_OBJECT

public:
    DonateViewController(const QRect& frame, QUrl link, QObject* parent = nullptr);

    [[nodiscard]] const QUrl& link() const { return m_link; }
    [[nodiscard]] bool isAvailable() const { return m_link.isValid() && !m_link.isEmpty(); }

protected:
    void loadView() override;

private:
    QRect m_frame;
    QUrl m_link;
};

} // namespace marrowfin
