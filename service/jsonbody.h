#ifndef JSONBODY_H
#define JSONBODY_H

#include <QJsonObject>

#include <httplib.h>

#include <optional>

// The JSON object a control call sends. An empty body reads as {}.
namespace JsonBody {

// nullopt after answering 400 when the body is not a JSON object.
std::optional<QJsonObject> object(const httplib::Request &request, httplib::Response &response);

} // namespace JsonBody

#endif // JSONBODY_H
