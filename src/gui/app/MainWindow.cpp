#include "MainWindow.h"

#include "core/settings/IniText.h"
#include "core/settings/ProfileFile.h"
#include "gui/platform/Accessibility.h"
#include "gui/platform/Images.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSettings>
#include <QShortcut>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kGeometryKey = u"window/geometry"_s;

// Menus and the lists that drop down from pickers, in the window's dark look rather than the desktop's light one.
// Only these are styled here: every screen styles its own widgets.
const QString kPopupLook =
    u"QMenu { background: #2b2b2b; color: #f2f2f2; border: 1px solid #5c5c5c; padding: 4px 0; }"
    u" QMenu::item { padding: 6px 22px; background: transparent; }"
    u" QMenu::item:selected { background: #3d7bd9; color: white; }"
    u" QMenu::item:disabled { color: #8a8a8a; }"
    u" QMenu::separator { height: 1px; background: #5c5c5c; margin: 4px 8px; }"
    u" QComboBox QAbstractItemView { background: #2b2b2b; color: #f2f2f2; border: 1px solid #5c5c5c;"
    u" selection-background-color: #3d7bd9; selection-color: white; outline: none; }"_s;
} // namespace

MainWindow::MainWindow(QString geometryFile, QWidget* parent) : QWidget(parent), m_geometryFile(std::move(geometryFile))
{
    setWindowTitle(u"Marrowfin"_s);
    setWindowIcon(QIcon(imageNamed(u"marrowfin", QSize(128, 128))));
    installAccessibility();
    setMinimumSize(kMinimumSize);
    resize(kDefaultSize);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(u"MainWindow { background: black; }"_s);
    if (!qApp->styleSheet().contains(kPopupLook)) {
        qApp->setStyleSheet(qApp->styleSheet() + kPopupLook);
    }

    auto* quit = new QShortcut(QKeySequence::Quit, this);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Refresh), QKeySequence(u"Ctrl+R"_s)}) {
        auto* refresh = new QShortcut(keys, this);
        connect(refresh, &QShortcut::activated, this, [this] {
            if (m_refresh)
                m_refresh();
        });
    }
    auto* search = new QShortcut(QKeySequence::Find, this);
    connect(search, &QShortcut::activated, this, [this] {
        if (m_search)
            m_search();
    });
    // Back (Alt+Left here) is taken before any widget sees it: a web page would keep it for its own history, and
    // shortcuts for the same keys elsewhere would make Qt call each ambiguous and fire none.
    m_backKeys = QKeySequence::keyBindings(QKeySequence::Back);
    if (!m_backKeys.contains(QKeySequence(u"Alt+Left"_s))) {
        m_backKeys.append(QKeySequence(u"Alt+Left"_s));
    }
    qApp->installEventFilter(this);
}

void MainWindow::restoreGeometryFromFile()
{
    if (m_geometryFile.isEmpty())
        return;
    const QSettings stored(m_geometryFile, QSettings::IniFormat);
    const QByteArray geometry = stored.value(kGeometryKey).toByteArray();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
}

void MainWindow::setRootView(QWidget* view)
{
    m_root = view;
    view->setParent(this);
    view->setGeometry(rect());
    view->show();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_root)
        m_root->setGeometry(rect());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) && m_back) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        if (widget && widget->window() == this && m_backKeys.contains(pressed)) {
            if (type == QEvent::KeyPress) {
                m_back();
            }
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape that nothing on the way took (a settings screen while the tab bar has the focus, a page): back, as
    // Alt+Left. Dialogs, the loading overlay and the forms take their own Escape first.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_back) {
        m_back();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_geometryFile.isEmpty()) {
        // Read through QSettings, written through the profile's checked writes: a full disk keeps the old place.
        if (const auto failed =
                ProfileFile::replace(m_geometryFile, iniText({{kGeometryKey, QVariant(saveGeometry())}}))) {
            qWarning().noquote() << "the window's place is not saved:" << *failed;
        }
    }
    if (m_closeFilter && m_closeFilter()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace marrowfin
