#pragma once

#include <QDialog>
#include <QJsonObject>
#include <QStringList>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

// The frameless dialog that offers an update ("pageFirst"), shows its progress ("pageThird")
// and tells that the program is up to date ("pageInfo").
class updateDlg : public QDialog {
    Q_OBJECT
public:
    updateDlg();

    void setUpdateInfo(const QJsonObject& description, const QStringList& kinds);
    void showInfoPage();

    QJsonObject updateDescription() const { return m_description; }
    QStringList kinds() const { return m_kinds; }

signals:
    void needupdate();

public slots:
    void on_btn_closeSetuper_clicked();
    void on_pb_ok_clicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFrame* addPage(const char* name);

    const int borderWidth = 10;
    QPushButton* btn_closeSetuper = nullptr;
    QStackedWidget* stack = nullptr;
    QFrame* pageFirst = nullptr;
    QLabel* lb_text = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* uninstallButton = nullptr;
    QFrame* pageThird = nullptr;
    QLabel* lb_logo = nullptr;
    QLabel* lb_install = nullptr;
    QProgressBar* pb_install = nullptr;
    QFrame* pageInfo = nullptr;
    QLabel* lb_info = nullptr;
    QPushButton* pb_ok = nullptr;
    QJsonObject m_description;
    QStringList m_kinds;
};
