#include "transfercontrol.h"

#include "jsonbody.h"
#include "jsonreply.h"
#include "router.h"
#include "transferswitchtable.h"
#include "uploadstore.h"

TransferControl::TransferControl(TransferSwitchTable &switches, UploadStore &uploads)
    : switches(switches)
    , uploads(uploads)
{}

void TransferControl::addRoutes(Router &router, const std::string &prefix)
{
    router.add(
        "POST", prefix + "/transfer-switch",
        [this](const httplib::Request &request, httplib::Response &response, const RouteCaptures &) {
            const std::optional<QJsonObject> json = JsonBody::object(request, response);
            if (!json)
                return;
            QString error;
            const std::optional<TransferSwitch> transferSwitch =
                TransferSwitch::fromJson(*json, &error);
            if (!transferSwitch) {
                JsonReply::sendErrors(response, 400, {error});
                return;
            }
            switches.add(*transferSwitch);
            JsonReply::send(response, 200, {});
        });

    router.add("GET", prefix + "/uploads",
               [this](const httplib::Request &, httplib::Response &response, const RouteCaptures &) {
                   JsonReply::send(response, 200, uploads.stateJson());
               });

    // {"token": ...} ages one upload, {} every one; "idle_seconds" leaves it open but that
    // long unused.
    router.add(
        "POST", prefix + "/uploads/expire",
        [this](const httplib::Request &request, httplib::Response &response, const RouteCaptures &) {
            const std::optional<QJsonObject> json = JsonBody::object(request, response);
            if (!json)
                return;
            const QJsonValue idle = json->value(QLatin1String("idle_seconds"));
            uploads.expire(json->value(QLatin1String("token")).toString(),
                           idle.isDouble() ? std::optional<qint64>(qint64(idle.toDouble()))
                                           : std::nullopt);
            JsonReply::send(response, 200, {});
        });
}
