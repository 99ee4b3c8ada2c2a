#pragma once

#include "ViewController.h"

#include <QUrl>

namespace marrowfin {

// A screen that has its place, title and picture but whose content is not available in this version yet. It says
// so plainly and, where the site has the page, offers to open it in the system's browser.
class UnavailableViewController final : public ViewController
{
    Q_OBJECT

public:
    static constexpr QStringView kNotAvailableText = u"Not available yet";

    UnavailableViewController(const QString& title, const TabBarItem& item, const QString& explanation,
                              QObject* parent = nullptr);

    // The page to offer in the system's browser; none by default.
    void setBrowserAddress(const QUrl& address) { m_address = address; }
    [[nodiscard]] const QUrl& browserAddress() const { return m_address; }
    [[nodiscard]] const QString& explanation() const { return m_explanation; }

protected:
    void loadView() override;

private:
    QString m_explanation;
    QUrl m_address;
};

} // namespace marrowfin
