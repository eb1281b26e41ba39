#include "browser/qcefwebview.h"

#include "browser/messageevent.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QResizeEvent>
#include <QThread>
#include <QWebEnginePage>
#include <QWebEngineView>

QCefWebView::QCefWebView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x22, 0x25, 0x29));
    setPalette(p);
    setAutoFillBackground(true);
}

QCefWebView::~QCefWebView()
{
    // A view that goes away must not stay the handler's listener.
    if (ClientHandler* handler = clientHandler()) {
        ClientHandler::Listener* self = this;
        handler->listener.compare_exchange_strong(self, nullptr);
    }
}

void QCefWebView::load(const QUrl& url)
{
    m_url = url;
    switch (browserState()) {
    case None: createBrowser(size()); break;
    case Creating: break;
    case Created: loadUrlInBrowser(url); break;
    }
}

bool QCefWebView::createBrowser(const QSize& size)
{
    ClientHandler* handler = clientHandler();
    if (browserState() != None || size.width() < 1 || size.height() < 1 || !handler)
        return false;
    handler->listener.store(this);
    m_state.store(Creating);
    m_browserView = handler->createBrowser(this, m_url);
    m_browserView->setGeometry(0, 0, size.width(), size.height());
    m_browserView->show();
    return true;
}

bool QCefWebView::loadUrlInBrowser(const QUrl& url)
{
    ClientHandler* handler = clientHandler();
    QWebEnginePage* browser = handler ? handler->GetBrowser() : nullptr;
    if (url.isEmpty() || !browser)
        return false;
    browser->load(url);
    return true;
}

void QCefWebView::resizeBrowserWindow(const QSize& size)
{
    if (m_browserView)
        m_browserView->setGeometry(0, 0, size.width(), size.height());
}

void QCefWebView::back()
{
    if (QWebEnginePage* b = clientHandler() ? clientHandler()->GetBrowser() : nullptr)
        b->triggerAction(QWebEnginePage::Back);
}

void QCefWebView::forward()
{
    if (QWebEnginePage* b = clientHandler() ? clientHandler()->GetBrowser() : nullptr)
        b->triggerAction(QWebEnginePage::Forward);
}

void QCefWebView::reload()
{
    if (QWebEnginePage* b = clientHandler() ? clientHandler()->GetBrowser() : nullptr)
        b->triggerAction(QWebEnginePage::Reload);
}

void QCefWebView::stop()
{
    if (QWebEnginePage* b = clientHandler() ? clientHandler()->GetBrowser() : nullptr)
        b->triggerAction(QWebEnginePage::Stop);
}

QVariant QCefWebView::evaluateJavaScript(const QString& scriptSource)
{
    QWebEnginePage* b = clientHandler() ? clientHandler()->GetBrowser() : nullptr;
    if (!b)
        return QVariant(false);
    b->runJavaScript(scriptSource);
    return QVariant(true);
}

void QCefWebView::resizeEvent(QResizeEvent* e)
{
    switch (browserState()) {
    case None: createBrowser(e->size()); break;
    // The browser widget exists from the creation request on, so it can follow at once.
    case Creating:
    case Created: resizeBrowserWindow(e->size()); break;
    }
}

void QCefWebView::showEvent(QShowEvent*)
{
    createBrowser(size());
}

void QCefWebView::closeEvent(QCloseEvent* e)
{
    ClientHandler* handler = clientHandler();
    if (QWebEnginePage* b = handler ? handler->GetBrowser() : nullptr)
        b->triggerAction(QWebEnginePage::RequestClose);
    e->accept();
}

void QCefWebView::customEvent(QEvent* e)
{
    if (e->type() == MessageEvent::eventType()) {
        auto* m = static_cast<MessageEvent*>(e);
        emit jsMessage(m->name(), m->callback());
    }
}

void QCefWebView::OnAfterCreated(QWebEnginePage*)
{
    m_state.store(Created);
}

void QCefWebView::OnMessageEvent(MessageEvent* event)
{
    // The engine calls us on the main thread: handled at once, requests still reach jsMessage
    // in arrival order, and an answer given during the dispatch can ride on the call's reply.
    if (QThread::currentThread() == thread()) {
        QCoreApplication::sendEvent(this, event);
        delete event;
        return;
    }
    QCoreApplication::postEvent(this, event, Qt::HighEventPriority);
}
