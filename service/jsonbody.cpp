#include "jsonbody.h"

#include "jsonreply.h"

#include <QJsonDocument>

std::optional<QJsonObject> JsonBody::object(const httplib::Request &request,
                                            httplib::Response &response)
{
    if (request.body.empty())
        return QJsonObject();
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(request.body));
    if (!document.isObject()) {
        JsonReply::sendErrors(response, 400, {QStringLiteral("the body must be a JSON object")});
        return std::nullopt;
    }
    return document.object();
}
