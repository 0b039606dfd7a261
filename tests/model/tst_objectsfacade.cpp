#include "kerlolocal.h"
#include "moconstants.h"
#include "mocorenotification.h"
#include "modeltestapplication.h"
#include "monotificationmanager.h"
#include "monotificationspy.h"
#include "moobjectsmanager.h"
#include "moobjectsnotification.h"
#include "mopreviewmanager.h"
#include "mosharelinknotification.h"
#include "motransfergroupnotification.h"
#include "motransfernotification.h"
#include "testdata.h"
#include "testimages.h"

#include <QtTest>

namespace {

using TestData::demoEmail;

// The group notifications (function-local: the name constants live in another unit).
QStringList groupNames()
{
    return {MOObjectTransferGroupWillStartNotification, MOObjectTransferGroupDidStartNotification,
            MOObjectTransferGroupDidProgressNotification, MOObjectTransferGroupDidPauseNotification,
            MOObjectTransferGroupDidFinishNotification};
}

MOObjectTransfer transferOf(const MOPostedNotification &notification)
{
    return MOTransferNotification(notification).transfer();
}

class RecordingHierarchyDelegate
    : public QObject
    , public MOObjectsManagerHierarchyDelegate
{
public:
    void objectsManagerDidFailForPathErrorUserData(MOObjectsManager *, const QString &path,
                                                   const MOError &error,
                                                   const QVariant &userData) override
    {
        paths.append(path);
        errors.append(error);
        userDatas.append(userData);
    }
    QStringList paths;
    QList<MOError> errors;
    QVariantList userDatas;
};

class RecordingPreviewDelegate
    : public QObject
    , public MOPreviewManagerDelegate
{
public:
    void previewUpdatedForNodeWithThumbnailPathAndSize(const QString &path,
                                                       const QString &thumbnailPath,
                                                       uint size) override
    {
        previews.append({path, thumbnailPath, QString::number(size)});
        offMainThread |= QThread::currentThread() != qApp->thread();
    }
    QList<QStringList> previews;
    bool offMainThread = false;
};

} // namespace

// The objects, preview and notification facades against kerlo-local, signed in as the demo
// user: what each call posts, with which user info, and on which thread.
class TestObjectsFacade : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void listingKeepsTheCallersUserData();
    void missingPathReachesTheHierarchyDelegate();
    void metadataAndCopyPost();
    void changesReachTheService();
    void shareLinksPost();
    void uploadAndDownloadReportEveryStep();
    void transfersAskedDuringFolderReadsGo();
    void pauseResumeAndCancel();
    void serverErrorAbortsTheTransfer();
    void folderUploadReportsItsGroup();
    void existingFileIsReportedWithItsRequest();
    void manyTransfersAreScheduledInOrder();
    void thumbnailsReachThePreviewDelegate();
    void cleanupTestCase();

private:
    MOObjectsManager *objects() { return MOObjectsManager::sharedInstance(); }
    QString writeFile(const QString &name, const QByteArray &content);
    // The transfer notifications of the transfer going to or coming from path, by name.
    QStringList namesFor(const MONotificationSpy &spy, const QString &path) const;

    KerloLocal server;
    RecordingApplicationDelegate application;
    QTemporaryDir local;
};

void TestObjectsFacade::initTestCase()
{
    ModelTest::useTemporaryDataLocation();
    QVERIFY(server.start());
    QVERIFY(local.isValid());
    // Made before the core is initialised: it must still hear the core afterwards.
    QTest::ignoreMessage(QtWarningMsg, "MOObjectsManager: the core is not initialised yet");
    objects();
    QVERIFY(ModelTest::startApplication(server, &application));
    MONotificationManager::sharedInstance();

    QCOMPARE(ModelTest::signIn(demoEmail, TestData::demoPassword), QString());
    objects()->start();
}

void TestObjectsFacade::init()
{
    QVERIFY(server.reset());
}

QString TestObjectsFacade::writeFile(const QString &name, const QByteArray &content)
{
    const QString path = local.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return path;
}

QStringList TestObjectsFacade::namesFor(const MONotificationSpy &spy, const QString &path) const
{
    QStringList names;
    for (const MOPostedNotification &notification : spy.notifications) {
        const MOObjectTransferRequest request = transferOf(notification).transferRequest();
        if (request.sourcePath() == path || request.destinationPath() == path)
            names.append(notification.name);
    }
    return names;
}

void TestObjectsFacade::listingKeepsTheCallersUserData()
{
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Root/a.txt"), "a").isEmpty());
    MONotificationSpy listed(objects()->notificationCenter(), MOObjectsListDidFetchNotification);
    QObject node;
    objects()->listObjectsAtPath(QStringLiteral("/"), true, QVariant::fromValue(&node));
    const QVariantMap row{{"MCRequestedActionTypeKey", 1}};
    objects()->listObjectsAtPath(QStringLiteral("/Root"), true, row);
    QVERIFY(listed.waitForCount(2));
    // Answered from the listing cache this time.
    objects()->listObjectsAtPath(QStringLiteral("/Root"), false, QVariant());
    QVERIFY(listed.waitForCount(3));
    QVERIFY(listed.allOnMainThread());

    // The two listings travel at once; their answers may come in either order.
    const bool rootFirst = MOObjectsNotification(listed.at(0)).basePath() == QLatin1String("/");
    QCOMPARE(listed.at(0).object, objects());
    const MOObjectsNotification root(listed.at(rootFirst ? 0 : 1));
    const MOObjectsNotification folder(listed.at(rootFirst ? 1 : 0));
    QCOMPARE(root.basePath(), QStringLiteral("/"));
    QCOMPARE(root.userData().value<QObject *>(), &node);
    const QList<MOStorageObject> rootObjects = root.objects();
    QCOMPARE(root.objectsByFolder().keys(), QStringList{"/"});
    QVERIFY(std::any_of(rootObjects.cbegin(), rootObjects.cend(), [](const MOStorageObject &o) {
        return o.fullPath() == QLatin1String("/Root");
    }));

    QCOMPARE(folder.userData().toMap(), row);
    const QList<MOStorageObject> children = folder.objects();
    QCOMPARE(children.size(), 1);
    QCOMPARE(children.at(0).fullPath(), QStringLiteral("/Root/a.txt"));
    // No user data: no key.
    QVERIFY(!listed.at(2).userInfo.contains(MOObjectsManagerUserDataKey));
    QVERIFY(!MOObjectsNotification(listed.at(2)).userData().isValid());
}

void TestObjectsFacade::missingPathReachesTheHierarchyDelegate()
{
    RecordingHierarchyDelegate delegate;
    objects()->setHierarchyDelegate(&delegate);
    objects()->listObjectsAtPath(QStringLiteral("/Nowhere"), true, QStringLiteral("gone"));
    QTRY_COMPARE_WITH_TIMEOUT(delegate.paths.size(), 1, 10000);
    QCOMPARE(delegate.paths.at(0), QStringLiteral("/Nowhere"));
    QCOMPARE(delegate.errors.at(0).domain(), kMObjectsFetchingDomain);
    QCOMPARE(delegate.errors.at(0).code(), qint64(0));
    QCOMPARE(delegate.userDatas.at(0).toString(), QStringLiteral("gone"));
    objects()->setHierarchyDelegate(nullptr);
}

void TestObjectsFacade::metadataAndCopyPost()
{
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Meta/m.txt"), "meta").isEmpty());
    MONotificationSpy info(objects()->notificationCenter(), MOObjectInfoDidFetchNotification);
    objects()->fetchInfoForObjectAtPath(QStringLiteral("/Meta/m.txt"), 7);
    QVERIFY(info.waitForCount(1));
    const MOObjectsNotification fetched(info.last());
    QCOMPARE(fetched.object().fullPath(), QStringLiteral("/Meta/m.txt"));
    QCOMPARE(fetched.object().size(), qint64(4));
    QCOMPARE(fetched.object().type(), MOStorageObject::RegularFile);
    QCOMPARE(fetched.userData().toInt(), 7);
    QVERIFY(fetched.objects().isEmpty() && fetched.pairs().isEmpty());

    MONotificationSpy copied(objects()->notificationCenter(), MOObjectCopiedUpdateNotification);
    objects()->doCopyObjectAtPath(QStringLiteral("/Meta/m.txt"), QStringLiteral("/Meta/c.txt"),
                                  QStringLiteral("copy"));
    QVERIFY(copied.waitForCount(1));
    QVERIFY(copied.last().userInfo.contains(MOStorageObjectCurrent));
    const MOObjectsNotification copy(copied.last());
    QCOMPARE(copy.object().fullPath(), QStringLiteral("/Meta/c.txt"));
    QCOMPARE(copy.originalObject().fullPath(), QStringLiteral("/Meta/m.txt"));
    QCOMPARE(copy.userData().toString(), QStringLiteral("copy"));
}

void TestObjectsFacade::changesReachTheService()
{
    // Folder creation, renames and deletes are answered by live updates; here they must at
    // least reach the service, a deleted object by its one-separator path.
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Work/old.txt"), "old").isEmpty());
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Work/x.txt"), "x").isEmpty());
    objects()->createDirectoryAtPath(QStringLiteral("/Work/New"), QVariant());
    objects()->renameObjectAtPath(QStringLiteral("/Work/old.txt"), QStringLiteral("/Work/new.txt"),
                                  QVariant());
    MOStorageObject x;
    x.setBasePath(QStringLiteral("/Work/"));
    x.setLabel(QStringLiteral("x.txt"));
    objects()->deleteObject(x, QVariant());
    const auto sent = [this](const QString &path) {
        for (const QJsonValue &request : server.requests())
            if (request.toObject().value("path").toString() == path)
                return request.toObject();
        return QJsonObject();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!sent("/api/v1/objects/delete").isEmpty(), 10000);
    QVERIFY(sent("/api/v1/objects/delete").value("body").toString().contains("\"/Work/x.txt\""));
    QTRY_VERIFY_WITH_TIMEOUT(!sent("/api/v1/objects/mkdir/Work/New").isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!sent("/api/v1/objects/rename").isEmpty(), 10000);
}

void TestObjectsFacade::shareLinksPost()
{
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Shared/s.txt"), "share").isEmpty());
    MONotificationCenter *center = objects()->notificationCenter();
    MONotificationSpy shared(center, MOObjectsDidGetShareLinkNotification);
    objects()->getShareLinkForObject(QStringLiteral("/Shared/s.txt"), 1);
    QVERIFY(shared.waitForCount(1));
    const QUrl url = MOShareLinkNotification(shared.last()).url();
    QVERIFY(url.isValid() && !url.isEmpty());
    QCOMPARE(MOShareLinkNotification(shared.last()).object().fullPath(),
             QStringLiteral("/Shared/s.txt"));
    QCOMPARE(MOShareLinkNotification(shared.last()).userData().toInt(), 1);

    MONotificationSpy listed(center, MOObjectsDidGetShareLinksListNotification);
    objects()->getShareLinksListWithLimit(20, 40, 2);
    QVERIFY(listed.waitForCount(1));
    QCOMPARE(MOShareLinkNotification(listed.last()).userData().toInt(), 2);
    bool offsetFirst = false;
    for (const QJsonValue &request : server.requests())
        if (request.toObject().value("path").toString() == "/api/v1/sharelinks/list")
            offsetFirst = request.toObject().value("query").toString().contains("offset=40") &&
                          request.toObject().value("query").toString().contains("limit=20");
    QVERIFY(offsetFirst);

    objects()->getShareLinksListWithLimit(20, 0, QVariant());
    QVERIFY(listed.waitForCount(2));
    const QList<MOShareLink> links = MOShareLinkNotification(listed.last()).links();
    QVERIFY(!links.isEmpty());

    MONotificationSpy revoked(center, MOObjectsDidGetShareLinkRevokedNotification);
    objects()->revokeShareLinkForToken(links.first().token(), 3);
    QVERIFY(revoked.waitForCount(1));
    QVERIFY(MOShareLinkNotification(revoked.last()).revokedLink() == links.first());

    MONotificationSpy mailed(center, MOObjectsDidSendShareLinkViaEmailNotification);
    objects()->sendShareLinkByEmailWithShareLink(url, QStringLiteral("/Shared/s.txt"),
                                                 {QStringLiteral("friend@example.org")},
                                                 QStringLiteral("Look"));
    QVERIFY(mailed.waitForCount(1));
    const MOShareLinkNotification sent(mailed.last());
    QCOMPARE(sent.filename(), QStringLiteral("s.txt"));
    QCOMPARE(sent.recipients(), QStringList{"friend@example.org"});
    QCOMPARE(sent.errors(), QStringList());
    QVERIFY(sent.links().isEmpty() && !sent.userData().isValid());
    QVERIFY(!mailed.last().userInfo.contains(MOObjectsManagerUserDataKey));
    QVERIFY(mailed.allOnMainThread() && revoked.allOnMainThread() && listed.allOnMainThread());
}

void TestObjectsFacade::uploadAndDownloadReportEveryStep()
{
    MONotificationSpy spy(objects()->notificationCenter(), QString());
    // Large enough for progress to be reported, as a rule, before the end.
    QByteArray content(48 * 1024 * 1024, '\0');
    for (int i = 0; i < content.size(); i += 4096)
        content[i] = char(i / 4096);
    const QString source = writeFile(QStringLiteral("big.bin"), content);
    MOObjectTransferRequest upload(source, QStringLiteral("/Big/big.bin"), 0);
    QVariantMap context = upload.userData().toMap();
    context.insert(QStringLiteral("row"), 11);
    upload.setUserData(context);
    objects()->transferObject(upload);
    QTRY_VERIFY_WITH_TIMEOUT(namesFor(spy, source).contains(MOObjectTransferDidFinishNotification),
                             120000);
    // Progress is coalesced by the core to one report per 500 ms: a run that ends sooner after
    // its first progress reports none. Whatever came must lie between start and finish.
    const auto inOrder = [](QStringList names) {
        names.removeDuplicates();
        const int progress = names.indexOf(MOObjectTransferDidProgressNotification);
        names.removeAll(MOObjectTransferDidProgressNotification);
        return names == QStringList{MOObjectTransferWillStartNotification,
                                    MOObjectTransferDidStartNotification,
                                    MOObjectTransferDidFinishNotification} &&
               (progress < 0 || progress == 2);
    };
    QVERIFY2(inOrder(namesFor(spy, source)), qPrintable(namesFor(spy, source).join(' ')));
    const MOPostedNotification &finished = spy.last();
    QCOMPARE(finished.userInfo.keys().size(), 3);
    QCOMPARE(MOTransferNotification(finished).domain(), kMOObjectsTransferDomain);
    QVERIFY(!MOTransferNotification(finished).isCaching());
    QCOMPARE(MOTransferNotification(finished).requestType(), qint64(12));
    QVERIFY(MOTransferNotification(finished).error().isNull());
    const MOObjectTransfer done = transferOf(finished);
    QCOMPARE(done.state(), MOObjectTransfer::Completed);
    QVERIFY(!done.group().has_value());
    // The caller's context came back with the transfer.
    QCOMPARE(done.transferRequest().userData().toMap().value("row").toInt(), 11);

    const QString destination = local.filePath(QStringLiteral("back.bin"));
    objects()->transferObject(
        MOObjectTransferRequest(QStringLiteral("/Big/big.bin"), destination, 1));
    QTRY_VERIFY_WITH_TIMEOUT(
        namesFor(spy, destination).contains(MOObjectTransferDidFinishNotification), 120000);
    QVERIFY2(inOrder(namesFor(spy, destination)), qPrintable(namesFor(spy, destination).join(' ')));
    QCOMPARE(MOTransferNotification(spy.last()).requestType(), qint64(13));
    QCOMPARE(transferOf(spy.last()).transferRequest().direction(),
             MOObjectTransferRequest::Download);
    QFile back(destination);
    QVERIFY(back.open(QIODevice::ReadOnly));
    QVERIFY(back.readAll() == content);
    QVERIFY(spy.allOnMainThread());
}

void TestObjectsFacade::transfersAskedDuringFolderReadsGo()
{
    // A folder read reports its end from the pool just before its task is over. Transfers asked
    // for meanwhile wait for it, and must go even when the main thread hears of the end at once.
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/After/a.txt"), "after").isEmpty());
    QVERIFY(!writeFile(QStringLiteral("Quick/q.txt"), "q").isEmpty());
    MONotificationSpy spy(objects()->notificationCenter(), QString());
    for (int round = 0; round < 25; ++round) {
        objects()->transferDirectory(MOObjectTransferRequest(
            local.filePath(QStringLiteral("Quick")), QStringLiteral("/Quick%1").arg(round), 0));
        const QString destination = local.filePath(QStringLiteral("after-%1.txt").arg(round));
        objects()->transferObject(
            MOObjectTransferRequest(QStringLiteral("/After/a.txt"), destination, 1));
        // An event loop that answers at once, as the program's does (QTRY sleeps between polls).
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(1);
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (namesFor(spy, destination).contains(MOObjectTransferWillStartNotification))
                loop.quit();
        });
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        poll.start();
        loop.exec();
        QVERIFY2(namesFor(spy, destination).contains(MOObjectTransferWillStartNotification),
                 qPrintable(QStringLiteral("round %1").arg(round)));
    }
}

void TestObjectsFacade::pauseResumeAndCancel()
{
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Hold/h.txt"), "held").isEmpty());
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Hold/c.txt"), "cancelled").isEmpty());
    QVERIFY(server.hang(QStringLiteral("/api/v1/object/Hold/h.txt"), 1));
    QVERIFY(server.hang(QStringLiteral("/api/v1/object/Hold/c.txt"), 1));
    MONotificationSpy spy(objects()->notificationCenter(), QString());
    const QString held = local.filePath(QStringLiteral("h.txt"));
    const QString cancelled = local.filePath(QStringLiteral("c.txt"));
    objects()->transferObject(MOObjectTransferRequest(QStringLiteral("/Hold/h.txt"), held, 1));
    objects()->transferObject(MOObjectTransferRequest(QStringLiteral("/Hold/c.txt"), cancelled, 1));
    QTRY_VERIFY_WITH_TIMEOUT(
        namesFor(spy, held).contains(MOObjectTransferDidStartNotification) &&
            namesFor(spy, cancelled).contains(MOObjectTransferDidStartNotification),
        20000);

    const auto last = [&spy](const QString &path) {
        for (int i = spy.count() - 1; i >= 0; --i) {
            const MOObjectTransferRequest request = transferOf(spy.at(i)).transferRequest();
            if (request.destinationPath() == path)
                return transferOf(spy.at(i));
        }
        return MOObjectTransfer();
    };
    objects()->pauseTransfer(last(held));
    QTRY_VERIFY_WITH_TIMEOUT(namesFor(spy, held).contains(MOObjectTransferDidPauseNotification),
                             20000);
    objects()->resumeTransfer(last(held));
    QTRY_VERIFY_WITH_TIMEOUT(namesFor(spy, held).contains(MOObjectTransferDidFinishNotification),
                             20000);
    const QStringList heldNames = namesFor(spy, held);
    const int paused = heldNames.indexOf(MOObjectTransferDidPauseNotification);
    // The resumed run starts again after the pause and ends the transfer.
    QVERIFY(heldNames.indexOf(MOObjectTransferDidResumeNotification, paused) > paused ||
            heldNames.indexOf(MOObjectTransferDidStartNotification, paused) > paused);
    QFile file(held);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("held"));

    objects()->cancelTransfer(last(cancelled));
    QTRY_VERIFY_WITH_TIMEOUT(
        namesFor(spy, cancelled).contains(MOObjectTransferDidCancelNotification), 20000);
    QVERIFY(!namesFor(spy, cancelled).contains(MOObjectTransferDidFinishNotification));
    QVERIFY(spy.allOnMainThread());
}

void TestObjectsFacade::serverErrorAbortsTheTransfer()
{
    QVERIFY(server.forceStatus(QStringLiteral("/api/v1/objects/Fail/f.txt"), 500,
                               R"({"error_code":901})"));
    MONotificationSpy aborted(objects()->notificationCenter(),
                              MOObjectTransferDidAbortNotification);
    const QString source = writeFile(QStringLiteral("f.txt"), "fails");
    objects()->transferObject(MOObjectTransferRequest(source, QStringLiteral("/Fail/f.txt"), 0));
    QVERIFY(aborted.waitForCount(1, 20000));
    const MOTransferNotification failed(aborted.last());
    QCOMPARE(failed.error().domain(), kMOObjectsTransferDomain);
    QCOMPARE(failed.error().code(), qint64(901));
    QCOMPARE(failed.transfer().state(), MOObjectTransfer::Error);
    QCOMPARE(failed.transfer().transferRequest().direction(), MOObjectTransferRequest::Upload);
    QCOMPARE(failed.domain(), kMOObjectsTransferDomain);
    QCOMPARE(aborted.last().userInfo.keys().size(), 4);
}

void TestObjectsFacade::folderUploadReportsItsGroup()
{
    for (int i = 0; i < 5; ++i)
        QVERIFY(!writeFile(QStringLiteral("Folder/sub/%1.txt").arg(i), QByteArray(100, 'a' + i))
                     .isEmpty());
    MONotificationSpy groups(objects()->notificationCenter(), QString());
    objects()->transferDirectory(MOObjectTransferRequest(local.filePath(QStringLiteral("Folder")),
                                                         QStringLiteral("/Up"), 0));
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(groups.notifications.cbegin(), groups.notifications.cend(),
                                         [](const MOPostedNotification &n) {
                                             return n.name ==
                                                    MOObjectTransferGroupDidFinishNotification;
                                         }),
                             60000);
    QStringList names;
    MOObjectTransferGroup group;
    int memberFinishes = 0;
    for (const MOPostedNotification &notification : groups.notifications) {
        if (groupNames().contains(notification.name)) {
            names.append(notification.name);
            QCOMPARE(notification.userInfo.keys(), QStringList{MOObjectTransferGroupKey});
            group = MOTransferGroupNotification(notification).group();
        } else if (notification.name == MOObjectTransferDidFinishNotification) {
            ++memberFinishes;
            // Members of a directory upload carry the upload type and their group.
            QCOMPARE(MOTransferNotification(notification).requestType(), qint64(12));
            QVERIFY(!MOTransferGroupNotification(notification).group().isValid());
            QCOMPARE(transferOf(notification).group()->identifier(), group.identifier());
        }
    }
    names.removeDuplicates();
    QCOMPARE(names.first(), MOObjectTransferGroupWillStartNotification);
    QVERIFY(names.contains(MOObjectTransferGroupDidStartNotification));
    QCOMPARE(names.last(), MOObjectTransferGroupDidFinishNotification);
    QCOMPARE(memberFinishes, 5);
    QVERIFY(group.isValid());
    QCOMPARE(group.completedCount(), qint64(5));
    QCOMPARE(group.state(), MOObjectTransfer::Completed);
    QVERIFY(groups.allOnMainThread());
}

void TestObjectsFacade::existingFileIsReportedWithItsRequest()
{
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Exists/e.txt"), "remote").isEmpty());
    MONotificationSpy notes(MONotificationManager::sharedInstance()->notificationCenter(),
                            MONotification);
    const QString source = writeFile(QStringLiteral("e.txt"), "local");
    objects()->transferObject(MOObjectTransferRequest(source, QStringLiteral("/Exists/e.txt"), 0));
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(notes.notifications.cbegin(), notes.notifications.cend(),
                                         [](const MOPostedNotification &n) {
                                             return MOCoreNotification(n).errorCode() == 801;
                                         }),
                             20000);
    for (const MOPostedNotification &notification : notes.notifications) {
        const MOCoreNotification note(notification);
        if (note.errorCode() != 801)
            continue;
        QCOMPARE(notification.object, MONotificationManager::sharedInstance());
        QCOMPARE(note.type(), quint64(MOCoreNotification::Error));
        QCOMPARE(note.transferRequest().sourcePath(), source);
        QCOMPARE(note.transferRequest().destinationPath(), QStringLiteral("/Exists/e.txt"));
        QVERIFY(!note.message().isEmpty());
    }
    QVERIFY(notes.allOnMainThread());

    // Any other notification reads as empty.
    const MOCoreNotification foreign(MOPostedNotification{QStringLiteral("x"), nullptr, {}});
    QVERIFY(foreign.message().isNull());
    QCOMPARE(foreign.errorCode(), quint64(0));
    QVERIFY(!foreign.storageObject().has_value());
    QVERIFY(foreign.transferRequest().sourcePath().isNull());
}

void TestObjectsFacade::manyTransfersAreScheduledInOrder()
{
    // More than one turn of the event loop can schedule: the rest follow on the next turns,
    // every one, in the order asked.
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Many/m.txt"), "many").isEmpty());
    MONotificationSpy spy(objects()->notificationCenter(), MOObjectTransferWillStartNotification);
    QStringList asked;
    for (int i = 0; i < 400; ++i) {
        asked.append(local.filePath(QStringLiteral("many-%1.txt").arg(i)));
        objects()->transferObject(
            MOObjectTransferRequest(QStringLiteral("/Many/m.txt"), asked.last(), 1));
    }
    const auto scheduled = [&spy] {
        QStringList destinations;
        for (const MOPostedNotification &notification : spy.notifications) {
            const QString destination =
                transferOf(notification).transferRequest().destinationPath();
            if (!destinations.contains(destination))
                destinations.append(destination);
        }
        return destinations;
    };
    QTRY_COMPARE_WITH_TIMEOUT(scheduled().size(), asked.size(), 60000);
    QCOMPARE(scheduled(), asked);
}

void TestObjectsFacade::thumbnailsReachThePreviewDelegate()
{
    const QByteArray png = TestImages::png(16);
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Pics/p.png"), png).isEmpty());
    RecordingPreviewDelegate delegate;
    MOPreviewManager *previews = MOPreviewManager::defaultManager();
    previews->setDelegate(&delegate);
    QVERIFY(previews->isPathPreviewable(QStringLiteral("/Pics/P.PNG")));
    QVERIFY(!previews->isPathPreviewable(QStringLiteral("/Pics/p.tiff")));
    QVERIFY(previews->getCachedFilePath(QStringLiteral("/Pics/p.png"), 128).isNull());

    previews->submitPreviewRequestForPath(QStringLiteral("/Pics/p.png"), 128);
    QTRY_COMPARE_WITH_TIMEOUT(delegate.previews.size(), 1, 20000);
    QCOMPARE(delegate.previews.at(0).at(0), QStringLiteral("/Pics/p.png"));
    QCOMPARE(delegate.previews.at(0).at(2), QStringLiteral("128"));
    QVERIFY(QFile::exists(delegate.previews.at(0).at(1)));
    QVERIFY(!delegate.offMainThread);
    QCOMPARE(previews->getBestCachedFilePath(QStringLiteral("/Pics/p.png"), 32),
             delegate.previews.at(0).at(1));

    QTest::ignoreMessage(QtWarningMsg, "MOPreviewManager: no thumbnails of size 100");
    previews->submitPreviewRequestForPath(QStringLiteral("/Pics/p.png"), 100);
    previews->setDelegate(nullptr);
}

void TestObjectsFacade::cleanupTestCase()
{
    // The transfer engine's thread is stopped before the service and the core go with the
    // process: otherwise it may still retry a download while they are being destroyed.
    MOApplication::sharedInstance()->shutdown();
    QTRY_COMPARE_WITH_TIMEOUT(application.shutdownCount, 1, 20000);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestObjectsFacade test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_objectsfacade.moc"
