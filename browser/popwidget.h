#pragma once

#include <QWidget>

class QCefWebView;

// The second frameless window showing the same page in its own view.
class PopWidget : public QWidget {
    Q_OBJECT
public:
    explicit PopWidget(QWidget* parent);
    ~PopWidget() override;

    QCefWebView* view() const { return m_view; }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCefWebView* m_view;
};
