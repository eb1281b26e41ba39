#pragma once

#include <QObject>

// Watches the programs bound to mouse modes.
class ProcessMoniter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
};
