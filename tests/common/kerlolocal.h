#ifndef KERLOLOCAL_H
#define KERLOLOCAL_H

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <string>

// Runs kerlo-local as a child process on an ephemeral loopback port with its own data
// folder, and drives its control API. Control calls are blocking HTTP calls that never
// spin the caller's event loop, so they are safe between the steps of a test.
class KerloLocal
{
public:
    struct Options
    {
        int port = 0;            // 0: ephemeral
        QString certificatePath; // both set: serve HTTPS
        QString keyPath;
        bool controlApi = true;
        QStringList extraArguments;
    };

    KerloLocal();
    ~KerloLocal(); // stops the process

    bool start(); // default Options
    bool start(const Options &options);
    void stop();    // kills the process and waits for it; the port is closed afterwards
    bool restart(); // same port, same data folder, same options

    bool isRunning() const;
    // Whether the last stop() ended the process by SIGTERM alone, with exit code 0.
    bool exitedCleanly() const;
    int port() const;
    qint64 processId() const; // 0 while it is not running
    QString dataPath() const;
    QUrl baseUrl() const;  // http(s)://127.0.0.1:<port>
    QUrl apiUrl() const;   // baseUrl() + "/api/v1"
    QUrl oauthUrl() const; // baseUrl() + "/oauth"
    // baseUrl() with pathAndQuery, a path optionally followed by "?" and a query.
    QUrl url(const QString &pathAndQuery) const;

    // A sign-in as the client makes it (an API key, then an access token for it), straight
    // over HTTP with the user agent given; empty members for the step that failed.
    struct Tokens
    {
        QString apiKey;
        QString accessToken;
    };
    Tokens signInOverHttp(const QString &email, const QString &password,
                          const std::string &userAgent, const QString &clientCredential) const;

    // Fault injection. path is the request path as the server sees it (for example
    // "/api/v1/objects/list"); method empty matches any method; count -1 means forever.
    bool forceStatus(const QString &path, int status, const QByteArray &body = QByteArray(),
                     int count = 1, const QString &method = QString(),
                     const QByteArray &contentType = "application/json",
                     const QMap<QByteArray, QByteArray> &headers = {});
    bool delay(const QString &path, int milliseconds, int count = 1,
               const QString &method = QString());
    bool hang(const QString &path, int count = 1, const QString &method = QString());
    bool drop(const QString &path, int count = 1, const QString &method = QString());
    // Carries the request out, then sends the answer's body one byte every intervalMs.
    bool drip(const QString &path, int intervalMs, int count = 1,
              const QString &method = QString());
    // Carries the request out, then closes the connection without the answer.
    bool dropAfterHandling(const QString &path, int count = 1, const QString &method = QString());
    // Carries the request out, then answers with status and body instead.
    bool replaceAnswer(const QString &path, int status, const QByteArray &body, int count = 1,
                       const QString &method = QString(),
                       const QByteArray &contentType = "application/json");
    bool addFault(const QJsonObject &fault);

    // The newest 2048 requests the server received (answered or not), oldest first: objects with
    // "method", "path", "query", "headers" (object, lower-case names), "body" (text),
    // "bodyBase64", "bodyDropped" (true when the body was let go to keep the newest bodies
    // within 16 MiB; both bodies are then empty) and "status" (the answer's; -1 while it has
    // none).
    QJsonArray requests() const;
    // The logged requests whose path is path, oldest first.
    QJsonArray requestsTo(const QString &path) const;
    bool clearRequests();
    // Clears faults and the request log.
    bool reset();

    // Accounts. fields may add "first_name", "last_name", "avatar_url", "used_size",
    // "total_size" and "online_status". Returns the new "user" object; empty on failure.
    QJsonObject createUser(const QString &email, const QString &password,
                           const QJsonObject &fields = {});
    // A null email means every user.
    bool expireTokens(const QString &email = QString());
    bool revokeRefreshTokens(const QString &email = QString());
    // Per e-mail: "api_key", and the "access_tokens" (expired ones too) and "refresh_tokens"
    // handed out, oldest first.
    QJsonObject tokens() const;

    // Files and folders of a user's store, made as another device would (journalled, with
    // device id 0; missing folders on the way are made too). Return the stored "object";
    // empty on failure.
    QJsonObject seedFile(const QString &email, const QString &path, const QByteArray &content);
    QJsonObject seedFolder(const QString &email, const QString &path);
    // Changes made as another device would (journalled with device id 0). seedFile() on an
    // existing path updates its content. deleteObject returns the removed "objects";
    // moveObject the moved "object"; both empty on failure.
    QJsonArray deleteObject(const QString &email, const QString &path);
    QJsonObject moveObject(const QString &email, const QString &from, const QString &to);
    // Journals entry as it stands, without changing the store: for entries no real change
    // makes. Returns the entry's "token"; empty on failure.
    QString journalEntry(const QString &email, const QJsonObject &entry);

    // Transfer switches, for the next count matching transfers (-1: forever); path is the
    // remote path of the file, empty for any. A cut download sends bytes of its body, then
    // drops the connection; a faked metadata hash may be any text.
    bool cutDownload(qint64 bytes, const QString &path = QString(), int count = 1);
    bool ignoreRange(const QString &path = QString(), int count = 1);
    // Sends downloads at about bytesPerSecond.
    bool slowDownload(qint64 bytesPerSecond, const QString &path = QString(), int count = 1);
    bool omitMetadata(const QString &path = QString(), int count = 1);
    bool fakeMetadataHash(const QString &hash, const QString &path = QString(), int count = 1);
    // The next new uploads list their missing chunks last first.
    bool reverseMissingChunks(const QString &path = QString(), int count = 1);
    // {"chunks": {"count", "bytes"}, "uploads": [{"token", "path", "chunk_hashes",
    // "missing_chunks", ...}]}
    QJsonObject uploads() const;
    // An empty token expires every open upload.
    bool expireUploads(const QString &token = QString());

    // Social data made as the user with that e-mail. Return the "message", the "invites"
    // made (one per other member) or the contact "invite"; empty on failure.
    QJsonObject postMessageAs(const QString &email, qint64 conversationId, const QString &content);
    // count messages "<content> 1" to "<content> <count>", stored in one second; the messages.
    QJsonArray postMessagesAs(const QString &email, qint64 conversationId, const QString &content,
                              int count);
    QJsonArray sendCollaborationAs(const QString &email, qint64 conversationId,
                                   const QString &path);
    QJsonObject inviteContactAs(const QString &email, const QString &recipient);
    // The same, to the main conversation with the contact whose e-mail is recipient.
    QJsonObject postMessageToContactAs(const QString &email, const QString &recipient,
                                       const QString &content);
    QJsonArray sendCollaborationToContactAs(const QString &email, const QString &recipient,
                                            const QString &path);
    // Answers, as the user with that e-mail, the pending contact invitation sender sent;
    // returns the "invite", empty on failure.
    QJsonObject answerContactInvitationAs(const QString &email, const QString &sender, bool accept);
    // The contact invitations the user sent or received, oldest first, each with its
    // "sender" and "recipient" users.
    QJsonArray contactInvitationsOf(const QString &email);
    bool setPresence(const QString &email, int onlineStatus);

    // Raw control call: method, path under the control prefix, JSON body. Returns the
    // HTTP status (0 on a transport failure) and stores the reply body.
    int control(const QByteArray &method, const QString &path, const QJsonObject &body = {},
                QByteArray *reply = nullptr) const;

private:
    QJsonObject seed(const QJsonObject &body);
    // A control call with body as it stands, of that content type.
    int sendControl(const QByteArray &method, const QString &path, const QByteArray &body,
                    const char *contentType, QByteArray *reply) const;
    // The member key of a control call's reply; undefined on failure.
    QJsonValue controlResult(const QString &path, const QJsonObject &body, const char *key);
    bool addTransferSwitch(const char *name, const QString &path, int count,
                           const QJsonObject &fields = {});

    struct Private;
    std::unique_ptr<Private> d;
};

#endif // KERLOLOCAL_H
