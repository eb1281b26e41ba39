#pragma once

#include <QObject>

class QWebEngineDownloadItem;
class QWebEngineView;

// The edges of a browser view that the page must not control: no browser context menu
// (unless the developer menu is on), no Alt/F10 system keys, no dropped links, no cursor
// changes when those are disabled.
class WebViewFilter : public QObject {
    Q_OBJECT
public:
    static void install(QWebEngineView* view);
    // Downloads ask where to save, starting in the user's documents folder.
    static void handleDownload(QWebEngineDownloadItem* download);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WebViewFilter(QWebEngineView* view);
    void watch(QObject* child);
    void showContextMenu(const QPoint& pos);

    QWebEngineView* m_view;
    bool m_fixingCursor = false;
};
