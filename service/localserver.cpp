#include "localserver.h"

#include "accountstore.h"
#include "authapi.h"
#include "avatarapi.h"
#include "collaborationsapi.h"
#include "collaborationstore.h"
#include "connectionsockets.h"
#include "contactbook.h"
#include "contactsapi.h"
#include "controlapi.h"
#include "conversationsapi.h"
#include "conversationstore.h"
#include "demotree.h"
#include "downloadapi.h"
#include "inflightgauge.h"
#include "jsonreply.h"
#include "legacydatafolder.h"
#include "newsledger.h"
#include "objectsapi.h"
#include "objectstore.h"
#include "router.h"
#include "servicedatabase.h"
#include "serviceoptions.h"
#include "shareapi.h"
#include "sharelinkstore.h"
#include "socialcontrol.h"
#include "socialreplies.h"
#include "socialseed.h"
#include "stopflag.h"
#include "thumbnailapi.h"
#include "transferswitchtable.h"
#include "uploadapi.h"
#include "uploadstore.h"
#include "workerpool.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <pthread.h>
#include <sys/socket.h>
#include <thread>

namespace {

const char host[] = "127.0.0.1";

// A worker per connection: tests hang and delay connections on purpose, and slow clients
// hold theirs until a read times out; none of them may starve the others.
constexpr size_t initialWorkers = 64;
constexpr size_t maximumWorkers = 1000;
// How long one read may wait for the client's next bytes.
constexpr std::chrono::seconds readTimeout{5};
// An object path's 4,096 bytes, with room for the longest route in front of it; a query is
// held to the same length (servers commonly refuse request lines of 8 KiB).
constexpr size_t maximumRequestPathBytes = 6144;

// The HTTP layer matches a handler's pattern with std::regex, whose matching recurses once
// per character of the path. Every request is routed by the layer as "/" instead, and this
// worker's real path is set aside until the one handler gets it back.
thread_local std::string routedPath;

bool hasBody(const httplib::Request &request)
{
    const std::string length = request.get_header_value("Content-Length");
    return request.has_header("Transfer-Encoding") ||
           (!length.empty() && length.find_first_not_of('0') != std::string::npos);
}

} // namespace

struct LocalServer::Private
{
    explicit Private(const ServiceOptions &options)
        : options(options)
        , database(options.dataPath)
        , accounts(database)
        , auth(accounts)
        , objects(database, options.dataPath, accounts)
        , shareLinks(database)
        , uploads(database, options.dataPath)
        , objectsApi(auth, objects)
        , shareApi(auth, objects, shareLinks, serverUrl)
        , thumbnailApi(auth, objects)
        , uploadApi(auth, accounts, objects, uploads, transferSwitches)
        , downloadApi(auth, objects, transferSwitches, stopFlag)
        , contacts(database)
        , collaborations(database)
        , conversations(database)
        , news(database)
        , socialReplies(accounts, conversations)
        , contactsApi(auth, accounts, contacts, conversations, news, socialReplies)
        , collaborationsApi(auth, objects, collaborations, conversations, socialReplies)
        , conversationsApi(auth, accounts, contacts, conversations, news, socialReplies)
        , avatarApi(auth, accounts, options.dataPath, serverUrl)
        , socialControl(accounts, contactsApi, collaborationsApi, conversationsApi, socialReplies)
        , socialSeed(accounts, contacts, conversations)
    {}

    void handle(const httplib::Request &request, httplib::Response &response);
    // The HTTP layer answers a Range header it cannot parse with a bare 416 before any
    // handler runs. RFC 7233 says to ignore such a header: answers the request without it
    // instead. False for every other error reply.
    bool answerRefusedRange(const httplib::Request &request, httplib::Response &response);
    // True when the request goes on to its normal handling.
    bool applyFault(const Fault &fault, const httplib::Request &request,
                    httplib::Response &response);
    void drop(const httplib::Request &request);
    // The handled answer's body goes out one byte every intervalMs.
    void drip(httplib::Response &response, int intervalMs);
    // The answer's whole length is announced, and the connection closes after bytes of it.
    void cut(httplib::Response &response, int bytes);
    void addApiRoutes();
    bool bind();
    // Opens the database (setting aside a data folder of the JSON layout) and reads it.
    bool loadState(QString *error);
    bool seed(QString *error);
    bool seedDemoTree(QString *error);
    void watchSignals(const sigset_t &stopSignals);

    ServiceOptions options;
    // The address URLs handed out point at, once bound: "http(s)://127.0.0.1:<port>".
    QString serverUrl;
    ServiceDatabase database;
    AccountStore accounts;
    AuthApi auth;
    ObjectStore objects;
    ShareLinkStore shareLinks;
    UploadStore uploads;
    // Empty unless the control API fills it.
    TransferSwitchTable transferSwitches;
    StopFlag stopFlag;
    ObjectsApi objectsApi;
    ShareApi shareApi;
    ThumbnailApi thumbnailApi;
    UploadApi uploadApi;
    DownloadApi downloadApi;
    ContactBook contacts;
    CollaborationStore collaborations;
    ConversationStore conversations;
    NewsLedger news;
    SocialReplies socialReplies;
    ContactsApi contactsApi;
    CollaborationsApi collaborationsApi;
    ConversationsApi conversationsApi;
    AvatarApi avatarApi;
    SocialControl socialControl;
    SocialSeed socialSeed;
    InFlightGauge inFlight;
    std::unique_ptr<httplib::Server> server;
    Router apiRoutes;
    Router controlRoutes;
    std::unique_ptr<ControlApi> control;
    std::atomic<bool> listenReturned{false};
    int port = 0;
};

LocalServer::LocalServer(const ServiceOptions &options)
    : d(new Private(options))
{
    if (options.usesTls()) {
        d->server.reset(
            new httplib::SSLServer(QFile::encodeName(options.certificatePath).constData(),
                                   QFile::encodeName(options.keyPath).constData()));
    } else {
        d->server.reset(new httplib::Server);
    }
    d->server->new_task_queue = [] {
        return new WorkerPool(initialWorkers, maximumWorkers);
    };
    d->server->set_read_timeout(readTimeout);
    // Headers and body go out in two writes: with Nagle's algorithm the second waits for the
    // client's delayed acknowledgement.
    d->server->set_tcp_nodelay(true);
    // Only SO_REUSEADDR, so that a restart can take its port back from TIME_WAIT while a
    // second live server still cannot share it.
    d->server->set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });

    // All dispatching is ours: the HTTP layer reads the whole request (body included), then
    // hands it over, whatever its path. The request is the server's own mutable object.
    d->server->set_pre_routing_handler([](const httplib::Request &request, httplib::Response &) {
        routedPath.swap(const_cast<httplib::Request &>(request).path);
        const_cast<httplib::Request &>(request).path = "/";
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto handler = [this](const httplib::Request &request, httplib::Response &response) {
        const_cast<httplib::Request &>(request).path.swap(routedPath);
        d->handle(request, response);
    };
    const char everyPath[] = "/";
    d->server->Get(everyPath, handler);
    d->server->Post(everyPath, handler);
    d->server->Put(everyPath, handler);
    d->server->Patch(everyPath, handler);
    d->server->Delete(everyPath, handler);
    d->server->Options(everyPath, handler);
    d->server->set_error_handler(httplib::Server::HandlerWithResponse(
        [this](const httplib::Request &request, httplib::Response &response) {
            return d->answerRefusedRange(request, response)
                       ? httplib::Server::HandlerResponse::Handled
                       : httplib::Server::HandlerResponse::Unhandled;
        }));

    if (options.controlApi) {
        d->control.reset(new ControlApi(d->stopFlag, d->accounts, d->objects, d->transferSwitches,
                                        d->uploads, d->socialControl));
        d->control->addRoutes(d->controlRoutes);
        d->socialSeed.addRoutes(d->controlRoutes, ControlApi::controlPrefix());
        // {"peak"}: the most API requests answered at once since the last DELETE.
        d->controlRoutes.add(
            "GET", ControlApi::controlPrefix() + "/in-flight",
            [this](const httplib::Request &, httplib::Response &response, const RouteCaptures &) {
                JsonReply::send(response, 200, {{QStringLiteral("peak"), d->inFlight.peakCount()}});
            });
        d->controlRoutes.add(
            "DELETE", ControlApi::controlPrefix() + "/in-flight",
            [this](const httplib::Request &, httplib::Response &response, const RouteCaptures &) {
                d->inFlight.resetPeak();
                JsonReply::send(response, 200, {});
            });
    }
    d->addApiRoutes();
}

LocalServer::~LocalServer() = default;

void LocalServer::Private::addApiRoutes()
{
    // The client's connectivity probe: exactly 200, never a redirect.
    for (const char *path : {"/api/v1", "/api/v1/"}) {
        apiRoutes.add(
            "GET", path,
            [](const httplib::Request &, httplib::Response &response, const RouteCaptures &) {
                JsonReply::send(response, 200, {{QStringLiteral("status"), QStringLiteral("ok")}});
            });
    }
    auth.addRoutes(apiRoutes);
    uploadApi.addRoutes(apiRoutes);
    downloadApi.addRoutes(apiRoutes);
    objectsApi.addRoutes(apiRoutes);
    shareApi.addRoutes(apiRoutes);
    thumbnailApi.addRoutes(apiRoutes);
    contactsApi.addRoutes(apiRoutes);
    collaborationsApi.addRoutes(apiRoutes);
    conversationsApi.addRoutes(apiRoutes);
    avatarApi.addRoutes(apiRoutes);
}

void LocalServer::Private::handle(const httplib::Request &request, httplib::Response &response)
{
    const std::string::size_type question = request.target.find('?');
    const size_t queryBytes =
        question == std::string::npos ? 0 : request.target.size() - question - 1;
    const bool tooLong =
        request.path.size() > maximumRequestPathBytes || queryBytes > maximumRequestPathBytes;
    // The HTTP layer would cut every body to the Range itself, without clamping or 416:
    // only downloads serve ranges, and they read the header. The request is the server's
    // own mutable object.
    const_cast<httplib::Request &>(request).ranges.clear();
    if (!tooLong && control && ControlApi::isControlPath(request.path)) {
        if (!controlRoutes.dispatch(request, response))
            JsonReply::sendNotFound(response);
        return;
    }
    const InFlightGauge::Scope counted(inFlight);
    // Whatever answers the request, its status goes to the log.
    const quint64 logged = control ? control->requestLog().record(request) : 0;
    const auto answered = qScopeGuard([this, logged, &response] {
        if (control)
            control->requestLog().answered(logged, response.status);
    });
    if (tooLong) {
        JsonReply::sendErrors(response, 414,
                              {QStringLiteral("The request path or query is longer than %1 bytes")
                                   .arg(maximumRequestPathBytes)});
        return;
    }
    std::optional<Fault> whenHandled;
    int dripInterval = 0;
    int cutAfterBytes = -1;
    if (control) {
        if (const std::optional<Fault> fault =
                control->faults().take(request.method, request.path)) {
            cutAfterBytes = fault->cutAfterBytes;
            if (fault->afterHandling)
                whenHandled = fault;
            else if (fault->action == Fault::Action::Drip)
                dripInterval = fault->delayMs;
            else if (!applyFault(*fault, request, response)) {
                if (cutAfterBytes >= 0)
                    cut(response, cutAfterBytes);
                return;
            }
        }
    }
    // After the log and the faults, so that tests see and steer refused requests too.
    if (!AuthApi::requiresSignature(request.path) || auth.admit(request, response)) {
        if (!apiRoutes.dispatch(request, response))
            JsonReply::sendNotFound(response);
    }
    // A drop makes the HTTP layer's write of the answer fail; a status takes the answer's place.
    if (whenHandled)
        applyFault(*whenHandled, request, response);
    if (dripInterval > 0)
        drip(response, dripInterval);
    if (cutAfterBytes >= 0)
        cut(response, cutAfterBytes);
}

void LocalServer::Private::cut(httplib::Response &response, int bytes)
{
    auto body = std::make_shared<std::string>(std::move(response.body));
    response.body.clear();
    const std::string type = response.get_header_value("Content-Type");
    response.headers.erase("Content-Type");
    response.set_content_provider(
        body->size(), type.c_str(),
        [body, bytes](size_t offset, size_t length, httplib::DataSink &sink) {
            const size_t end = std::min(offset + length, size_t(bytes));
            if (offset >= end)
                return false; // ends the connection, with the body short
            return sink.write(body->data() + offset, end - offset);
        });
}

void LocalServer::Private::drip(httplib::Response &response, int intervalMs)
{
    if (response.body.empty())
        return;
    auto body = std::make_shared<std::string>(std::move(response.body));
    response.body.clear();
    const std::string type = response.get_header_value("Content-Type");
    response.headers.erase("Content-Type");
    response.set_content_provider(
        body->size(), type.c_str(),
        [this, body, intervalMs](size_t offset, size_t, httplib::DataSink &sink) {
            if (stopFlag.waitFor(std::chrono::milliseconds(intervalMs)))
                return false; // ends the connection, with the body short
            return sink.write(body->data() + offset, 1);
        });
}

bool LocalServer::Private::answerRefusedRange(const httplib::Request &request,
                                              httplib::Response &response)
{
    // Every 416 of ours names the body's size in Content-Range.
    if (response.status != 416 || !request.has_header("Range") ||
        response.has_header("Content-Range") || !response.body.empty())
        return false;
    auto &unranged = const_cast<httplib::Request &>(request);
    unranged.headers.erase("Range");
    response = httplib::Response();
    // The layer refused before reading any body, and none can be read from here.
    if (hasBody(request)) {
        response.set_header("Connection", "close");
        JsonReply::sendErrors(
            response, 400,
            {QStringLiteral("A request with a body may not carry a malformed Range header")});
        return true;
    }
    handle(request, response);
    return true;
}

bool LocalServer::Private::applyFault(const Fault &fault, const httplib::Request &request,
                                      httplib::Response &response)
{
    switch (fault.action) {
    case Fault::Action::Status:
        response.status = fault.status;
        response.set_content(fault.body, fault.contentType.c_str());
        for (const auto &header : fault.headers) {
            response.headers.erase(header.first);
            response.set_header(header.first.c_str(), header.second);
        }
        return false;
    case Fault::Action::Delay:
        if (stopFlag.waitFor(std::chrono::milliseconds(fault.delayMs))) {
            drop(request);
            return false;
        }
        return true;
    case Fault::Action::Hang:
        stopFlag.wait();
        drop(request);
        return false;
    case Fault::Action::Drop:
        drop(request);
        return false;
    case Fault::Action::Drip: // handle() drips the handled answer
    case Fault::Action::Cut:  // and cuts it
        return true;
    }
    return false;
}

void LocalServer::Private::drop(const httplib::Request &request)
{
    // At a stop every connection has been shut down already.
    if (!ConnectionSockets::shutDown(request) && !stopFlag.isRaised())
        std::fprintf(stderr, "kerlo-local: no socket found for %s:%d\n",
                     request.remote_addr.c_str(), request.remote_port);
}

bool LocalServer::Private::loadState(QString *error)
{
    if (LegacyDataFolder::isLegacy(options.dataPath)) {
        const QString movedTo = LegacyDataFolder::setAside(options.dataPath, error);
        if (movedTo.isEmpty())
            return false;
        // stderr: the first line on stdout names the address.
        std::fprintf(stderr,
                     "kerlo-local: %s holds data of an older kerlo-local (JSON files), which "
                     "this one does not read; moved it to %s and started a fresh data folder "
                     "with the demo account\n",
                     qPrintable(options.dataPath), qPrintable(movedTo));
    }
    if (!QDir().mkpath(options.dataPath)) {
        *error = QStringLiteral("cannot create the data folder %1").arg(options.dataPath);
        return false;
    }
    return database.open(error) && accounts.load(error) && shareLinks.load(error) &&
           uploads.load(error) && contacts.load(error) && collaborations.load(error) &&
           conversations.load(error) && news.load(error);
}

bool LocalServer::Private::seedDemoTree(QString *error)
{
    if (options.demoTreeEmail.isEmpty())
        return true;
    const std::optional<UserAccount> user = accounts.user(options.demoTreeEmail);
    if (!user) {
        *error = QStringLiteral("--demo-tree: no user %1").arg(options.demoTreeEmail);
        return false;
    }
    int added = 0;
    if (const StoreError failed = DemoTree::seed(objects, user->id, &added)) {
        *error = QStringLiteral("--demo-tree: %1").arg(failed.message);
        return false;
    }
    if (added > 0)
        std::fprintf(stderr, "kerlo-local: seeded the demo tree (%d objects) for %s\n", added,
                     qPrintable(options.demoTreeEmail));
    else
        std::fprintf(stderr, "kerlo-local: the store of %s holds files already: no demo tree\n",
                     qPrintable(options.demoTreeEmail));
    return true;
}

bool LocalServer::Private::seed(QString *error)
{
    if (!options.seed)
        return true;
    const std::optional<UserAccount> user = accounts.user(options.seed->email);
    if (!user) {
        *error = QStringLiteral("--seed: no user %1").arg(options.seed->email);
        return false;
    }
    int added = 0;
    const StoreError failed = objects.seed(user->id, options.seed->folder, options.seed->count,
                                           options.seed->files, &added);
    if (failed) {
        *error = QStringLiteral("--seed: %1").arg(failed.message);
        return false;
    }
    std::fprintf(stderr, "kerlo-local: seeded %d %s in %s\n", added,
                 options.seed->files ? "files" : "folders", qPrintable(options.seed->folder));
    return true;
}

bool LocalServer::Private::bind()
{
    if (options.port == 0) {
        port = server->bind_to_any_port(host);
    } else {
        port = options.port;
        if (!server->bind_to_port(host, port))
            port = 0;
    }
    serverUrl = QStringLiteral("%1://%2:%3")
                    .arg(options.usesTls() ? QStringLiteral("https") : QStringLiteral("http"),
                         QLatin1String(host))
                    .arg(port);
    return port > 0;
}

void LocalServer::Private::watchSignals(const sigset_t &stopSignals)
{
    int received = 0;
    sigwait(&stopSignals, &received);
    // stop() does nothing before listening has begun.
    while (!server->is_running() && !listenReturned)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // The port closes before hung and delayed handlers are released: a client whose request
    // they drop retries once, and must find nobody listening rather than a normal answer.
    server->stop();
    stopFlag.raise();
    // Idle keep-alive connections would otherwise hold their workers for seconds.
    ConnectionSockets::shutDownAll(port);
}

int LocalServer::run()
{
    // Blocked before any thread starts, so that only the watcher below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A write to a connection the peer (or a drop) closed must fail, not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    if (!d->server->is_valid()) {
        std::fprintf(stderr, "kerlo-local: cannot load the certificate or key\n");
        return 1;
    }
    QString error;
    if (!d->loadState(&error) || !d->seed(&error) || !d->seedDemoTree(&error)) {
        std::fprintf(stderr, "kerlo-local: %s\n", qPrintable(error));
        return 1;
    }
    if (!d->bind()) {
        std::fprintf(stderr, "kerlo-local: cannot listen on %s:%d\n", host, d->options.port);
        return 1;
    }
    ConnectionSockets::widenBacklog(d->port);

    std::printf("kerlo-local listening on %s://%s:%d\n", d->options.usesTls() ? "https" : "http",
                host, d->port);
    std::fflush(stdout);

    std::thread watcher([this, stopSignals] { d->watchSignals(stopSignals); });
    const bool listened = d->server->listen_after_bind();
    d->listenReturned = true;
    if (!d->stopFlag.isRaised())
        pthread_kill(watcher.native_handle(), SIGTERM);
    watcher.join();
    return listened ? 0 : 1;
}
