#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

// What the update service's reply asks for.
struct UpdateReply {
    enum Action { Nothing, OfferUpdate, ShowUpToDate };
    Action action = Nothing;
    bool foundNewVersion = false; // "code" 0 with a "ret"
    QJsonObject description;      // "ret", handed to the dialog
    QStringList kinds;            // "deployment" split at ","

    static UpdateReply read(const QByteArray& body, bool manual);
};
