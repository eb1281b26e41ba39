#pragma once

#include <QObject>

// The check of the update service.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
};
