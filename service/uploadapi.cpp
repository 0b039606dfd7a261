#include "uploadapi.h"

#include "accountstore.h"
#include "authapi.h"
#include "blobstore.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "objectpath.h"
#include "objectstore.h"
#include "router.h"
#include "storedobject.h"
#include "transferswitchtable.h"
#include "uploadstore.h"

#include <QDateTime>
#include <QJsonArray>

#include <algorithm>
#include <strings.h>

namespace {

// The client's chunk size; only the quota estimate at the start depends on it.
constexpr qint64 chunkSize = 5 * 1024 * 1024;
const char chunkHashPrefix[] = "chunk-hash-";

void sendError(httplib::Response &response, const StoreError &error)
{
    QJsonObject body{{QStringLiteral("errors"), QJsonArray{error.message}}};
    if (error.code != 0)
        body.insert(QStringLiteral("error_code"), error.code);
    JsonReply::send(response, error.status, body);
}

void sendBadRequest(httplib::Response &response, const QString &message)
{
    sendError(response, {400, message});
}

QString header(const httplib::Request &request, const char *name)
{
    return QString::fromStdString(request.get_header_value(name));
}

// The Chunk-Hash-i headers in order, none missing or repeated; nullopt after answering 400.
// A 64 GiB file has some 13,000 of them: the HTTP layer limits the length of each header
// line, not their number.
std::optional<QStringList> chunkHashes(const httplib::Request &request, httplib::Response &response)
{
    const size_t prefixLength = sizeof chunkHashPrefix - 1;
    const size_t announced =
        std::count_if(request.headers.begin(), request.headers.end(), [&](const auto &header) {
            return header.first.size() > prefixLength &&
                   strncasecmp(header.first.c_str(), chunkHashPrefix, prefixLength) == 0;
        });
    QStringList hashes;
    for (size_t i = 0; i < announced; ++i) {
        const std::string name = "Chunk-Hash-" + std::to_string(i);
        const QString hash = QString::fromStdString(request.get_header_value(name));
        if (request.get_header_value_count(name) != 1 || !BlobStore::isDigest(hash)) {
            sendBadRequest(response,
                           QStringLiteral("%1 must be given once, as a lower-case hex MD5")
                               .arg(QString::fromStdString(name)));
            return std::nullopt;
        }
        hashes.append(hash);
    }
    return hashes;
}

// The fewest bytes a file of these chunks can have.
qint64 smallestSize(const QStringList &hashes, qint64 firstChunkSize)
{
    if (hashes.size() <= 1)
        return firstChunkSize;
    return (hashes.size() - 1) * chunkSize + 1;
}

} // namespace

UploadApi::UploadApi(const AuthApi &auth, AccountStore &accounts, ObjectStore &objects,
                     UploadStore &uploads, TransferSwitchTable &switches)
    : auth(auth)
    , accounts(accounts)
    , objects(objects)
    , uploads(uploads)
    , switches(switches)
{}

void UploadApi::addRoutes(Router &router)
{
    const auto open = [this](bool sync) {
        return auth.forUser([this, sync](const UserAccount &user, const httplib::Request &request,
                                         httplib::Response &response, const RouteCaptures &captures) {
            answerOpen(sync, user, request, response, captures);
        });
    };
    router.add("PUT", R"(/api/v1/sync/object{path})", open(true));
    router.add("PUT", R"(/api/v1/objects{path})", open(false));
    // Any token text reaches the lookup, which only knows its own.
    router.add("PUT", R"(/api/v1/upload/{})",
               auth.forUser([this](const UserAccount &user, const httplib::Request &request,
                                   httplib::Response &response, const RouteCaptures &captures) {
                   answerChunk(user, request, response, captures);
               }));
    router.add("POST", R"(/api/v1/commit/{})",
               auth.forUser([this](const UserAccount &user, const httplib::Request &request,
                                   httplib::Response &response, const RouteCaptures &captures) {
                   answerCommit(user, request, response, captures);
               }));
}

bool UploadApi::admit(const UploadSession &session, const httplib::Request &request,
                      httplib::Response &response)
{
    qint64 replaced = 0;
    const StoreError refused =
        objects.check(session.userId, session.path, [&](const StoredObject *existing) {
            replaced = existing ? existing->size : 0;
            return session.admits(existing);
        });
    if (refused) {
        sendError(response, refused);
        return false;
    }
    // Refused now rather than at the commit, after every chunk has been sent.
    if (const StoreError blocked = objects.checkFolderFor(session.userId, session.path)) {
        sendError(response, blocked);
        return false;
    }
    const qint64 growth = smallestSize(session.chunkHashes, qint64(request.body.size())) - replaced;
    if (!accounts.hasRoom(session.userId, growth)) {
        sendError(response, {507, QStringLiteral("Not enough storage space")});
        return false;
    }
    return true;
}

void UploadApi::answerOpen(bool sync, const UserAccount &user, const httplib::Request &request,
                           httplib::Response &response, const RouteCaptures &captures)
{
    UploadSession session;
    session.userId = user.id;
    session.deviceId = auth.deviceId(request, user);
    session.sync = sync;
    session.force = request.get_param_value("force") == "true";
    const std::optional<QString> path = ObjectPath::fromUtf8(captures[1].str());
    if (!path || *path == QLatin1String("/")) {
        sendBadRequest(response, QStringLiteral("The destination must be a valid file path"));
        return;
    }
    session.path = *path;
    if (sync) {
        session.baseHash = QString::fromStdString(request.get_param_value("base_hash"));
        session.finalHash = QString::fromStdString(request.get_param_value("final_hash"));
        if ((!session.baseHash.isEmpty() && !BlobStore::isDigest(session.baseHash)) ||
            !BlobStore::isDigest(session.finalHash)) {
            sendBadRequest(response, QStringLiteral("\"final_hash\", and \"base_hash\" when "
                                                    "given, must be lower-case hex MD5s"));
            return;
        }
    }
    const std::optional<QStringList> hashes = chunkHashes(request, response);
    if (!hashes)
        return;
    session.chunkHashes = *hashes;

    if (hashes->isEmpty() && !request.body.empty()) {
        sendBadRequest(response, QStringLiteral("Chunk-Hash-0 is missing"));
        return;
    }
    if (!admit(session, request, response))
        return;
    if (!hashes->isEmpty()) {
        if (const StoreError error = uploads.putChunk(user.id, hashes->first(), request.body.data(),
                                                      request.body.size())) {
            sendError(response, error);
            return;
        }
    }
    if (const StoreError error = uploads.open(&session)) {
        sendError(response, error);
        return;
    }

    QStringList missing = uploads.missingChunks(session);
    if (switches.take(TransferSwitch::Kind::ReverseMissing, session.path))
        std::reverse(missing.begin(), missing.end());
    JsonReply::send(response, 200,
                    {{QStringLiteral("token"), session.token},
                     {QStringLiteral("missing_chunks"), QJsonArray::fromStringList(missing)}});
}

void UploadApi::answerChunk(const UserAccount &user, const httplib::Request &request,
                            httplib::Response &response, const RouteCaptures &captures)
{
    const QString token = QString::fromStdString(captures[1].str());
    const std::optional<UploadSession> session = uploads.use(token, user.id);
    if (!session) {
        sendError(response, {404, QStringLiteral("No open upload %1").arg(token)});
        return;
    }
    const QString hash = header(request, "Chunk-Hash");
    if (!session->chunkHashes.contains(hash)) {
        sendBadRequest(response, QStringLiteral("Chunk-Hash must name a chunk of this upload"));
        return;
    }
    if (const StoreError error =
            uploads.putChunk(user.id, hash, request.body.data(), request.body.size())) {
        sendError(response, error);
        return;
    }
    JsonReply::send(response, 200, {{QStringLiteral("token"), session->token}});
}

void UploadApi::answerCommit(const UserAccount &user, const httplib::Request &request,
                             httplib::Response &response, const RouteCaptures &captures)
{
    const QString token = QString::fromStdString(captures[1].str());
    const std::optional<UploadSession> session = uploads.use(token, user.id);
    if (!session) {
        sendError(response, {404, QStringLiteral("No open upload %1").arg(token)});
        return;
    }
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return;
    const QJsonObject metadata = json->value(QLatin1String("metadata")).toObject();
    const QString md5 = metadata.value(QLatin1String("md5")).toString();
    const QString expected = session->finalHash.isEmpty() ? md5 : session->finalHash;
    if (!BlobStore::isDigest(expected) || (!md5.isEmpty() && md5 != expected)) {
        sendBadRequest(response, QStringLiteral("\"metadata\" must hold the file's \"md5\", "
                                                "the same as the announced final hash"));
        return;
    }
    // The client sends local time with its offset; a missing or bad date means now.
    const QDateTime modified = QDateTime::fromString(
        metadata.value(QLatin1String("last_modified")).toString(), Qt::ISODate);

    qint64 size = 0;
    const BlobStore &blobs = objects.blobStore();
    if (const StoreError error = uploads.assemble(*session, expected, blobs, &size)) {
        // Missing chunks can still come; any other failure ends the upload.
        if (error.status != 400 || uploads.missingChunks(*session).isEmpty())
            uploads.close(token);
        sendError(response, error);
        return;
    }
    QJsonObject object;
    const StoreError error = objects.placeFile(
        user.id, auth.deviceId(request, user), session->path, expected, size,
        modified.isValid() ? modified.toSecsSinceEpoch() : QDateTime::currentSecsSinceEpoch(),
        [&](const StoredObject *existing) { return session->admits(existing); }, &object);
    uploads.close(token);
    if (error) {
        sendError(response, error);
        return;
    }
    JsonReply::send(response, 200, {{QStringLiteral("object"), object}});
}
