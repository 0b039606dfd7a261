#include "thumbnailapi.h"

#include "asciijson.h"
#include "authapi.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "objectpath.h"
#include "objectstore.h"
#include "router.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>

namespace {

// Decoding time grows with the source's pixels, whatever the thumbnail's size: sources
// larger than this (a 7,000 x 7,000 image) are refused unread.
constexpr qint64 maximumSourcePixels = 49'000'000;

// Edge lengths in pixels by size name.
int edgeFor(const QString &name)
{
    static const QMap<QString, int> edges{{QStringLiteral("xs"), 32},
                                          {QStringLiteral("s"), 64},
                                          {QStringLiteral("m"), 128},
                                          {QStringLiteral("l"), 512},
                                          {QStringLiteral("xl"), 1024}};
    return edges.value(name);
}

QJsonObject failure(int status, const QString &message)
{
    return {{QStringLiteral("error"), status}, {QStringLiteral("message"), message}};
}

// Fits the image into edge x edge, never enlarging it. PNG keeps what PNG sources and
// transparency need; anything else becomes JPEG.
QByteArray thumbnail(const QImage &image, bool png, int edge)
{
    const QImage scaled =
        image.width() > edge || image.height() > edge
            ? image.scaled(edge, edge, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            : image;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    scaled.save(&buffer, png ? "PNG" : "JPEG");
    return bytes;
}

} // namespace

ThumbnailApi::ThumbnailApi(const AuthApi &auth, ObjectStore &objects)
    : auth(auth)
    , objects(objects)
{}

void ThumbnailApi::addRoutes(Router &router)
{
    router.add("POST", "/api/v1/thumbnail",
               auth.forUser([this](const UserAccount &user, const httplib::Request &request,
                                   httplib::Response &response,
                                   const RouteCaptures &) { answer(user, request, response); }));
}

void ThumbnailApi::answer(const UserAccount &user, const httplib::Request &request,
                          httplib::Response &response)
{
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return;
    const QJsonValue destinations = json->value(QLatin1String("destinations"));
    if (!destinations.isObject()) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("\"destinations\" must map paths to size names")});
        return;
    }

    QByteArray body;
    QJsonObject index;
    const QJsonObject requested = destinations.toObject();
    for (auto it = requested.begin(); it != requested.end(); ++it) {
        // Keys go back exactly as sent: clients file thumbnails by them.
        const std::optional<QString> path = ObjectPath::normalized(it.key());
        if (!path) {
            index.insert(it.key(), failure(400, QStringLiteral("Bad path")));
            continue;
        }
        QByteArray content;
        if (const StoreError error = objects.readFile(user.id, *path, &content)) {
            index.insert(it.key(), failure(error.status, error.message));
            continue;
        }
        QBuffer source(&content);
        QImageReader reader(&source);
        const bool png = reader.format() == "png";
        const QSize sourceSize = reader.size();
        if (!sourceSize.isValid()) {
            index.insert(it.key(), failure(415, QStringLiteral("Not an image")));
            continue;
        }
        if (qint64(sourceSize.width()) * sourceSize.height() > maximumSourcePixels) {
            index.insert(it.key(), failure(413, QStringLiteral("The image has more than %1 pixels")
                                                    .arg(maximumSourcePixels)));
            continue;
        }
        // Decoded straight to the largest size asked for, never at full size first.
        int largestEdge = 0;
        for (const QJsonValue &size : it.value().toArray())
            largestEdge = std::max(largestEdge, edgeFor(size.toString()));
        if (largestEdge > 0 &&
            (sourceSize.width() > largestEdge || sourceSize.height() > largestEdge))
            reader.setScaledSize(sourceSize.scaled(largestEdge, largestEdge, Qt::KeepAspectRatio)
                                     .expandedTo(QSize(1, 1)));
        const QImage image = reader.read();
        if (image.isNull()) {
            index.insert(it.key(), failure(415, QStringLiteral("Not an image")));
            continue;
        }
        QJsonObject sizes;
        for (const QJsonValue &size : it.value().toArray()) {
            const QString name = size.toString();
            const int edge = edgeFor(name);
            if (sizes.contains(name))
                continue;
            if (edge == 0) {
                sizes.insert(name, failure(400, QStringLiteral("Unknown size")));
                continue;
            }
            const QByteArray bytes = thumbnail(image, png || image.hasAlphaChannel(), edge);
            sizes.insert(name, QJsonObject{{QStringLiteral("offset"), body.size()},
                                           {QStringLiteral("length"), bytes.size()}});
            body += bytes;
        }
        index.insert(it.key(), sizes);
    }
    response.status = 200;
    response.set_header("x-kerlo-thumbnails", AsciiJson::compact(index));
    response.set_content(body.toStdString(), "application/octet-stream");
}
