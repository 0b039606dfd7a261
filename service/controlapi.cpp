#include "controlapi.h"

#include "jsonbody.h"
#include "jsonreply.h"
#include "router.h"
#include "socialcontrol.h"
#include "stopflag.h"
#include "transferswitchtable.h"

#include <algorithm>

namespace {

const std::string prefix = "/__control";

// Byte n of /bytes is n % 251: cheap to check at any offset, and never aligned with the
// power-of-two chunk sizes of a transfer.
constexpr size_t patternPeriod = 251;
constexpr size_t chunkSize = 64 * 1024;

const std::string &bytePattern()
{
    static const std::string pattern = [] {
        std::string bytes(chunkSize + patternPeriod, '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i % patternPeriod);
        return bytes;
    }();
    return pattern;
}

} // namespace

ControlApi::ControlApi(const StopFlag &stopFlag, AccountStore &accounts, ObjectStore &objects,
                       TransferSwitchTable &transferSwitches, UploadStore &uploads,
                       SocialControl &socialControl)
    : stopFlag(stopFlag)
    , accountControl(accounts)
    , objectControl(accounts, objects)
    , transferSwitches(transferSwitches)
    , transferControl(transferSwitches, uploads)
    , socialControl(socialControl)
{}

bool ControlApi::isControlPath(const std::string &path)
{
    return path.compare(0, prefix.size(), prefix) == 0 &&
           (path.size() == prefix.size() || path[prefix.size()] == '/');
}

std::string ControlApi::controlPrefix()
{
    return prefix;
}

void ControlApi::addRoutes(Router &router)
{
    router.add("POST", prefix + "/fault",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) {
                   const std::optional<QJsonObject> json = JsonBody::object(request, response);
                   if (!json)
                       return;
                   QString error;
                   const std::optional<Fault> fault = Fault::fromJson(*json, &error);
                   if (!fault) {
                       JsonReply::sendErrors(response, 400, {error});
                       return;
                   }
                   faultTable.add(*fault);
                   JsonReply::send(response, 200, {});
               });

    router.add("GET", prefix + "/requests",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) {
                   const QByteArray path =
                       QByteArray::fromStdString(request.get_param_value("path"));
                   JsonReply::send(response, 200, {{QStringLiteral("requests"), log.toJson(path)}});
               });
    router.add(
        "DELETE", prefix + "/requests",
        [this](const httplib::Request &, httplib::Response &response, const RouteCaptures &) {
            log.clear();
            JsonReply::send(response, 200, {});
        });

    router.add(
        "POST", prefix + "/reset",
        [this](const httplib::Request &, httplib::Response &response, const RouteCaptures &) {
            faultTable.clear();
            transferSwitches.clear();
            log.clear();
            JsonReply::send(response, 200, {});
        });

    accountControl.addRoutes(router, prefix);
    objectControl.addRoutes(router, prefix);
    transferControl.addRoutes(router, prefix);
    socialControl.addRoutes(router, prefix);

    // Streamed, so that a large size never sits in memory.
    router.add("GET", prefix + "/bytes",
               [this](const httplib::Request &request, httplib::Response &response,
                      const RouteCaptures &) {
                   bool ok = false;
                   const qlonglong size =
                       QByteArray::fromStdString(request.get_param_value("size")).toLongLong(&ok);
                   if (!ok || size < 0) {
                       JsonReply::sendErrors(
                           response, 400, {QStringLiteral("size must be a non-negative integer")});
                       return;
                   }
                   response.status = 200;
                   if (size == 0) {
                       response.set_content(std::string(), "application/octet-stream");
                       return;
                   }
                   response.set_content_provider(
                       size_t(size), "application/octet-stream",
                       [this](size_t offset, size_t length, httplib::DataSink &sink) {
                           if (stopFlag.isRaised())
                               return false;
                           const std::string &pattern = bytePattern();
                           return sink.write(pattern.data() + offset % patternPeriod,
                                             std::min(length, chunkSize));
                       });
               });
}
