#pragma once

#include <QObject>

// The binding to the device-access library.
class devices_handler : public QObject {
    Q_OBJECT
public:
    explicit devices_handler(QObject* parent);
};
