#include "device/devices_handler.h"

devices_handler::devices_handler(QObject* parent) : QObject(parent) {}
