#include "StartingWindow.h"

#include "MarrowfinVersion.h"

#include "gui/platform/Accessibility.h"

#include <QLabel>
#include <QVBoxLayout>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

StartingWindow::StartingWindow(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(u"Marrowfin"_s);
    installAccessibility();
    resize(375, 667);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    colours.setColor(QPalette::WindowText, QColor(0xf2, 0xf2, 0xf2));
    setPalette(colours);

    auto* title = new QLabel(u"Marrowfin"_s, this);
    QFont titleFont(u"Liberation Sans"_s, 28, QFont::Bold);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    m_status = new QLabel(u"Starting\u2026"_s, this);
    m_status->setFont(QFont(u"Liberation Sans"_s, 13));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setWordWrap(true);

    auto* version = new QLabel(u"Version %1"_s.arg(QString::fromLatin1(MARROWFIN_VERSION)), this);
    version->setFont(QFont(u"Liberation Sans"_s, 10));
    version->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(2);
    layout->addWidget(title);
    layout->addSpacing(12);
    layout->addWidget(m_status);
    layout->addStretch(3);
    layout->addWidget(version);
    layout->setContentsMargins(24, 24, 24, 24);
}

void StartingWindow::setStatus(const QString& text)
{
    m_status->setText(text);
}

} // namespace marrowfin
