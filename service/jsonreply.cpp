#include "jsonreply.h"

#include <QJsonArray>
#include <QJsonDocument>

void JsonReply::send(httplib::Response &response, int status, const QJsonObject &body)
{
    response.status = status;
    response.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(),
                         "application/json");
}

void JsonReply::sendErrors(httplib::Response &response, int status, const QStringList &errors)
{
    send(response, status, {{QStringLiteral("errors"), QJsonArray::fromStringList(errors)}});
}

void JsonReply::sendNotFound(httplib::Response &response)
{
    sendErrors(response, 404, {QStringLiteral("Not found")});
}
