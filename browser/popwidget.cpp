#include "browser/popwidget.h"

#include "browser/clienthandler.h"
#include "browser/pageurl.h"
#include "browser/qcefwebview.h"

#include <QEvent>

PopWidget::PopWidget(QWidget* parent) : QWidget(parent), m_view(nullptr)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    resize(1000, 670);
    m_view = new QCefWebView(this);
    m_view->resize(1000, 1000);
    m_view->load(pageurl::indexPage());
    installEventFilter(this);
}

PopWidget::~PopWidget()
{
    m_view->deleteLater();
}

bool PopWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::WindowActivate) {
        if (ClientHandler* handler = clientHandler()) {
            handler->listener.store(m_view);
            handler->SetMainWindowHandle(winId());
        }
        return true;
    }
    return false;
}
