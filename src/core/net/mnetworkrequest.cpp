#include "mnetworkrequest.h"

namespace {
constexpr auto BodyAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 1);
constexpr auto UploadDeviceAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 2);
constexpr auto MultiPartAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 3);
constexpr auto MethodAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 4);
constexpr auto UserInfoAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 5);
constexpr auto RequestIdAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 6);
constexpr auto ReadByCallerAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 7);
constexpr auto JsonObjectReplyAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 8);
constexpr auto AnswerDeadlineAttribute = QNetworkRequest::Attribute(QNetworkRequest::User + 9);
} // namespace

MNetworkRequest::MNetworkRequest(const QUrl &url, RequestMethod method)
    : QNetworkRequest(url)
{
    if (method == Post)
        setContentType(QStringLiteral("application/x-www-form-urlencoded"));
    setMethod(method);
}

MNetworkRequest::MNetworkRequest(const QNetworkRequest &other)
    : QNetworkRequest(other)
{}

MNetworkRequest::RequestMethod MNetworkRequest::method() const
{
    return attribute(MethodAttribute).value<RequestMethod>();
}

void MNetworkRequest::setMethod(RequestMethod method)
{
    setAttribute(MethodAttribute, QVariant::fromValue(method));
}

QString MNetworkRequest::userAgent() const
{
    return header(UserAgentHeader).toString();
}

void MNetworkRequest::setUserAgent(const QString &userAgent)
{
    setHeader(UserAgentHeader, userAgent);
}

QString MNetworkRequest::contentType() const
{
    return header(ContentTypeHeader).toString();
}

void MNetworkRequest::setContentType(const QString &contentType)
{
    setHeader(ContentTypeHeader, contentType);
}

void MNetworkRequest::setBody(const QByteArray &body)
{
    setAttribute(BodyAttribute, body);
    setHeader(ContentLengthHeader, body.size());
}

QByteArray MNetworkRequest::body() const
{
    return attribute(BodyAttribute).toByteArray();
}

bool MNetworkRequest::hasBody() const
{
    return !body().isEmpty();
}

void MNetworkRequest::setUploadDevice(QIODevice *device)
{
    setAttribute(UploadDeviceAttribute, QVariant::fromValue(static_cast<void *>(device)));
}

QIODevice *MNetworkRequest::uploadDevice() const
{
    return static_cast<QIODevice *>(attribute(UploadDeviceAttribute).value<void *>());
}

bool MNetworkRequest::hasUploadDevice() const
{
    return uploadDevice() != nullptr;
}

void MNetworkRequest::setMultiPart(QHttpMultiPart *multiPart)
{
    setAttribute(MultiPartAttribute, QVariant::fromValue(static_cast<void *>(multiPart)));
}

QHttpMultiPart *MNetworkRequest::multiPart() const
{
    return static_cast<QHttpMultiPart *>(attribute(MultiPartAttribute).value<void *>());
}

bool MNetworkRequest::hasMultiPart() const
{
    return multiPart() != nullptr;
}

void MNetworkRequest::setUserInfo(const QVariant &userInfo)
{
    setAttribute(UserInfoAttribute, userInfo);
}

QVariant MNetworkRequest::userInfo() const
{
    return attribute(UserInfoAttribute);
}

void MNetworkRequest::setRequestId(const QString &requestId)
{
    setAttribute(RequestIdAttribute, requestId);
}

QString MNetworkRequest::requestId() const
{
    return attribute(RequestIdAttribute).toString();
}

void MNetworkRequest::setBodyReadByCaller(bool byCaller)
{
    setAttribute(ReadByCallerAttribute, byCaller ? QVariant(true) : QVariant());
}

bool MNetworkRequest::bodyReadByCaller() const
{
    return attribute(ReadByCallerAttribute).toBool();
}

void MNetworkRequest::setRepliesAsJsonObject(bool asJsonObject)
{
    setAttribute(JsonObjectReplyAttribute, asJsonObject ? QVariant(true) : QVariant());
}

bool MNetworkRequest::repliesAsJsonObject() const
{
    return attribute(JsonObjectReplyAttribute).toBool();
}

void MNetworkRequest::setAnswerDeadline(int milliseconds)
{
    setAttribute(AnswerDeadlineAttribute, milliseconds > 0 ? QVariant(milliseconds) : QVariant());
}

int MNetworkRequest::answerDeadline() const
{
    return attribute(AnswerDeadlineAttribute).toInt();
}
