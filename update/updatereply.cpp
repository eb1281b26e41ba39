#include "update/updatereply.h"

#include <QJsonDocument>
#include <QJsonValue>

UpdateReply UpdateReply::read(const QByteArray& body, bool manual)
{
    UpdateReply result;
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return result;
    const QJsonObject object = document.object();
    if (!object.contains(QLatin1String("code")))
        return result;
    const int code = object.value(QLatin1String("code")).toInt();
    if (code == 1) {
        if (manual)
            result.action = ShowUpToDate;
        return result;
    }
    if (code != 0 || !object.contains(QLatin1String("ret")))
        return result;
    result.foundNewVersion = true;
    result.description = object.value(QLatin1String("ret")).toObject();
    const QString type = result.description.value(QLatin1String("type")).toString();
    const QString deployment = result.description.value(QLatin1String("deployment")).toString();
    if (deployment.isEmpty())
        return result;
    result.kinds = deployment.split(QLatin1Char(','));
    if (type == QLatin1String("0"))
        result.action = OfferUpdate;
    return result;
}
