#include "kerlolocal.h"
#include "mpreviewmanager.h"
#include "muserauthmanager.h"
#include "signedincore.h"
#include "testimages.h"
#include "tolvoappimpl.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

using TestData::demoEmail;
const QString thumbnailEndpoint = QStringLiteral("/api/v1/thumbnail");

// The documented cache layout, worked out independently of the manager.
QString layoutPath(const QString &remotePath, int size)
{
    const QString hash = TestData::md5Hex(remotePath.toUtf8());
    return QStringLiteral("%1/%2/%3/%4_%5")
        .arg(TolvoApp::instance()->thumbnailsPath(), hash.left(2), hash.mid(2, 2), hash)
        .arg(size);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList cachedFiles()
{
    QStringList files;
    QDirIterator it(TolvoApp::instance()->thumbnailsPath(), QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

QJsonObject slice(double offset, double length)
{
    return {{"offset", offset}, {"length", length}};
}

quint32 pngWidth(const QByteArray &bytes)
{
    quint32 width = 0;
    if (bytes.startsWith("\x89PNG"))
        QDataStream(bytes.mid(16, 4)) >> width;
    return width;
}

} // namespace

// The thumbnail manager against kerlo-local over HTTP: batching, cutting a reply apart,
// the cache layout and lookups, refused service data, and the manager's lifetime.
class TestPreviewManager : public QObject
{
    Q_OBJECT

signals:
    // Every line logged on this thread, so that a test can wait for a failure whose only
    // trace is its log line.
    void logged(const QString &message);

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void lookupsFollowTheCacheLayout();
    void batchOfFiftyImages();
    void replyIsCutApartByItsHeader();
    void passAnswersFromCacheAndSendsTheRest();
    void failuresCacheNothing();
    void passesEndWithTheManager();

private:
    static void handleMessage(QtMsgType type, const QMessageLogContext &context,
                              const QString &message);
    MUserAuthManager *auth() const { return core.auth(); }
    // Signs in unless a case left the demo user signed in.
    bool signIn() { return auth()->isAuthenticated() || core.signIn(); }
    // The "destinations" of every batch the service received, oldest first.
    QList<QJsonObject> batches() const;
    bool answerNextBatch(const QJsonObject &header, const QByteArray &body);
    static bool waitForLog(QSignalSpy &logged, const QString &fragment);

    static TestPreviewManager *current;
    static QtMessageHandler previousHandler;
    SignedInCore core;
    KerloLocal &server = core.server();
};

TestPreviewManager *TestPreviewManager::current = nullptr;
QtMessageHandler TestPreviewManager::previousHandler = nullptr;

void TestPreviewManager::handleMessage(QtMsgType type, const QMessageLogContext &context,
                                       const QString &message)
{
    if (QThread::currentThread() == current->thread())
        emit current->logged(message);
    if (previousHandler)
        previousHandler(type, context, message);
}

QList<QJsonObject> TestPreviewManager::batches() const
{
    QList<QJsonObject> result;
    for (const QJsonValue &entry : server.requests()) {
        const QJsonObject request = entry.toObject();
        if (request.value("path").toString() != thumbnailEndpoint)
            continue;
        const QByteArray body = request.value("body").toString().toUtf8();
        result << QJsonDocument::fromJson(body).object().value("destinations").toObject();
    }
    return result;
}

bool TestPreviewManager::answerNextBatch(const QJsonObject &header, const QByteArray &body)
{
    return server.forceStatus(
        thumbnailEndpoint, 200, body, 1, "POST", "application/octet-stream",
        {{"x-kerlo-thumbnails", QJsonDocument(header).toJson(QJsonDocument::Compact)}});
}

bool TestPreviewManager::waitForLog(QSignalSpy &logged, const QString &fragment)
{
    for (int seen = 0;; ++seen) {
        while (seen >= logged.count()) {
            if (!logged.wait())
                return false;
        }
        if (logged.at(seen).at(0).toString().contains(fragment))
            return true;
    }
}

void TestPreviewManager::initTestCase()
{
    current = this;
    previousHandler = qInstallMessageHandler(&TestPreviewManager::handleMessage);
    QVERIFY(core.start());
}

void TestPreviewManager::init()
{
    QVERIFY(server.reset());
    TolvoApp::instance()->setConnectivityStatus(TolvoApp::Online);
    QVERIFY(signIn());
    QVERIFY(server.clearRequests());
    QVERIFY(QDir(TolvoApp::instance()->thumbnailsPath()).removeRecursively());
}

void TestPreviewManager::cleanupTestCase()
{
    qInstallMessageHandler(previousHandler);
}

void TestPreviewManager::lookupsFollowTheCacheLayout()
{
    MPreviewManager manager;
    const QString path = QStringLiteral("/Photos/holiday.jpg");
    QCOMPARE(manager.getBaseThumbnailPath(), TolvoApp::instance()->thumbnailsPath());

    // Only 32 and 1024 cached: the smallest at least as large, else the largest.
    QVERIFY(writeFile(layoutPath(path, 32), "xs"));
    QVERIFY(writeFile(layoutPath(path, 1024), "xl"));
    QCOMPARE(manager.getCachedFilePath(path, MPreviewManager::Small), layoutPath(path, 1024));
    QCOMPARE(manager.getBestCachedFilePath(path, MPreviewManager::Small), layoutPath(path, 1024));
    QCOMPARE(manager.getBestCachedFilePath(path, MPreviewManager::ExtraSmall),
             layoutPath(path, 32));

    // Only 32 cached: nothing large enough is null, not merely empty.
    QVERIFY(manager.invalidatePreview(path, MPreviewManager::ExtraLarge));
    QVERIFY(!QFileInfo::exists(layoutPath(path, 1024)));
    QVERIFY(!manager.invalidatePreview(path, MPreviewManager::ExtraLarge));
    QVERIFY(manager.getCachedFilePath(path, MPreviewManager::Small).isNull());
    QCOMPARE(manager.getBestCachedFilePath(path, MPreviewManager::Small), layoutPath(path, 32));
    QVERIFY(manager.getBestCachedFilePath("/Photos/other.jpg", MPreviewManager::Small).isNull());

    // The name of a non-ASCII path does not depend on the locale's encoding.
    const QString accented = QString::fromUtf8("/Fotos/\xc3\x86r\xc3\xb8 \xe6\x97\xa5.png");
    QVERIFY(writeFile(layoutPath(accented, 128), "m"));
    QTextCodec *locale = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
    const QString found = manager.getCachedFilePath(accented, MPreviewManager::Medium);
    QTextCodec::setCodecForLocale(locale);
    QCOMPARE(found, layoutPath(accented, 128));

    for (const char *previewable : {"/a/Scan.PDF", "/a/b.JPG", "/a/b.Gif", "/a/b.png"})
        QVERIFY(MPreviewManager::isPathPreviewable(previewable));
    for (const char *other : {"/a/b.jpeg", "/a/b.tiff", "/a/bjpg"})
        QVERIFY(!MPreviewManager::isPathPreviewable(other));
}

void TestPreviewManager::batchOfFiftyImages()
{
    QStringList paths;
    for (int width = 1; width <= 50; ++width) {
        paths << QStringLiteral("/Pictures/Trip %1.png").arg(width);
        QVERIFY(!server.seedFile(demoEmail, paths.last(), TestImages::png(width)).isEmpty());
    }
    QVERIFY(server.clearRequests());
    MPreviewManager manager;
    QSignalSpy ready(&manager, &MPreviewManager::previewReadyForPath);

    // Refused once for an expired token, then sent again with a new one.
    QVERIFY(server.expireTokens(demoEmail));
    // Of two sizes of one path queued in one window, the later one is asked for first and the
    // other in a batch of its own; the same size asked twice is asked once.
    manager.submitPreviewRequest(paths.first(), MPreviewManager::Large);
    for (const QString &path : qAsConst(paths))
        manager.submitPreviewRequest(path, MPreviewManager::Medium);
    manager.submitPreviewRequest(paths.last(), MPreviewManager::Medium);
    while (ready.count() < 51)
        QVERIFY(ready.wait(20000));

    // Both batches are refused once and sent again.
    QList<QJsonObject> sent = batches();
    QCOMPARE(sent.size(), 4);
    const QJsonObject largeBatch{{paths.first(), QJsonArray{"l"}}};
    QCOMPARE(sent.count(largeBatch), 2);
    sent.removeAll(largeBatch);
    QCOMPARE(sent.at(1), sent.at(0));
    QCOMPARE(sent.at(1).size(), 50);
    for (const QString &path : qAsConst(paths))
        QCOMPARE(sent.at(1).value(path), QJsonValue(QJsonArray{"m"}));
    QCOMPARE(ready.count(), 51);
    const auto isLarge = [](const QList<QVariant> &signal) {
        return signal.at(2).value<MPreviewManager::PreviewSize>() == MPreviewManager::Large;
    };
    const auto large = std::find_if(ready.begin(), ready.end(), isLarge);
    QVERIFY(large != ready.end());
    QCOMPARE(large->at(0).toString(), paths.first());
    ready.erase(large);

    // Each slice is its own image, whole.
    for (const QList<QVariant> &signal : qAsConst(ready)) {
        const QString path = signal.at(0).toString();
        const QString file = layoutPath(path, 128);
        QCOMPARE(signal.at(1).toString(), file);
        QCOMPARE(signal.at(2).value<MPreviewManager::PreviewSize>(), MPreviewManager::Medium);
        const QByteArray bytes = readFile(file);
        QCOMPARE(int(pngWidth(bytes)), paths.indexOf(path) + 1);
        QVERIFY(bytes.endsWith("IEND\xae\x42\x60\x82"));

        QCOMPARE(manager.getCachedFilePath(path, MPreviewManager::Small), file);
        if (path == paths.first())
            continue;
        QVERIFY(manager.getCachedFilePath(path, MPreviewManager::Large).isNull());
        QCOMPARE(manager.getBestCachedFilePath(path, MPreviewManager::Large), file);
    }
    QCOMPARE(cachedFiles().size(), 51);
}

void TestPreviewManager::replyIsCutApartByItsHeader()
{
    MPreviewManager manager;
    QSignalSpy ready(&manager, &MPreviewManager::previewReadyForPath);
    QSignalSpy logged(this, &TestPreviewManager::logged);

    const QJsonObject header{
        {"/p/a.jpg", QJsonObject{{"m", slice(0, 4)}}},
        // Offsets and lengths are truncated to integers.
        {"/p/b.png", QJsonObject{{"xl", slice(4.9, 6.2)}}},
        {"/p/c.gif", QJsonObject{{"error", 415}, {"message", "not an image"}}},
        {"/p/d.pdf", QJsonObject{{"s", QJsonObject{{"error", 500}}}, {"xs", slice(10, 0)}}},
        {"/p/e.jpg", QJsonObject{{"huge", slice(10, 2)}}},
        // Slices reaching outside the body, or not given as numbers.
        {"/p/f.jpg", QJsonObject{{"xs", slice(2, 11)},
                                 {"s", slice(-1, 2)},
                                 {"m", slice(1, -1)},
                                 {"l", QJsonObject{{"offset", "0"}, {"length", "2"}}},
                                 {"xl", QJsonObject{{"length", 2}}}}},
        // Paths never asked for, some trying to climb out.
        {"/../../../outside.jpg", QJsonObject{{"m", slice(0, 4)}}},
        {"/p/x/../../y.jpg", QJsonObject{{"m", slice(0, 4)}}},
        {"/p/unasked.jpg", QJsonObject{{"m", slice(0, 4)}}},
    };
    QVERIFY(answerNextBatch(header, "AAAABBBBBBCC"));

    manager.submitPreviewRequest("/p/a.jpg", MPreviewManager::Medium);
    manager.submitPreviewRequests({"/p/b.png", "/p/notes.txt"}, MPreviewManager::ExtraLarge);
    manager.submitPreviewRequests({"/p/c.gif", "/p/e.jpg", "/p/f.jpg", "/p/x/../../y.jpg"},
                                  MPreviewManager::Medium);
    manager.submitPreviewRequest("/p/d.pdf", MPreviewManager::ExtraSmall);
    QVERIFY(ready.wait(20000));

    // Neither a path that cannot be previewed nor one with a ".." component is asked for.
    const QJsonArray m{"m"};
    QCOMPARE(batches(), QList<QJsonObject>{QJsonObject({{"/p/a.jpg", m},
                                                        {"/p/b.png", QJsonArray{"xl"}},
                                                        {"/p/c.gif", m},
                                                        {"/p/d.pdf", QJsonArray{"xs"}},
                                                        {"/p/e.jpg", m},
                                                        {"/p/f.jpg", m}})});

    // A zero-length slice gives an empty file, an unknown size name the size 0; failed or
    // refused entries give nothing.
    const QList<std::tuple<QString, int, QByteArray>> expected{{"/p/a.jpg", 128, "AAAA"},
                                                               {"/p/b.png", 1024, "BBBBBB"},
                                                               {"/p/d.pdf", 32, ""},
                                                               {"/p/e.jpg", 0, "CC"}};
    QCOMPARE(ready.count(), expected.size());
    QStringList files;
    for (int i = 0; i < expected.size(); ++i) {
        const auto &[path, size, bytes] = expected.at(i);
        QCOMPARE(ready.at(i).at(0).toString(), path);
        QCOMPARE(ready.at(i).at(1).toString(), layoutPath(path, size));
        QCOMPARE(int(ready.at(i).at(2).value<MPreviewManager::PreviewSize>()), size);
        QCOMPARE(readFile(layoutPath(path, size)), bytes);
        files << layoutPath(path, size);
    }
    files.sort();
    QCOMPARE(cachedFiles(), files);
    QVERIFY(!QFileInfo::exists(QDir(TolvoApp::instance()->supportPath()).filePath("outside.jpg")));
    QVERIFY(waitForLog(logged, "Thumbnail for file \"/p/c.gif\" failed: \"not an image\""));
}

void TestPreviewManager::passAnswersFromCacheAndSendsTheRest()
{
    MPreviewManager manager;
    QSignalSpy ready(&manager, &MPreviewManager::previewReadyForPath);
    QVERIFY(writeFile(layoutPath("/c/one.jpg", 128), "one"));
    QVERIFY(writeFile(layoutPath("/c/two.png", 64), "old"));
    QVERIFY(answerNextBatch({{"/c/two.png", QJsonObject{{"s", slice(0, 3)}}}}, "NEW"));

    // Canceled before its pass: never sent.
    manager.submitPreviewRequest("/c/gone.jpg", MPreviewManager::Medium);
    manager.cancelAllPreviewRequests();
    // A smaller size answered by a larger cached file, with the size asked for.
    manager.submitPreviewRequest("/c/one.jpg", MPreviewManager::Small);
    // Refreshing what is not cached asks for nothing; what is cached goes out again.
    manager.refreshPreview("/c/three.gif", MPreviewManager::Small);
    manager.refreshPreviews({"/c/two.png"}, MPreviewManager::Small);
    QVERIFY(!QFileInfo::exists(layoutPath("/c/two.png", 64)));
    while (ready.count() < 2)
        QVERIFY(ready.wait(20000));

    QCOMPARE(ready.at(0), (QList<QVariant>{"/c/one.jpg", layoutPath("/c/one.jpg", 128),
                                           QVariant::fromValue(MPreviewManager::Small)}));
    QCOMPARE(ready.at(1).at(0).toString(), QStringLiteral("/c/two.png"));
    QCOMPARE(readFile(layoutPath("/c/two.png", 64)), QByteArray("NEW"));
    QCOMPARE(batches(), QList<QJsonObject>{QJsonObject({{"/c/two.png", QJsonArray{"s"}}})});
}

void TestPreviewManager::failuresCacheNothing()
{
    MPreviewManager manager;
    QSignalSpy ready(&manager, &MPreviewManager::previewReadyForPath);
    QSignalSpy logged(this, &TestPreviewManager::logged);
    const QJsonObject validHeader{{"/f/a.jpg", QJsonObject{{"m", slice(0, 2)}}}};

    QVERIFY(server.forceStatus(
        thumbnailEndpoint, 500, "AB", 1, "POST", "application/octet-stream",
        {{"x-kerlo-thumbnails", QJsonDocument(validHeader).toJson(QJsonDocument::Compact)}}));
    manager.submitPreviewRequest("/f/a.jpg", MPreviewManager::Medium);
    QVERIFY(waitForLog(logged, "Error from preview api with status code  500"));

    QVERIFY(server.forceStatus(thumbnailEndpoint, 200, "AB", 1, "POST", "application/octet-stream",
                               {{"x-kerlo-thumbnails", "{\"/f/a.jpg\": {\"m\""}}));
    manager.submitPreviewRequest("/f/a.jpg", MPreviewManager::Medium);
    QVERIFY(waitForLog(logged, "decode header in preview api response error."));
    QVERIFY(waitForLog(logged, "Received header:  \"{\\\"/f/a.jpg\\\": {\\\"m\\\"\""));

    // Signed out, the batch is dropped unsent, and stays dropped after signing in again.
    QVERIFY(core.signOut());
    manager.submitPreviewRequest("/f/lost.jpg", MPreviewManager::Medium);
    QVERIFY(waitForLog(logged, "Error in get preview request"));
    QVERIFY(signIn());
    QVERIFY(answerNextBatch({{"/f/later.jpg", QJsonObject{{"m", slice(0, 1)}}}}, "L"));
    manager.submitPreviewRequest("/f/later.jpg", MPreviewManager::Medium);
    QVERIFY(ready.wait(20000));

    QCOMPARE(ready.count(), 1);
    QCOMPARE(cachedFiles(), QStringList{layoutPath("/f/later.jpg", 128)});
    const QJsonObject first{{"/f/a.jpg", QJsonArray{"m"}}};
    QCOMPARE(batches(), (QList<QJsonObject>{first, first, {{"/f/later.jpg", QJsonArray{"m"}}}}));
}

void TestPreviewManager::passesEndWithTheManager()
{
    QVERIFY(answerNextBatch({{"/e/c.jpg", QJsonObject{{"m", slice(0, 1)}}}}, "C"));
    QVERIFY(answerNextBatch({{"/e/d.jpg", QJsonObject{{"m", slice(0, 1)}}}}, "D"));

    // Shut down: its pending pass sends nothing.
    MPreviewManager shutDown;
    QSignalSpy completed(&shutDown, &MPreviewManager::shutdownCompleted);
    shutDown.submitPreviewRequest("/e/a.jpg", MPreviewManager::Medium);
    shutDown.shutdown();
    QVERIFY(completed.wait(20000));

    // Destroyed: its pending pass never runs.
    auto destroyed = std::make_unique<MPreviewManager>();
    destroyed->submitPreviewRequest("/e/b.jpg", MPreviewManager::Medium);
    destroyed.reset();

    // Two full rounds of another manager outlast both pending passes.
    MPreviewManager manager;
    QSignalSpy ready(&manager, &MPreviewManager::previewReadyForPath);
    manager.submitPreviewRequest("/e/c.jpg", MPreviewManager::Medium);
    QVERIFY(ready.wait(20000));
    manager.submitPreviewRequest("/e/d.jpg", MPreviewManager::Medium);
    QVERIFY(ready.wait(20000));

    QCOMPARE(batches(), (QList<QJsonObject>{{{"/e/c.jpg", QJsonArray{"m"}}},
                                            {{"/e/d.jpg", QJsonArray{"m"}}}}));
    QCOMPARE(completed.count(), 1);
}

QTEST_GUILESS_MAIN(TestPreviewManager)
#include "tst_previewmanager.moc"
