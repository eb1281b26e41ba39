#pragma once

#include "monitor/processsnapshot.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <functional>

class QThread;
class QTimer;

// What a monitor reads and whom it tells: the binding file, the process list and the page.
struct MoniterEnvironment {
    QString bindingFile;
    std::function<bool(const processsnapshot::Visitor&)> snapshot;
    std::function<void(const QString& index, bool running)> report;

    // Moniter.xml of the application directory, the system's processes, the page event.
    static MoniterEnvironment system();
};

// Watches the programs bound to mouse modes and tells the page when one starts or stops.
// Lives in a thread of its own; scans once a second.
class ProcessMoniter : public QObject {
    Q_OBJECT
public:
    explicit ProcessMoniter(QThread* thread, MoniterEnvironment environment = MoniterEnvironment::system());

    // Successful loads of the binding file by any monitor of this process.
    static int loadCount();

public slots:
    void start();
    void timerUpDate();

private:
    void loadBindings();

    QMap<QString, QString> m_bindings; // executable path -> mode index
    QMap<QString, bool> m_status;      // executable path -> running at the last scan
    QTimer* m_timer = nullptr;
    MoniterEnvironment m_environment;
};
