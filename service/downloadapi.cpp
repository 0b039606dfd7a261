#include "downloadapi.h"

#include "asciijson.h"
#include "authapi.h"
#include "byterange.h"
#include "jsonreply.h"
#include "objectpath.h"
#include "objectstore.h"
#include "router.h"
#include "stopflag.h"
#include "transferswitchtable.h"

#include <QFile>

#include <limits>
#include <memory>

namespace {

constexpr qint64 sendBlock = 64 * 1024;
const char octetStream[] = "application/octet-stream";

} // namespace

DownloadApi::DownloadApi(const AuthApi &auth, ObjectStore &objects, TransferSwitchTable &switches,
                         const StopFlag &stopFlag)
    : auth(auth)
    , objects(objects)
    , switches(switches)
    , stopFlag(stopFlag)
{}

void DownloadApi::addRoutes(Router &router)
{
    // The client does not clean this path: it arrives as "/object//...".
    router.add("GET", R"(/api/v1/object{path})",
               auth.forUser([this](const UserAccount &user, const httplib::Request &request,
                                   httplib::Response &response, const RouteCaptures &captures) {
                   answer(user, request, response, captures);
               }));
}

void DownloadApi::answer(const UserAccount &user, const httplib::Request &request,
                         httplib::Response &response, const RouteCaptures &captures)
{
    using Kind = TransferSwitch::Kind;
    const std::optional<QString> path = ObjectPath::fromUtf8(captures[1].str());
    if (!path) {
        JsonReply::sendErrors(response, 400, {QStringLiteral("Bad path")});
        return;
    }
    QJsonObject object;
    QString contentPath;
    if (const StoreError error = objects.fileAt(user.id, *path, &object, &contentPath)) {
        JsonReply::sendErrors(response, error.status, {error.message});
        return;
    }
    auto file = std::make_shared<QFile>(contentPath);
    if (!file->open(QIODevice::ReadOnly)) {
        JsonReply::sendErrors(response, 500, {QStringLiteral("The content cannot be read")});
        return;
    }
    const qint64 size = file->size();

    if (const std::optional<TransferSwitch> fake = switches.take(Kind::MetadataHash, *path))
        object.insert(QStringLiteral("hash"), fake->hash);
    if (!switches.take(Kind::OmitMetadata, *path))
        response.set_header("x-kerlo-metadata", AsciiJson::compact(object));

    const ByteRange range = switches.take(Kind::IgnoreRange, *path)
                                ? ByteRange()
                                : ByteRange::parse(request.get_header_value("Range"), size);
    if (range.kind == ByteRange::Kind::Unsatisfiable) {
        response.set_header("Content-Range", "bytes */" + std::to_string(size));
        JsonReply::sendErrors(response, 416, {QStringLiteral("The range is beyond the file")});
        return;
    }
    const bool partial = range.kind == ByteRange::Kind::Part;
    const qint64 first = partial ? range.first : 0;
    const qint64 length = partial ? range.last - range.first + 1 : size;
    response.status = partial ? 206 : 200;
    if (partial)
        response.set_header("Content-Range", "bytes " + std::to_string(range.first) + '-' +
                                                 std::to_string(range.last) + '/' +
                                                 std::to_string(size));
    if (length == 0) {
        response.set_content(std::string(), octetStream);
        return;
    }

    const std::optional<TransferSwitch> cut = switches.take(Kind::CutDownload, *path);
    const qint64 cutAfter = cut ? cut->bytes : std::numeric_limits<qint64>::max();
    const std::optional<TransferSwitch> slow = switches.take(Kind::SlowDownload, *path);
    const qint64 perSecond = slow ? slow->bytes : 0;
    // Read as the connection takes it, so that no file sits in memory.
    response.set_content_provider(
        size_t(length), octetStream,
        [this, file, first, cutAfter, perSecond](size_t offset, size_t wanted,
                                                 httplib::DataSink &sink) {
            // Slowed, a tenth of a second's worth at a time, after a tenth of a second.
            const qint64 block = perSecond > 0 ? qMax<qint64>(1, perSecond / 10) : sendBlock;
            const qint64 allowed = qMin(qint64(wanted), qMin(block, cutAfter - qint64(offset)));
            if (perSecond > 0 && stopFlag.waitFor(std::chrono::milliseconds(100)))
                return false;
            if (stopFlag.isRaised() || allowed <= 0 || !file->seek(first + qint64(offset)))
                return false; // ends the connection, with the body short
            const QByteArray bytes = file->read(allowed);
            return !bytes.isEmpty() && sink.write(bytes.constData(), size_t(bytes.size()));
        });
}
