#include "browser/webviewfilter.h"

#include "browser/clienthandler.h"

#include <QAction>
#include <QActionGroup>
#include <QChildEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QStandardPaths>
#include <QWebEngineDownloadItem>
#include <QWebEngineView>

namespace {
// Identifiers of the developer context menu.
enum MenuId { ShowDevTools = 26500, CloseDevTools, InspectElement, ContextMenuTest, CheckItem, Radio1, Radio2, Radio3 };

bool isSystemKey(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Alt || e->key() == Qt::Key_F10;
}

// A drag that offers linking and carries a web address would navigate the page.
bool isLinkDrag(const QDragEnterEvent* e)
{
    if (!(e->possibleActions() & Qt::LinkAction))
        return false;
    const QMimeData* mime = e->mimeData();
    if (!mime->hasUrls())
        return mime->hasText();
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            return true;
    }
    return false;
}
} // namespace

WebViewFilter::WebViewFilter(QWebEngineView* view) : QObject(view), m_view(view)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, &WebViewFilter::showContextMenu);
    watch(view);
    for (QObject* child : view->children())
        watch(child);
}

void WebViewFilter::install(QWebEngineView* view)
{
    new WebViewFilter(view);
}

void WebViewFilter::watch(QObject* child)
{
    if (child->isWidgetType())
        child->installEventFilter(this);
}

bool WebViewFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        // The engine's render widget arrives after the view is built.
        if (watched == m_view)
            watch(static_cast<QChildEvent*>(event)->child());
        return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: return isSystemKey(static_cast<QKeyEvent*>(event));
    case QEvent::DragEnter:
        if (isLinkDrag(static_cast<QDragEnterEvent*>(event))) {
            event->ignore();
            return true;
        }
        return false;
    case QEvent::CursorChange: {
        ClientHandler* handler = clientHandler();
        auto* widget = qobject_cast<QWidget*>(watched);
        if (handler && handler->mouseCursorChangeDisabled() && widget && !m_fixingCursor &&
            widget->cursor().shape() != Qt::ArrowCursor) {
            m_fixingCursor = true;
            widget->setCursor(Qt::ArrowCursor);
            m_fixingCursor = false;
        }
        return false;
    }
    default: return false;
    }
}

void WebViewFilter::showContextMenu(const QPoint& pos)
{
    ClientHandler* handler = clientHandler();
    if (!handler || !handler->devMenuEnabled())
        return;
    QWebEnginePage* page = m_view->page();
    QMenu menu(m_view);
    menu.addAction(QStringLiteral("&Show DevTools"))->setData(ShowDevTools);
    menu.addAction(QStringLiteral("Close DevTools"))->setData(CloseDevTools);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Inspect Element"))->setData(InspectElement);
    QMenu* test = menu.addMenu(QStringLiteral("Context Menu Test"));
    test->menuAction()->setData(ContextMenuTest);

    static bool checked = true;
    static int radio = Radio1;
    QAction* check = test->addAction(QStringLiteral("Check Item"));
    check->setData(CheckItem);
    check->setCheckable(true);
    check->setChecked(checked);
    auto* group = new QActionGroup(test);
    for (int id = Radio1; id <= Radio3; ++id) {
        QAction* a = test->addAction(QStringLiteral("Radio Item %1").arg(id - Radio1 + 1));
        a->setData(id);
        a->setCheckable(true);
        a->setChecked(id == radio);
        group->addAction(a);
    }

    QAction* chosen = menu.exec(m_view->mapToGlobal(pos));
    if (!chosen)
        return;
    switch (chosen->data().toInt()) {
    case ShowDevTools: handler->showDevTools(page, QPoint(), false); break;
    case CloseDevTools: handler->closeDevTools(page); break;
    case InspectElement: handler->showDevTools(page, pos, true); break;
    case CheckItem: checked = !checked; break;
    case Radio1:
    case Radio2:
    case Radio3: radio = chosen->data().toInt(); break;
    default: break;
    }
}

void WebViewFilter::handleDownload(QWebEngineDownloadItem* download)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString suggested;
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        suggested = folder + QLatin1Char('/') + download->downloadFileName();
    }
    const QString path = QFileDialog::getSaveFileName(nullptr, QString(), suggested);
    if (path.isEmpty()) {
        download->cancel();
        return;
    }
    const QFileInfo info(path);
    download->setDownloadDirectory(info.absolutePath());
    download->setDownloadFileName(info.fileName());
    download->accept();
}
