#ifndef MNETWORKREQUEST_H
#define MNETWORKREQUEST_H

#include <QMetaType>
#include <QNetworkRequest>
#include <QVariant>

class QHttpMultiPart;
class QIODevice;

// A request as the request manager sends it. Method, body, caller's information and the
// identifier are kept in request attributes, so the request taken back from a reply still
// carries them. The request owns neither the upload device nor the multipart object: the
// caller keeps them alive until the reply has finished.
class MNetworkRequest : public QNetworkRequest
{
public:
    enum RequestMethod { Get = 1, Post = 2, Put = 3, Head = 4, Delete = 5 };

    // A POST starts with the form content type; JSON callers overwrite it.
    explicit MNetworkRequest(const QUrl &url = QUrl(), RequestMethod method = Get);
    explicit MNetworkRequest(const QNetworkRequest &other);

    RequestMethod method() const;
    void setMethod(RequestMethod method);

    QString userAgent() const;
    void setUserAgent(const QString &userAgent);

    QString contentType() const;
    void setContentType(const QString &contentType);

    // Also sets Content-Length to the body's size.
    void setBody(const QByteArray &body);
    QByteArray body() const;
    // False for a null or empty body.
    bool hasBody() const;

    void setUploadDevice(QIODevice *device);
    QIODevice *uploadDevice() const;
    bool hasUploadDevice() const;

    void setMultiPart(QHttpMultiPart *multiPart);
    QHttpMultiPart *multiPart() const;
    bool hasMultiPart() const;

    void setUserInfo(const QVariant &userInfo);
    QVariant userInfo() const;

    void setRequestId(const QString &requestId);
    QString requestId() const;

    // The caller reads the reply's body from the QNetworkReply itself, into its own buffers;
    // the manager then sends no dataArrivedForRequest for it.
    void setBodyReadByCaller(bool byCaller);
    bool bodyReadByCaller() const;

    // A JSON request manager hands this request's decoded reply over as a QJsonObject rather
    // than a QVariantMap, for callers that build their values straight from the JSON.
    void setRepliesAsJsonObject(bool asJsonObject);
    bool repliesAsJsonObject() const;

    // The whole answer must have come within this many milliseconds of sending, however
    // steadily its bytes arrive; 0: no deadline, only the stall timeout.
    void setAnswerDeadline(int milliseconds);
    int answerDeadline() const;
};

Q_DECLARE_METATYPE(MNetworkRequest)
Q_DECLARE_METATYPE(MNetworkRequest::RequestMethod)

#endif // MNETWORKREQUEST_H
