#include "update/updatedlg.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>

namespace {

template <typename Widget> Widget* placed(Widget* widget, const char* name, int x, int y)
{
    widget->setObjectName(QLatin1String(name));
    widget->move(x, y);
    return widget;
}

} // namespace

updateDlg::updateDlg()
{
    setObjectName(QStringLiteral("updateDlg"));
    setFixedSize(600, 380);
    setContentsMargins(borderWidth, borderWidth, borderWidth, borderWidth);
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowIcon(QIcon(QStringLiteral(":/lumora/icon.png")));

    btn_closeSetuper = placed(new QPushButton(this), "btn_closeSetuper", 562, 20);
    btn_closeSetuper->setFixedSize(18, 18);

    stack = new QStackedWidget(this);
    stack->move(10, 60);
    stack->setFixedSize(580, 310);
    stack->setContentsMargins(0, 0, 0, 0);

    pageFirst = addPage("pageFirst");
    lb_text = placed(new QLabel(QStringLiteral("Found the new version,update now?"), pageFirst), "lb_text", 110, 70);
    cancelButton = placed(new QPushButton(QStringLiteral("cancel"), pageFirst), "cancelButton", 180, 190);
    uninstallButton = placed(new QPushButton(QStringLiteral("Update"), pageFirst), "uninstallButton", 300, 190);

    pageThird = addPage("pageThird");
    lb_logo = placed(new QLabel(pageThird), "lb_logo", 156, 50);
    lb_install =
        placed(new QLabel(QStringLiteral("Downloading package resources。。。"), pageThird), "lb_install", 10, 195);
    lb_install->setFixedWidth(580);
    lb_install->setAlignment(Qt::AlignCenter);
    pb_install = placed(new QProgressBar(pageThird), "pb_install", 47, 240);
    pb_install->setRange(0, 100);
    pb_install->setValue(0);

    pageInfo = addPage("pageInfo");
    lb_info =
        placed(new QLabel(QStringLiteral("The current version is the latest version"), pageInfo), "lb_info", 110, 70);
    pb_ok = placed(new QPushButton(QStringLiteral("confirm"), pageInfo), "pb_ok", 240, 190);

    stack->setCurrentWidget(pageFirst);

    connect(btn_closeSetuper, &QPushButton::clicked, this, &updateDlg::on_btn_closeSetuper_clicked);
    connect(cancelButton, &QPushButton::clicked, this, &updateDlg::on_btn_closeSetuper_clicked);
    connect(pb_ok, &QPushButton::clicked, this, &updateDlg::on_pb_ok_clicked);
}

QFrame* updateDlg::addPage(const char* name)
{
    auto* page = new QFrame(stack);
    page->setObjectName(QLatin1String(name));
    page->setFixedSize(580, 310);
    page->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(page);
    return page;
}

void updateDlg::setUpdateInfo(const QJsonObject& description, const QStringList& kinds)
{
    m_description = description;
    m_kinds = kinds;
}

void updateDlg::showInfoPage()
{
    stack->setCurrentWidget(pageInfo);
}

void updateDlg::on_btn_closeSetuper_clicked()
{
    reject();
}

void updateDlg::on_pb_ok_clicked()
{
    reject();
}

void updateDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), QPixmap(QStringLiteral(":/image/background")));
}
