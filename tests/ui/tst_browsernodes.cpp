// The browser's node tree and what is built on it, without the service: tree look-ups, badges,
// natural sorting, the unsafe-name filter, the tree kept in step with model notifications, the
// icon view's item model read through the item-model API, and the drawing geometry of the
// icon items (framed thumbnails, the name's highlight) with the rename editor.
#include "list/mclistcontroller.h"
#include "mcfakenode.h"
#include "mcfilenode.h"
#include "mciconcontroller.h"
#include "mciconitemdelegate.h"
#include "mciconitemmodel.h"
#include "mcimageview.h"
#include "mclabelhighlight.h"
#include "mcnodetreemodel.h"
#include "mcnodetreeupdater.h"
#include "mcobjectnode.h"
#include "mcpreviewgenerator.h"
#include "mcpreviewgeneratordelegate.h"
#include "moconstants.h"
#include "mopostednotification.h"

#include "testimages.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

namespace {

MOStorageObject object(const QString &base, const QString &label, bool folder = false,
                       qint64 size = 10, const QString &mime = QString())
{
    MOStorageObject result;
    result.setBasePath(base);
    result.setLabel(label);
    result.setType(folder ? MOStorageObject::Directory : MOStorageObject::RegularFile);
    result.setSize(size);
    result.setMIMEType(mime);
    return result;
}

MCNodePtr folderNode(const QString &base, const QString &label)
{
    return MCObjectNode::create(object(base, label, true));
}

QSet<QString> setOf(const QStringList &list)
{
    return QSet<QString>(list.begin(), list.end());
}

QStringList names(const MCNodePtr &folder)
{
    QStringList result;
    for (const MCNodePtr &child : folder->children())
        result.append(child->fileName());
    return result;
}

MOPostedNotification posted(const QString &name, const QVariantMap &userInfo)
{
    MOPostedNotification notification;
    notification.name = name;
    notification.userInfo = userInfo;
    return notification;
}

} // namespace

class TestBrowserNodes : public QObject
{
    Q_OBJECT
private slots:
    void childAtPathFindsLoadedNodesComponentWise();
    void equalityAndBadgePriority();
    void namesSortAsPeopleReadThem();
    void sortsAgainAfterRenamesAdditionsAndByEachField();
    void unsafeNamesAndDuplicatesLeftOut();
    void attributesAndExtraLines();
    void treeFollowsListingsAndUpdates();
    void updatesAppliedTogetherEndAsOneByOne();
    void sortedFolderStaysSortedAndIndexed();
    void largeListingLoadsInSlices();
    void hiddenFilesStayOutOfSight();
    void uploadPlaceholdersAndTheirFolders();
    void refusedRenameLeavesTheItemUsable();
    void itemModelFollowsTheTree();
    void framedImageLayout();
    void labelHighlightGeometry();
    void delegateDrawsAndRenamesTheBaseName();
    void previewListenersAndDecoding();
    void localNodesAndDeferredInvalidation();
};

namespace {

class RecordingListener
    : public QObject
    , public MCPreviewGeneratorDelegate
{
public:
    void previewUpdatedForNodeWithThumbnailAndSize(const QString &path, const QPixmap &thumbnail,
                                                   uint size) override
    {
        received.append({path, thumbnail.size(), size});
    }
    struct Entry
    {
        QString path;
        QSize size;
        uint bucket;
    };
    QList<Entry> received;
};

} // namespace

void TestBrowserNodes::childAtPathFindsLoadedNodesComponentWise()
{
    const MCNodePtr root = MCObjectNode::create(object(QStringLiteral("/"), QString(), true));
    QVERIFY(root->isRoot());
    QCOMPARE(root->filePath(), QStringLiteral("/"));
    const MCNodePtr foo = folderNode("/", "foo");
    const MCNodePtr foobar = folderNode("/", "foobar");
    root->setChildren({foo, foobar});
    foo->setChildren(MCNodesFromStorageObjects({object("/foo", "bar"), object("/foo", "x", true)}));
    foobar->setChildren(MCNodesFromStorageObjects({object("/foobar", "x")}));

    QCOMPARE(root->childAtPath("/"), root);
    QCOMPARE(foo->childAtPath("/foo/"), foo);
    const MCNodePtr bar = foo->childAtPath("/foo/bar");
    QVERIFY(bar);
    QCOMPARE(bar->parent(), foo);                 // found nodes know their folder
    QCOMPARE(root->childAtPath("/foo/bar"), bar); // root: two components, two levels down
    QCOMPARE(root->childAtPath("foo/bar"), bar);
    QVERIFY(!root->childAtPath("/foo/x/deeper")); // not loaded: nothing is fetched
    QVERIFY(!root->childAtPath("/nothing"));
    // "/foo" is no prefix of "/foobar/x": the textual test answered /foo's child "bar".
    QVERIFY(!foo->childAtPath("/foobar/x"));
    QVERIFY(!foo->childAtPath("/foobar"));
    QCOMPARE(root->childAtPath("/foobar/x")->filePath(), QStringLiteral("/foobar/x"));
}

void TestBrowserNodes::equalityAndBadgePriority()
{
    const MCNodePtr file = MCObjectNode::create(object("/a", "same"));
    const MCNodePtr folder = folderNode("/a", "same");
    const MCNodePtr placeholder = MCObjectNode::create(object("/a", "same"));
    placeholder->setIsPlaceholder(true);
    QVERIFY(file->isEqual(MCObjectNode::create(object("/a/", "same")).data()));
    QVERIFY(!file->isEqual(folder.data()));
    QVERIFY(!file->isEqual(placeholder.data()));
    QCOMPARE(folder->fileKind(), QStringLiteral("Folder"));

    const struct
    {
        quint64 states;
        const char *badge;
    } cases[] = {{8 | 2, "badge_sync.png"},
                 {1 | 2 | 4 | 16, "badge_download.png"},
                 {2 | 4, "badge_upload.png"},
                 {4 | 16, "badge_cached.png"},
                 {16, "badge_error.png"}};
    for (const auto &c : cases) {
        file->setStates(c.states);
        QCOMPARE(file->fileImageStatusName(), QString::fromLatin1(c.badge));
        QVERIFY(!file->fileImageStatus().isNull()); // the artwork is bundled
    }
    file->setStates(4);
    file->setStates(0);
    QVERIFY(file->fileImageStatus().isNull());
    // Clearing the bits of a node that has none leaves its badge as it was: it only goes when
    // bits that were set are cleared.
    const MCNodePtr other = MCObjectNode::create(object("/a", "b"));
    QVERIFY(other->fileImageStatus().isNull());
    other->setStates(0);
    QVERIFY(other->fileImageStatus().isNull());
    QCOMPARE(other->states(), quint64(0));
}

void TestBrowserNodes::namesSortAsPeopleReadThem()
{
    const MCNodePtr folder = folderNode("/", "f");
    QVector<MOStorageObject> objects;
    const QStringList given = {"file 10", "File 2", "file 1", "File 10", "b", "A", "a", "Ｂ"};
    for (const QString &name : given)
        objects.append(object("/f", name));
    folder->setChildren(MCNodesFromStorageObjects(objects.toList()));
    folder->sortChildrenByKey(MCAbstractObjectNode::SortByName, true);
    const QStringList ascending = names(folder);
    // Case- and width-insensitive, digit runs as numbers; equal-looking names in a fixed order.
    QCOMPARE(ascending.indexOf("File 2") < ascending.indexOf("file 10"), true);
    QCOMPARE(setOf(ascending.mid(0, 2)), (QSet<QString>{"A", "a"}));
    QCOMPARE(setOf(ascending.mid(2, 2)), (QSet<QString>{"b", "Ｂ"}));
    QCOMPARE(ascending.mid(4), (QStringList{"file 1", "File 2", ascending.at(6), ascending.at(7)}));
    QCOMPARE(setOf(ascending.mid(6)), (QSet<QString>{"file 10", "File 10"}));
    // The same order again from another input order: ties are not left to chance.
    MCNodeList shuffled = folder->children();
    std::reverse(shuffled.begin(), shuffled.end());
    MCAbstractObjectNode::sortNodes(shuffled, MCAbstractObjectNode::SortByName, true);
    QStringList again;
    for (const MCNodePtr &node : shuffled)
        again.append(node->fileName());
    QCOMPARE(again, ascending);
    folder->sortChildrenByKey(MCAbstractObjectNode::SortByName, false);
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(names(folder), descending);

    // Size, kind and date; dirty children are left alone.
    MOStorageObject big = object("/g", "big", false, 300), small = object("/g", "small", false, 2);
    const MCNodePtr g = folderNode("/", "g");
    g->setChildren(MCNodesFromStorageObjects({big, small}));
    g->sortChildrenByKey(MCAbstractObjectNode::SortBySize, true);
    QCOMPARE(names(g), (QStringList{"small", "big"}));
    g->setChildrenDirty(true);
    g->sortChildrenByKey(MCAbstractObjectNode::SortBySize, false);
    QCOMPARE(names(g), (QStringList{"small", "big"}));
}

void TestBrowserNodes::sortsAgainAfterRenamesAdditionsAndByEachField()
{
    // A name sort remembers the names' places for the next one: a renamed or a new child
    // still takes its own place, and equal names keep the order they came in.
    const MCNodePtr folder = folderNode("/", "r");
    QList<MOStorageObject> objects;
    for (const QString &name : QStringList{"item 3", "item 10", "item 1", "twin", "item 2"})
        objects.append(object("/r", name));
    objects.append(object("/r", "twin", true));
    folder->setChildren(MCNodesFromStorageObjects(objects));
    folder->sortChildrenByKey(MCAbstractObjectNode::SortByName, true);
    QCOMPARE(names(folder), (QStringList{"item 1", "item 2", "item 3", "item 10", "twin", "twin"}));
    const MCNodePtr file = folder->children().at(4);
    QVERIFY(!file->isDir());
    folder->sortChildrenByKey(MCAbstractObjectNode::SortByName, false);
    QCOMPARE(names(folder), (QStringList{"twin", "twin", "item 10", "item 3", "item 2", "item 1"}));
    QCOMPARE(folder->children().at(0), file);
    folder->children().at(2)->setFileName("aardvark");
    folder->sortChildrenByKey(MCAbstractObjectNode::SortByName, true);
    QCOMPARE(names(folder),
             (QStringList{"aardvark", "item 1", "item 2", "item 3", "twin", "twin"}));
    folder->insertChildNodes(MCNodesFromStorageObjects({object("/r", "item 20")}));
    QCOMPARE(names(folder).indexOf("item 20"), 4);
    folder->sortChildrenByKey(MCAbstractObjectNode::SortByName, false);
    QCOMPARE(names(folder),
             (QStringList{"twin", "twin", "item 20", "item 3", "item 2", "item 1", "aardvark"}));
    for (int row = 0; row < folder->children().size(); ++row)
        QCOMPARE(folder->rowOfChild(folder->children().at(row).data()), row);

    // Kinds that collate alike keep their order; dates sort by the moment, whatever the zone.
    const MCNodePtr mixed = folderNode("/", "m");
    const QStringList kinds = {"text", "CSV", "Text", "Image", "text"};
    const QDateTime base(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    const QList<QDateTime> dates = {base.addSecs(30), base, base.addSecs(-60),
                                    base.addSecs(10).toOffsetFromUtc(3600), base.addSecs(20)};
    QList<MOStorageObject> many;
    for (int i = 0; i < kinds.size(); ++i)
        many.append(object("/m", QStringLiteral("n%1").arg(i), false, 100 - i));
    mixed->setChildren(MCNodesFromStorageObjects(many));
    for (int i = 0; i < kinds.size(); ++i) {
        mixed->children().at(i)->setFileKind(kinds.at(i));
        mixed->children().at(i)->setFileDateModified(dates.at(i));
    }
    mixed->sortChildrenByKey(MCAbstractObjectNode::SortByKind, true);
    QCOMPARE(names(mixed), (QStringList{"n1", "n3", "n0", "n2", "n4"}));
    mixed->sortChildrenByKey(MCAbstractObjectNode::SortByKind, false);
    QCOMPARE(names(mixed), (QStringList{"n0", "n2", "n4", "n3", "n1"}));
    mixed->sortChildrenByKey(MCAbstractObjectNode::SortByDate, true);
    QCOMPARE(names(mixed), (QStringList{"n2", "n1", "n3", "n4", "n0"}));
    // A local time among them: compared as dates are.
    mixed->childNamed("n2")->setFileDateModified(base.addSecs(-120).toLocalTime());
    mixed->sortChildrenByKey(MCAbstractObjectNode::SortByDate, false);
    QCOMPARE(names(mixed), (QStringList{"n0", "n4", "n3", "n1", "n2"}));
    mixed->sortChildrenByKey(MCAbstractObjectNode::SortBySize, true);
    QCOMPARE(names(mixed), (QStringList{"n4", "n3", "n2", "n1", "n0"}));
}

void TestBrowserNodes::unsafeNamesAndDuplicatesLeftOut()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unusable name"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unusable name"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unusable name"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unusable name"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unusable name"));
    // A label ".." made a node whose path was the folder's parent: deleting it deleted that.
    const MCNodeList nodes = MCNodesFromStorageObjects(
        {object("/a/b", ".."), object("/a/b", "."), object("/a/b", ""), object("/a/b", "x/../.."),
         object("/a/b", QStringLiteral("n") + QChar(0)), object("/a/b", "ok"), object("/a/b", "ok"),
         object("/a/b", ".hidden")});
    QCOMPARE(nodes.size(), 2);
    QCOMPARE(nodes.at(0)->filePath(), QStringLiteral("/a/b/ok"));
    QCOMPARE(nodes.at(1)->filePath(), QStringLiteral("/a/b/.hidden"));
}

void TestBrowserNodes::attributesAndExtraLines()
{
    const MCNodePtr folder = folderNode("/", "docs");
    folder->setChildrenCount(1);
    QCOMPARE(folder->additionalFileInfo(1), QStringLiteral("1 item"));
    folder->setChildrenCount(0);
    QCOMPARE(folder->additionalFileInfo(1), QStringLiteral("0 items"));
    folder->setChildrenCount(2);
    QCOMPARE(folder->additionalFileInfo(1), QStringLiteral("2 items"));
    QCOMPARE(folder->additionalFileInfo(2), QStringLiteral("Folder"));
    QVERIFY(folder->additionalFileInfo(QVariant()).isNull());
    const MCNodePtr pdf = MCObjectNode::create(object("/", "Report.PDF", false, 1500000));
    QCOMPARE(pdf->additionalFileInfo(1), QStringLiteral("1.5 MB"));
    QCOMPARE(pdf->mimeType(), QString());
    QVERIFY(!pdf->fileKind().isEmpty());
    QVERIFY(pdf->fileKind() != QStringLiteral("Document"));
    const MCNodePtr unknown = MCObjectNode::create(object("/", "data.zzqx"));
    QCOMPARE(unknown->fileKind(), QStringLiteral("ZZQX File"));

    pdf->applyAttributesFromDictionary(
        {{"label", QVariantList{"Report.PDF", "Final.pdf"}}, {"hash", QVariantList{"", "abc"}}});
    QCOMPARE(pdf->fileName(), QStringLiteral("Final.pdf"));
    QCOMPARE(pdf->representedName(), QStringLiteral("Final.pdf"));
    QCOMPARE(pdf->contentHash(), QStringLiteral("abc"));
    QTest::ignoreMessage(QtWarningMsg, "[WARNING]: Unsupported update key: 'colour'");
    pdf->applyAttributesFromDictionary({{"colour", QVariantList{1, 2}}});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Unsafe name"));
    pdf->applyAttributesFromDictionary({{"label", QVariantList{"Final.pdf", ".."}}});
    QCOMPARE(pdf->filePath(), QStringLiteral("/Final.pdf"));
}

void TestBrowserNodes::treeFollowsListingsAndUpdates()
{
    const MCNodePtr root = MCObjectNode::create(object("/", QString(), true));
    MCNodeTreeUpdater updater(root);
    updater.applyNotification(posted(
        MOObjectsListDidFetchNotification,
        {{"MOObjectsBasePathKey", "/"},
         {"MOStorageObjectsListKey", QVariant::fromValue(QList<MOStorageObject>{
                                         object("/", "a.txt"), object("/", "Photos", true)})}}));
    QCOMPARE(names(root), (QStringList{"a.txt", "Photos"}));
    QVERIFY(!root->childrenDirty());
    QCOMPARE(root->childrenCount(), quint64(2));

    // Added (a file added again is updated in place), modified (renamed), deleted, cached.
    updater.addObjects({{"/", {object("/", "b.txt"), object("/", "a.txt", false, 99)}}});
    QCOMPARE(names(root), (QStringList{"a.txt", "Photos", "b.txt"}));
    QCOMPARE(updater.nodeAtPath("/a.txt")->fileSize(), qint64(99));
    updater.markRenameSent("/b.txt");
    const MCNodePtr b = updater.nodeAtPath("/b.txt");
    QVERIFY(b->isBusy());
    QCOMPARE(b->fileImageStatusName(), QStringLiteral("badge_sync.png"));
    updater.updateObjects({{object("/", "b.txt"), object("/", "c.txt")}});
    QCOMPARE(b->fileName(), QStringLiteral("c.txt"));
    QVERIFY(!b->isBusy()); // the service answered: the syncing bit goes too
    QCOMPARE(b->states() & MCAbstractObjectNode::Syncing, quint64(0));
    QCOMPARE(updater.nodeAtPath("/c.txt"), b);
    updater.removeObjects({{"/", {object("/", "c.txt")}}});
    QCOMPARE(names(root), (QStringList{"a.txt", "Photos"}));
    updater.nodeAtPath("/a.txt")->setStates(MCAbstractObjectNode::Cached);
    MOStorageObject uncached = object("/", "a.txt");
    updater.applyNotification(posted(MOObjectUncachedNotification,
                                     {{"MOStorageObjectKey", QVariant::fromValue(uncached)}}));
    QCOMPARE(updater.nodeAtPath("/a.txt")->states(), quint64(0));
    // Moved into a folder that is not loaded: gone from here, nothing made up there.
    updater.updateObjects({{object("/", "a.txt"), object("/Photos", "a.txt")}});
    QCOMPARE(names(root), (QStringList{"Photos"}));
    // Moved in from a folder this tree never loaded: shown, once however often reported.
    updater.updateObjects({{object("/Elsewhere", "d.txt"), object("/", "d.txt")}});
    updater.updateObjects({{object("/Elsewhere", "d.txt"), object("/", "d.txt")}});
    QCOMPARE(names(root), (QStringList{"Photos", "d.txt"}));
}

void TestBrowserNodes::updatesAppliedTogetherEndAsOneByOne()
{
    // Live updates held back and applied at once end as they would one by one; a run of one
    // kind edits the folder once (two moves out, then two deletions: one removal each).
    QList<MOStorageObject> listed;
    for (int i = 0; i < 10; ++i)
        listed.append(object("/", QStringLiteral("f%1.txt").arg(i)));
    const MOPostedNotification listing = posted(
        MOObjectsListDidFetchNotification,
        {{"MOObjectsBasePathKey", "/"}, {"MOStorageObjectsListKey", QVariant::fromValue(listed)}});
    const auto inRoot = [](const QList<MOStorageObject> &objects) {
        return QVariantMap{
            {"MOStorageObjectsMapKey", QVariantMap{{"/", QVariant::fromValue(objects)}}}};
    };
    const auto movedAway = [](int i) {
        const QString name = QStringLiteral("f%1.txt").arg(i);
        const QList<MOStorageObject> pair{object("/", name), object("/Away", name)};
        return QVariantMap{
            {"MOObjectsPairsKey", QVariantMap{{"/" + name, QVariant::fromValue(pair)}}}};
    };
    const QVector<MOPostedNotification> updates = {
        posted(MOObjectsAddedUpdateNotification, inRoot({object("/", "x.txt")})),
        posted(MOObjectsAddedUpdateNotification,
               inRoot({object("/", "x.txt", false, 5), object("/", "y.txt")})),
        posted(MOObjectsModifiedUpdateNotification, movedAway(0)),
        posted(MOObjectsModifiedUpdateNotification, movedAway(1)),
        posted(MOObjectsDeletedUpdateNotification, inRoot({object("/", "f5.txt")})),
        posted(MOObjectsDeletedUpdateNotification, inRoot({object("/", "f6.txt")})),
    };
    const MCNodePtr single = MCObjectNode::create(object("/", QString(), true));
    MCIconItemModel singleModel;
    singleModel.setRootNode(single);
    MCNodeTreeUpdater oneByOne(single);
    oneByOne.applyNotification(listing);
    for (const MOPostedNotification &update : updates)
        oneByOne.applyNotification(update);

    const MCNodePtr batched = MCObjectNode::create(object("/", QString(), true));
    MCIconItemModel model;
    model.setRootNode(batched);
    MCNodeTreeUpdater together(batched);
    together.applyNotification(listing);
    QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
    together.applyNotifications(updates);
    QCOMPARE(names(batched), names(single));
    QCOMPARE(names(batched), (QStringList{"f2.txt", "f3.txt", "f4.txt", "f7.txt", "f8.txt",
                                          "f9.txt", "x.txt", "y.txt"}));
    QCOMPARE(together.nodeAtPath("/x.txt")->fileSize(), qint64(5));
    QCOMPARE(removals.count(), 2);
}

void TestBrowserNodes::sortedFolderStaysSortedAndIndexed()
{
    // A sorted folder under random adds, renames, moves in and out, deletions and placeholders,
    // live and the user's own, in small and large batches: after each step the rows are in the
    // order a full sort gives, every row is found by its path, and the item model agrees.
    const MCNodePtr root = MCObjectNode::create(object("/", QString(), true));
    MCIconItemModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRootNode(root);
    model.setSortType(10);
    MCNodeTreeUpdater updater(root);
    QRandomGenerator random(7);
    const auto name = [&random] {
        return QStringLiteral("%1 %2.%3")
            .arg(random.bounded(2) ? "File" : "file")
            .arg(random.bounded(3000))
            .arg(random.bounded(2) ? "txt" : "pdf");
    };
    QList<MOStorageObject> listing;
    for (int i = 0; i < 400; ++i)
        listing.append(object("/", name(), i % 10 == 0));
    QVERIFY(updater.setListing("/", listing));
    const auto check = [&](const char *step) {
        MCNodeList sorted = root->children();
        MCAbstractObjectNode::sortNodes(sorted, MCAbstractObjectNode::SortByName, true);
        QVERIFY2(sorted == root->children(), step);
        QCOMPARE(root->childrenCount(), quint64(root->children().size()));
        QCOMPARE(model.rowCount(), root->children().size());
        for (int row = 0; row < root->children().size(); ++row) {
            const MCNodePtr child = root->children().at(row);
            QCOMPARE(model.nodeAt(model.index(row)), child);
            if (child->isPlaceholder())
                QCOMPARE(updater.placeholderAtPath(child->filePath()), child);
            else
                QCOMPARE(updater.nodeAtPath(child->filePath())->fileName(), child->fileName());
            QVERIFY(root->childrenNamed(child->fileName()).contains(child));
        }
    };
    check("listing");
    for (int round = 0; round < 6; ++round) {
        // Many at a time on even rounds (merged and compacted), a few on odd ones.
        const int batch = round % 2 ? 5 : 150;
        QList<MOStorageObject> added;
        for (int i = 0; i < batch; ++i)
            added.append(object("/", name()));
        updater.addObjects({{"/", added}});
        check("added");
        QVector<QPair<MOStorageObject, MOStorageObject>> changes;
        for (int i = 0; i < batch; ++i) {
            const MCNodePtr child = root->children().at(random.bounded(root->children().size()));
            if (child->isPlaceholder())
                continue;
            const MOStorageObject before = object("/", child->fileName(), child->isDir());
            // Renamed here, moved out, or moved in from elsewhere.
            if (i % 3 == 0)
                changes.append({before, object("/", name(), child->isDir())});
            else if (i % 3 == 1)
                changes.append({before, object("/Elsewhere", child->fileName(), child->isDir())});
            else
                changes.append({object("/Elsewhere", "x"), object("/", name())});
        }
        updater.updateObjects(changes);
        check("moved and renamed");
        QList<MOStorageObject> gone;
        for (int i = 0; i < batch; ++i) {
            const MCNodePtr child = root->children().at(random.bounded(root->children().size()));
            gone.append(object("/", child->fileName(), child->isDir()));
        }
        updater.removeObjects({{"/", gone}});
        check("deleted");
        const QString uploaded = name();
        updater.registerPlaceholder(MCFakeNode::create("/", uploaded, false), "/");
        check("placeholder");
        updater.addObjects({{"/", {object("/", uploaded)}}});
        QVERIFY(!updater.placeholderAtPath("/" + uploaded));
        check("placeholder replaced");
    }
    // Another order: descending sizes, kept for what comes next.
    model.setSortType(19);
    updater.addObjects(
        {{"/", {object("/", "big", false, 1 << 30), object("/", "small", false, 0)}}});
    QCOMPARE(root->children().first()->fileName(), QStringLiteral("big"));
    QCOMPARE(root->children().last()->fileName(), QStringLiteral("small"));
}

void TestBrowserNodes::largeListingLoadsInSlices()
{
    // A listing large enough to be made on another thread ends with the rows the same listing
    // gives at once, in order; a folder left while its listing is made never shows its rows.
    QList<MOStorageObject> objects;
    for (int i = 25000; i > 0; --i)
        objects.append(object("/Big", QStringLiteral("item %1.txt").arg(i), i % 100 == 0));
    const auto listing = [&objects](const QString &base) {
        return posted(MOObjectsListDidFetchNotification,
                      {{"MOObjectsBasePathKey", base},
                       {"MOStorageObjectsListKey", QVariant::fromValue(objects)}});
    };
    MCIconController view(nullptr, nullptr, nullptr);
    QAbstractItemModelTester tester(view.itemModel(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy loaded(&view, &MCBrowsableViewController::listingLoaded);
    view.setCurrentNode(folderNode("/", "Big"));
    view.updater().registerPlaceholder(MCFakeNode::create("/Big", "item 5000.5.txt", false),
                                       "/Big");
    view.listingArrived(listing("/Big"));
    QVERIFY(view.isLoadingListing("/Big"));
    QVERIFY(loaded.wait(30000));
    QCOMPARE(loaded.takeFirst().first().toString(), QStringLiteral("/Big"));
    QVERIFY(!view.isLoadingListing("/Big"));

    const MCNodePtr reference = folderNode("/", "Big");
    MCIconItemModel referenceModel;
    referenceModel.setRootNode(reference);
    MCNodeTreeUpdater direct(reference);
    direct.registerPlaceholder(MCFakeNode::create("/Big", "item 5000.5.txt", false), "/Big");
    QVERIFY(direct.setListing("/Big", objects));
    QStringList expected;
    for (int row = 0; row < referenceModel.rowCount(); ++row)
        expected.append(referenceModel.index(row).data().toString());
    QCOMPARE(expected.size(), objects.size() + 1);
    QCOMPARE(view.shownNames(), expected);
    QCOMPARE(view.currentNode()->childrenCount(), quint64(expected.size()));
    QCOMPARE(view.updater().nodeAtPath("/Big/item 77.txt")->fileName(),
             QStringLiteral("item 77.txt"));

    // Left for another folder while the listing is being made.
    view.setCurrentNode(folderNode("/", "Big"));
    view.listingArrived(listing("/Big"));
    view.setCurrentNode(folderNode("/", "Small"));
    QVERIFY(!view.isLoadingListing("/Big"));
    QThreadPool::globalInstance()->waitForDone();
    // The worker has ended: the rows it handed over, if any, are posted.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(view.itemModel()->rowCount(), 0);
    QCOMPARE(view.currentNode()->filePath(), QStringLiteral("/Small"));

    // A list view (sorted by name, against the listing's order): the rows come in already in
    // its order, with no reordering of them all afterwards.
    MCListController list(nullptr, nullptr);
    list.setSortType(10);
    list.setCurrentNode(folderNode("/", "Big"));
    QSignalSpy reordered(list.treeModel(), &QAbstractItemModel::layoutChanged);
    QSignalSpy listLoaded(&list, &MCBrowsableViewController::listingLoaded);
    list.listingArrived(listing("/Big"));
    QVERIFY(listLoaded.wait(30000));
    expected.removeOne(QStringLiteral("item 5000.5.txt"));
    QCOMPARE(list.shownNames(), expected);
    QCOMPARE(reordered.count(), 0);
}

void TestBrowserNodes::hiddenFilesStayOutOfSight()
{
    const MCNodePtr root = MCObjectNode::create(object("/", QString(), true));
    root->setHideHiddenFiles(true);
    MCNodeTreeUpdater updater(root);
    QVERIFY(updater.setListing(
        "/", {object("/", ".config", true), object("/", "a.txt"), object("/", ".bashrc")}));
    QCOMPARE(names(root), QStringList{"a.txt"});
    // Added, renamed into hiding and back out of it, moved in under a hidden name.
    updater.addObjects({{"/", {object("/", ".cache", true), object("/", "b.txt")}}});
    QCOMPARE(names(root), (QStringList{"a.txt", "b.txt"}));
    updater.updateObjects({{object("/", "a.txt"), object("/", ".a.txt")}});
    QCOMPARE(names(root), QStringList{"b.txt"});
    updater.updateObjects({{object("/", ".bashrc"), object("/", "bashrc")}});
    QCOMPARE(names(root), (QStringList{"b.txt", "bashrc"}));
    updater.updateObjects({{object("/Elsewhere", "c.txt"), object("/", ".c.txt")}});
    QCOMPARE(names(root), (QStringList{"b.txt", "bashrc"}));

    // Shown: every name.
    const MCNodePtr shown = MCObjectNode::create(object("/", QString(), true));
    MCNodeTreeUpdater all(shown);
    QVERIFY(all.setListing("/", {object("/", ".config", true), object("/", "a.txt")}));
    QCOMPARE(names(shown), (QStringList{".config", "a.txt"}));
    all.updateObjects({{object("/", "a.txt"), object("/", ".a.txt")}});
    QCOMPARE(names(shown), (QStringList{".config", ".a.txt"}));
}

void TestBrowserNodes::uploadPlaceholdersAndTheirFolders()
{
    QTemporaryDir local;
    QFile source(local.filePath("photo.jpg"));
    QVERIFY(source.open(QIODevice::WriteOnly) && source.write("jpeg") == 4);
    source.close();
    const MCNodePtr root = MCObjectNode::create(object("/", QString(), true));
    MCNodeTreeUpdater updater(root);
    QVERIFY(updater.setListing("/", {object("/", "Existing", true)}));

    // An upload three levels down: two made-up folders and the file, busy with its badge.
    MCNodeTreeUpdater::Transfer transfer;
    transfer.sourcePath = source.fileName();
    transfer.destinationPath = QStringLiteral("/New/Deeper/photo.jpg");
    updater.transferStarted(transfer);
    updater.transferStarted(transfer); // progress repeats the start: no second placeholder
    QCOMPARE(names(root), (QStringList{"Existing", "New"}));
    const MCNodePtr fake = updater.placeholderAtPath("/New");
    QVERIFY(fake && fake->isPlaceholder() && fake->isDir());
    const MCNodePtr file = updater.placeholderAtPath("/New/Deeper/photo.jpg");
    QVERIFY(file && file->isBusy());
    QCOMPARE(file->states(), quint64(MCAbstractObjectNode::Uploading));
    QCOMPARE(file->fileSize(), qint64(4));
    QCOMPARE(updater.placeholders().size(), 3);

    // A listing of "/" keeps the placeholder folder after the listed objects.
    QVERIFY(updater.setListing("/", {object("/", "Existing", true), object("/", "z")}));
    QCOMPARE(names(root), (QStringList{"Existing", "z", "New"}));

    // The upload fails: the file goes, and so do the folders made up for it (they stayed).
    transfer.completed = false;
    updater.transferEnded(transfer);
    QVERIFY(updater.placeholders().isEmpty());
    QCOMPARE(names(root), (QStringList{"Existing", "z"}));

    // A completed upload: the placeholder stops being busy until the object is listed.
    MCNodeTreeUpdater::Transfer second;
    second.sourcePath = source.fileName();
    second.destinationPath = QStringLiteral("/photo.jpg");
    updater.transferStarted(second);
    updater.transferEnded(second);
    QVERIFY(!updater.placeholderAtPath("/photo.jpg")->isBusy());
    updater.addObjects({{"/", {object("/", "photo.jpg")}}});
    QVERIFY(!updater.placeholderAtPath("/photo.jpg"));
    QCOMPARE(names(root), (QStringList{"Existing", "z", "photo.jpg"}));
    QVERIFY(!root->children().last()->isPlaceholder());

    // Progress reports that come after the upload's object was listed: the listed row stays
    // the only one and shows the upload until it ends; the end leaves no placeholder.
    MCIconItemModel model;
    model.setRootNode(root);
    const int rows = model.rowCount();
    MCNodeTreeUpdater::Transfer late;
    late.sourcePath = source.fileName();
    late.destinationPath = QStringLiteral("/late.jpg");
    updater.transferStarted(late);
    QCOMPARE(model.rowCount(), rows + 1);
    updater.addObjects({{"/", {object("/", "late.jpg")}}});
    QCOMPARE(model.rowCount(), rows + 1);
    for (int i = 0; i < 3; ++i)
        updater.transferStarted(late);
    QCOMPARE(model.rowCount(), rows + 1);
    QCOMPARE(names(root).count("late.jpg"), 1);
    QVERIFY(!updater.placeholderAtPath("/late.jpg"));
    QVERIFY(updater.nodeAtPath("/late.jpg")->states() & MCAbstractObjectNode::Uploading);
    late.object = object("/", "late.jpg");
    updater.transferEnded(late);
    QCOMPARE(model.rowCount(), rows + 1);
    QVERIFY(updater.placeholders().isEmpty());
    QCOMPARE(updater.nodeAtPath("/late.jpg")->states(), quint64(0));

    // An upload that completes before its object is listed: the object the service stored
    // takes the placeholder's row, and the listing after it adds no other.
    MCNodeTreeUpdater::Transfer early;
    early.sourcePath = source.fileName();
    early.destinationPath = QStringLiteral("/early.jpg");
    updater.transferStarted(early);
    early.object = object("/", "early.jpg");
    updater.transferEnded(early);
    QVERIFY(updater.placeholders().isEmpty());
    QCOMPARE(model.rowCount(), rows + 2);
    updater.addObjects({{"/", {object("/", "early.jpg")}}});
    QCOMPARE(model.rowCount(), rows + 2);
    QCOMPARE(names(root).count("early.jpg"), 1);
    QCOMPARE(updater.nodeAtPath("/early.jpg")->states(), quint64(0));
}

void TestBrowserNodes::refusedRenameLeavesTheItemUsable()
{
    const MCNodePtr root = MCObjectNode::create(object("/", QString(), true));
    MCNodeTreeUpdater updater(root);
    updater.setListing("/", {object("/", "keep.txt")});
    MCIconItemModel model;
    model.setRootNode(root);
    updater.markRenameSent("/keep.txt");
    QVERIFY(!(model.flags(model.index(0)) & Qt::ItemIsSelectable));
    updater.abortRenamingNodeAtPath("/keep.txt");
    QCOMPARE(updater.nodeAtPath("/keep.txt")->states(), quint64(0));
    QVERIFY(model.flags(model.index(0)) & Qt::ItemIsSelectable);

    // A folder being named that the service refuses goes away.
    const QSharedPointer<MCFakeNode> untitled = MCFakeNode::create("/", "Untitled Folder", true);
    untitled->setStates(MCAbstractObjectNode::Uploading);
    updater.registerPlaceholder(untitled, "/");
    QCOMPARE(model.rowCount(), 2);
    updater.abortRenamingNodeAtPath("/Untitled Folder");
    QCOMPARE(model.rowCount(), 1);
}

void TestBrowserNodes::itemModelFollowsTheTree()
{
    const MCNodePtr root = MCObjectNode::create(object("/", QString(), true));
    MCIconItemModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRootNode(root);
    MCNodeTreeUpdater updater(root);
    updater.setListing(
        "/", {object("/", "file 10"), object("/", "File 2"), object("/", "Folder", true)});
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(model.setSortType(10));
    QCOMPARE(model.index(0).data().toString(), QStringLiteral("File 2"));
    QCOMPARE(model.index(1).data().toString(), QStringLiteral("file 10"));

    // A selection or a current item follows its node through a new order.
    QPersistentModelIndex folder = model.index(2);
    QCOMPARE(folder.data().toString(), QStringLiteral("Folder"));
    QVERIFY(model.setSortType(11));
    QCOMPARE(folder.row(), 0);
    QCOMPARE(folder.data(MCIconItemModel::IsDirRole).toBool(), true);
    // Date added and unknown codes keep the order in force.
    QVERIFY(!model.setSortType(16));
    QVERIFY(!model.setSortType(20));
    QCOMPARE(model.sortType(), 20);
    QCOMPARE(folder.row(), 0);

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    updater.addObjects({{"/", {object("/", "new.png", false, 5)}}});
    QCOMPARE(inserted.count(), 1);
    updater.removeObjects({{"/", {object("/", "File 2"), object("/", "file 10")}}});
    QCOMPARE(model.rowCount(), 2);
    QVERIFY(removed.count() >= 1);
    const QModelIndex png = model.indexOfPath("/new.png");
    QVERIFY(png.isValid());
    updater.nodeAtPath("/new.png")->setStates(MCAbstractObjectNode::Downloading);
    QVERIFY(!changed.isEmpty());
    QCOMPARE(changed.last().at(0).toModelIndex(), png);
    QVERIFY(!png.data(MCIconItemModel::BadgeRole).value<QPixmap>().isNull());
    QCOMPARE(png.data(MCIconItemModel::FilePathRole).toString(), QStringLiteral("/new.png"));
    QVERIFY(!png.data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(!png.data(MCIconItemModel::IsThumbnailRole).toBool()); // no generator: the icon
    model.setAdditionalInfoType(2);
    QCOMPARE(png.data(MCIconItemModel::AdditionalInfoRole).toString(),
             updater.nodeAtPath("/new.png")->fileKind());
    // A relisting resets; the model reads the new nodes.
    updater.setListing("/", {object("/", "only")});
    QCOMPARE(model.rowCount(), 1);
    model.setRootNode(MCNodePtr());
    QCOMPARE(model.rowCount(), 0);
}

void TestBrowserNodes::framedImageLayout()
{
    // Too small, or an image without an area: plain.
    QVERIFY(!MCImageView::framedLayout({32, 100}, {10, 10}).framed);
    QVERIFY(!MCImageView::framedLayout({128, 128}, {10, 0}).framed);
    QVERIFY(!MCImageView::framedLayout({128, 128}, {}).framed);
    const auto square = MCImageView::framedLayout({128, 128}, {300, 300});
    QVERIFY(square.framed);
    QCOMPARE(square.card, QRectF(6, 6, 116, 116));
    QCOMPARE(square.margin, 10.5);
    QCOMPARE(square.image, QRectF(11, 11, 106, 106));
    const auto wide = MCImageView::framedLayout({128, 128}, {200, 100});
    QCOMPARE(wide.rect, QRectF(0, 32, 128, 64));
    QCOMPARE(wide.margin, 10.5);
    QCOMPARE(MCImageView::marginForSide(31.9), qreal(4.45f));
    QCOMPARE(MCImageView::marginForSide(432), 23.0);
    // A non-square box fits the whole image.
    const auto tall = MCImageView::framedLayout({200, 100}, {100, 100});
    QCOMPARE(tall.rect, QRectF(50, 0, 100, 100));

    MCImageView view;
    view.resize(128, 128);
    QPixmap image(64, 64);
    image.fill(Qt::red);
    view.setAddBorder(true);
    view.setImage(image);
    const QImage drawn = view.grab().toImage();
    QCOMPARE(QColor(drawn.pixel(64, 64)), QColor(Qt::red));
    QCOMPARE(QColor(drawn.pixel(8, 64)), QColor(Qt::white)); // the card around it
    // The shadow fades out below the card instead of ending in a hard edge.
    const QImage shadow = MCImageView::cardShadow({116, 116});
    const int middle = shadow.width() / 2, bottom = MCImageView::ShadowPadding + 116;
    const int near = qAlpha(shadow.pixel(middle, bottom)),
              far = qAlpha(shadow.pixel(middle, bottom + 5));
    QVERIFY2(near > far && far > 0 && near < 209,
             qPrintable(QStringLiteral("%1 %2").arg(near).arg(far)));
    QCOMPARE(qAlpha(shadow.pixel(middle, middle)), 209); // 0.82 inside

    // The card outline: inset first, written back, and begun at the middle of the bottom edge.
    QRectF box(0, 0, 128, 128);
    const QPainterPath outline = MCImageView::shadowBoxPathForRect(&box, 6);
    QCOMPARE(box, QRectF(6, 6, 116, 116));
    QVERIFY(outline.elementAt(0).isMoveTo());
    QCOMPARE(QPointF(outline.elementAt(0)), QPointF(64, 6));
    QCOMPARE(outline.currentPosition(), QPointF(64, 6));
    QVERIFY(outline.controlPointRect().contains(QRectF(7, 6, 115, 115)));
}

void TestBrowserNodes::labelHighlightGeometry()
{
    const QRectF frame(100, 40, 80, 40);
    QCOMPARE(MCLabelHighlight(frame, {5}, false, MCLabelHighlight::Centred).rows().first().width(),
             26.0);
    const QRectF pill =
        MCLabelHighlight(frame, {30}, false, MCLabelHighlight::Centred).rows().first();
    QCOMPARE(pill, QRectF(140 - 17, 40, 34, 20)); // centred on the frame, wherever it lies
    QCOMPARE(MCLabelHighlight(frame, {5}, false, MCLabelHighlight::Left).rows().first().width(),
             19.0);
    QCOMPARE(MCLabelHighlight(frame, {30}, false, MCLabelHighlight::Left).rows().first(),
             QRectF(100, 40, 34, 20));
    QCOMPARE(MCLabelHighlight(frame, {200}, false, MCLabelHighlight::Left).rows().first().width(),
             80.0);

    // Two rows whose edges are 5 apart merge; 6 apart they are joined.
    const MCLabelHighlight merged(frame, {70, 60}, false, MCLabelHighlight::Centred);
    QVERIFY(merged.isMerged());
    QCOMPARE(merged.mergedRect().top(), 40.0);
    QCOMPARE(merged.mergedRect().height(), 40.0);
    QVERIFY(!MCLabelHighlight(frame, {70, 58}, false, MCLabelHighlight::Centred).isMerged());
    const MCLabelHighlight leftMerged(frame, {60, 55}, false, MCLabelHighlight::Left);
    QVERIFY(leftMerged.isMerged());
    // A width, not the right end's coordinate: the shape stays inside the label.
    QCOMPARE(leftMerged.mergedRect(), QRectF(101, 40, 58, 40));
    const MCLabelHighlight joined(frame, {60, 30}, false, MCLabelHighlight::Left);
    QVERIFY(!joined.isMerged());
    QCOMPARE(joined.joins().size(), 2);
    // The join sits between the rows' middles, in the frame's own coordinates.
    QVERIFY(joined.joins().first().boundingRect().top() >= 40 + 10 - 0.01);
    QVERIFY(joined.joins().first().boundingRect().bottom() <= 40 + 30 + 0.01);
    // The text goes on: the second row spans the label.
    QCOMPARE(
        MCLabelHighlight(frame, {60, 30}, true, MCLabelHighlight::Centred).rows().at(1).width(),
        80.0);
}

void TestBrowserNodes::delegateDrawsAndRenamesTheBaseName()
{
    const MCNodePtr root = MCObjectNode::create(object("/", QString(), true));
    MCNodeTreeUpdater updater(root);
    updater.setListing("/", {object("/", "photo.final.png"), object("/", ".profile"),
                             object("/", "My.Folder", true), object("/", "Chart renamed.bmp")});
    MCIconItemModel model;
    model.setRootNode(root);
    MCIconItemDelegate delegate;
    QCOMPARE(delegate.unselectedTextColor(true), QColor(Qt::gray));
    QCOMPARE(delegate.unselectedTextColor(false), QColor(Qt::black));
    delegate.setViewStyle(2);
    QCOMPARE(delegate.unselectedTextColor(true), QColor(Qt::white));
    delegate.setViewStyle(1);

    QListView view;
    view.setViewMode(QListView::IconMode);
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.setEditTriggers(QAbstractItemView::EditKeyPressed);
    view.resize(500, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setFocus();
    view.setCurrentIndex(model.index(0));
    QPalette palette = view.palette();
    palette.setColor(QPalette::Highlight, QColor(10, 200, 30));
    view.setPalette(palette);
    QTRY_VERIFY(view.selectionModel()->isSelected(model.index(0)));
    // The selected name is drawn on its highlight.
    const QImage shot = view.viewport()->grab().toImage();
    const QRect label = delegate.labelRect(view.visualRect(model.index(0)));
    bool highlighted = false;
    for (int x = label.left(); x <= label.right() && !highlighted; ++x)
        highlighted = QColor(shot.pixel(x, label.top() + 3)) == QColor(10, 200, 30);
    QVERIFY(highlighted);

    // A selected name shows all of itself, as the unselected one does: its white text is
    // seen only on the highlight, which must cover it. The hardest width is the one that
    // just fits the label: the font's spacing is tuned to it.
    const QString chartName = QStringLiteral("Chart renamed.bmp");
    const QModelIndex chart = model.indexOfPath(QLatin1Char('/') + chartName);
    QFont tight = view.font();
    tight.setPointSize(8);
    const int labelWidth = delegate.labelRect(view.visualRect(chart)).width();
    for (qreal spacing = 0.0; spacing < 5.0; spacing += 0.05) {
        tight.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
        if (QFontMetricsF(tight).horizontalAdvance(chartName) > labelWidth - 3.5)
            break;
    }
    // The label's height follows the application's font, as the view's does in the program.
    const QFont applicationFont = QApplication::font();
    QApplication::setFont(tight);
    view.setFont(tight);
    view.doItemsLayout();
    const auto extent = [&](bool selected) {
        view.clearSelection();
        if (selected)
            view.setCurrentIndex(chart);
        const QImage shot = view.viewport()->grab().toImage();
        const QRect label = delegate.labelRect(view.visualRect(chart));
        QRect found;
        for (int y = label.top(); y <= label.bottom(); ++y) {
            for (int x = label.left() - 2; x <= label.right() + 2; ++x) {
                const QColor pixel(shot.pixel(x, y));
                if (selected ? pixel == QColor(10, 200, 30) : pixel.lightness() < 128)
                    found |= QRect(x, y, 1, 1);
            }
        }
        return found;
    };
    const QRect text = extent(false), highlight = extent(true);
    QVERIFY(!text.isEmpty());
    QCOMPARE(text.height() > QFontMetrics(tight).height(), true); // two lines
    QVERIFY2(highlight.contains(text),
             qPrintable(QStringLiteral("text %1,%2 to %3,%4 outside its highlight")
                            .arg(text.left())
                            .arg(text.top())
                            .arg(text.right())
                            .arg(text.bottom())));
    QApplication::setFont(applicationFont);
    view.setFont(applicationFont);

    const struct
    {
        const char *name;
        const char *selected;
    } renames[] = {
        {"photo.final.png", "photo.final"}, {".profile", ".profile"}, {"My.Folder", "My.Folder"}};
    for (const auto &rename : renames) {
        view.setCurrentIndex(model.indexOfPath(QLatin1Char('/') + QLatin1String(rename.name)));
        QTest::keyClick(view.viewport(), Qt::Key_F2);
        QLineEdit *editor = view.viewport()->findChild<QLineEdit *>();
        QTRY_VERIFY(editor = view.viewport()->findChild<QLineEdit *>());
        QTRY_COMPARE(editor->selectedText(), QString::fromLatin1(rename.selected));
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_VERIFY(!view.viewport()->findChild<QLineEdit *>());
    }
}

void TestBrowserNodes::previewListenersAndDecoding()
{
    QTemporaryDir cache;
    // Thumbnail files have no extension: the content decides.
    QImage image(700, 350, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString file = cache.filePath("thumbnail-without-extension");
    QVERIFY(image.save(file, "PNG"));
    QCOMPARE(MCPreviewGenerator::previewWithThumbnailFile(file, 512).size(), QSize(512, 256));
    QVERIFY(MCPreviewGenerator::previewWithThumbnailFile(cache.filePath("missing")).isNull());
    // A small file whose header announces a huge image is refused before it is decoded.
    QFile huge(cache.filePath("huge"));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.write(TestImages::blankPng(5000, 5000)) > 0);
    huge.close();
    QVERIFY(huge.size() < 1024 * 1024);
    QVERIFY(MCPreviewGenerator::previewWithThumbnailFile(huge.fileName(), 512).isNull());
    QVERIFY(MCPreviewGenerator::previewWithThumbnailFile(QString()).isNull());

    MCPreviewGenerator generator(nullptr);
    RecordingListener first, second;
    QObject deaf; // not a listener of thumbnails: dropped at the first arrival
    auto *gone = new RecordingListener;
    generator.addDelegate(&first);
    generator.addDelegate(&deaf);
    generator.addDelegate(gone);
    generator.addDelegate(&second);
    generator.addDelegate(&second); // twice: told twice
    delete gone;
    QCOMPARE(generator.delegateCount(), 4);
    QSignalSpy decoded(&generator, &MCPreviewGenerator::previewDecoded);
    generator.previewUpdatedForNodeWithThumbnailPathAndSize("/a.png", file, 512);
    QVERIFY(first.received.isEmpty()); // decoded on a worker thread, handed over later
    QVERIFY(decoded.wait(10000));
    QCOMPARE(first.received.size(), 1);
    QCOMPARE(first.received.first().path, QStringLiteral("/a.png"));
    QCOMPARE(first.received.first().size, QSize(700, 350));
    QCOMPARE(second.received.size(), 2);
    QCOMPARE(generator.delegateCount(), 3);

    // Without a thumbnail facade a node shows its own icon and nothing is asked.
    const MCNodePtr node = MCObjectNode::create(object("/", "b.png"));
    bool thumbnail = true;
    QVERIFY(!generator.previewForNode(node.data(), 128, &thumbnail).isNull());
    QVERIFY(!thumbnail);
}

void TestBrowserNodes::localNodesAndDeferredInvalidation()
{
    QTemporaryDir local;
    QVERIFY(QDir(local.path()).mkdir("sub"));
    for (const char *name : {"a.txt", ".hidden"}) {
        QFile f(local.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QSharedPointer<MCFileNode> folder = MCFileNode::create(local.path());
    QVERIFY(folder->isDir());
    QCOMPARE(folder->fileSize(), qint64(3)); // a folder's size is its entry count
    folder->setHideHiddenFiles(true);
    folder->performChildrenFetching();
    QCOMPARE(names(folder), (QStringList{"a.txt", "sub"}));
    QCOMPARE(folder->children().first()->additionalFileInfo(), QStringLiteral("Zero byte"));
    const MCNodePtr kept = folder->children().first();

    folder->invalidateChildren();
    QVERIFY(!folder->childrenDirty()); // not before the event loop turns
    QTRY_VERIFY(folder->childrenDirty());
    folder->setHideHiddenFiles(false);
    folder->performChildrenFetching();
    QCOMPARE(names(folder), (QStringList{".hidden", "a.txt", "sub"}));
    QCOMPARE(folder->children().at(1), kept); // an existing child is kept, not remade

    // A node dropped before the deferred invalidation runs is simply gone.
    QSharedPointer<MCFileNode> brief = MCFileNode::create(local.path());
    brief->invalidateChildren();
    brief.reset();
    QEventLoop loop; // its 0 ms timer comes after the invalidation's
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestBrowserNodes test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browsernodes.moc"
