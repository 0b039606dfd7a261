#ifndef JSONREPLY_H
#define JSONREPLY_H

#include <QJsonObject>
#include <QStringList>

#include <httplib.h>

// Every reply of the service is a JSON object, errors included: {"errors": [...]}.
namespace JsonReply {

void send(httplib::Response &response, int status, const QJsonObject &body);
void sendErrors(httplib::Response &response, int status, const QStringList &errors);
void sendNotFound(httplib::Response &response);

} // namespace JsonReply

#endif // JSONREPLY_H
