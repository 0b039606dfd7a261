#include "mcollaboration.h"
#include "mconversation.h"
#include "mjoininvitation.h"
#include "mmessage.h"
#include "mobjecterror.h"
#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"
#include "mobjecttransferrequest.h"
#include "mocollaboration.h"
#include "moconstants.h"
#include "moconversation.h"
#include "mojoininvitation.h"
#include "momessage.h"
#include "moobjecterror.h"
#include "moobjecttransfer.h"
#include "moobjecttransfergroup.h"
#include "moobjecttransferrequest.h"
#include "mosharelink.h"
#include "mostorageobject.h"
#include "mouseraccount.h"
#include "msharelink.h"
#include "mstorageobject.h"
#include "museraccount.h"

#include "mocorevalues_p.h"

#include <QSet>
#include <QtTest>

// The model objects over core records: what each reads, what a setter changes, equality.
class TestObjectModel : public QObject
{
    Q_OBJECT
private slots:
    void messagesAreEqualById();
    void shareLinksAreEqualByToken();
    void settersChangeOnlyTheirOwnCopy();
    void datesAreWholeSeconds();
    void accountsAndConversations();
    void storageObjectRules();
    void transferRequestDefaults();
    void unsavedTransfersEqualOnlyThemselves();
    void loneTransferHasNoGroup();
    void objectErrorBuildsAnError();
    void collaborationsCompareByToken();
};

void TestObjectModel::messagesAreEqualById()
{
    const MMessage unsent;
    const MOMessage a = MOCoreValues::messageWithCXXMessage(unsent);
    const MOMessage b = MOCoreValues::messageWithCXXMessage(unsent);
    const MOMessage aCopy = a;
    // Two wrappers of one core record without id are one message; another record is not.
    QVERIFY(a == aCopy);
    QVERIFY(a == b);
    QVERIFY(a != MOCoreValues::messageWithCXXMessage(MMessage()));

    const MMessage seven(QVariantMap{{"id", 7}, {"body", "hello"}});
    MMessage sevenEdited = seven;
    sevenEdited.setBody(QStringLiteral("edited"));
    QVERIFY(MOCoreValues::messageWithCXXMessage(seven) ==
            MOCoreValues::messageWithCXXMessage(sevenEdited));
    QCOMPARE(qHash(MOCoreValues::messageWithCXXMessage(seven)),
             qHash(MOCoreValues::messageWithCXXMessage(MMessage(seven))));
}

void TestObjectModel::shareLinksAreEqualByToken()
{
    const MOShareLink a = MOCoreValues::shareLinkWithCXXShareLink(
        MShareLink(QVariantMap{{"token", "t1"}, {"path", "/a"}}));
    const MOShareLink b = MOCoreValues::shareLinkWithCXXShareLink(
        MShareLink(QVariantMap{{"token", "t1"}, {"path", "/b"}, {"public", true}}));
    QVERIFY(a == b);
    QCOMPARE(qHash(a), qHash(b));
    QVERIFY(a != MOCoreValues::shareLinkWithCXXShareLink(MShareLink(QVariantMap{{"token", "t2"}})));

    MOShareLink link = a;
    link.setIsPublic(5);
    QCOMPARE(link.isPublic(), qint64(1));
    QCOMPARE(a.isPublic(), qint64(0));
}

void TestObjectModel::settersChangeOnlyTheirOwnCopy()
{
    const MMessage core(QVariantMap{{"id", 3}, {"body", "core"}});
    MOMessage first = MOCoreValues::messageWithCXXMessage(core);
    const MOMessage second = MOCoreValues::messageWithCXXMessage(core);
    first.setBody(QStringLiteral("changed"));
    QCOMPARE(first.body(), QStringLiteral("changed"));
    QCOMPARE(second.body(), QStringLiteral("core"));
    QCOMPARE(core.body(), QStringLiteral("core"));

    MOStorageObject object = MOCoreValues::storageObjectWithCXXStorageObject(
        MStorageObject(QStringLiteral("/Docs"), QStringLiteral("a.txt")));
    MOStorageObject copy = object;
    copy.setLabel(QStringLiteral("b.txt"));
    QCOMPARE(object.fullPath(), QStringLiteral("/Docs/a.txt"));
    QCOMPARE(copy.fullPath(), QStringLiteral("/Docs/b.txt"));

    const MObjectTransferGroup coreGroup;
    MOObjectTransferGroup group =
        MOCoreValues::objectTransferGroupWithCXXObjectTransferGroup(coreGroup);
    group.setTotalBytes(99);
    QCOMPARE(coreGroup.totalBytes(), qint64(0));
    QCOMPARE(group.totalBytes(), qint64(99));
}

void TestObjectModel::datesAreWholeSeconds()
{
    MOMessage message;
    message.setSentAt(QDateTime::fromMSecsSinceEpoch(1500999, Qt::UTC));
    QCOMPARE(message.sentAt().toMSecsSinceEpoch(), qint64(1500000));
    // Before 1970 and after 2106 stay what they are: 64-bit seconds, cut toward zero.
    message.setSentAt(QDateTime::fromMSecsSinceEpoch(-1500, Qt::UTC));
    QCOMPARE(message.sentAt().toMSecsSinceEpoch(), qint64(-1000));
    const QDateTime late(QDate(2200, 1, 1), QTime(0, 0, 0, 250), Qt::UTC);
    message.setSentAt(late);
    QCOMPARE(message.sentAt(), QDateTime(QDate(2200, 1, 1), QTime(0, 0), Qt::UTC));

    const MOShareLink link = MOCoreValues::shareLinkWithCXXShareLink(
        MShareLink(QVariantMap{{"created_at", "2024-05-06T07:08:09.750Z"}}));
    QCOMPARE(link.createdAt(), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC));
    QVERIFY(link.revokedAt().isNull());
    QVERIFY(
        MOCoreValues::joinInvitationWithCXXJoinInvitation(MJoinInvitation(QVariantMap{{"id", 9}}))
            .acceptedAt()
            .isNull());
}

void TestObjectModel::accountsAndConversations()
{
    const MUserAccount core(QVariantMap{{"id", 3},
                                        {"email", "a@x"},
                                        {"used_size", 10},
                                        {"linked_providers", QStringList{"p"}},
                                        {"conversation", QVariantMap{{"id", 12}}}});
    const MOUserAccount account = MOCoreValues::userAccountWithCXXUserAccount(core);
    QCOMPARE(account.email(), QStringLiteral("a@x"));
    QCOMPARE(account.usedSize(), qint64(10));
    QCOMPARE(account.linkedProviders(), QStringList{"p"});
    QCOMPARE(account.mainConversation().identifier(), qint64(12));
    // Equal by id when both have one, else by e-mail.
    QVERIFY(account == MOCoreValues::userAccountWithCXXUserAccount(
                           MUserAccount(QVariantMap{{"id", 3}, {"email", "b@x"}})));
    QVERIFY(account == MOCoreValues::userAccountWithCXXUserAccount(
                           MUserAccount(QVariantMap{{"email", "a@x"}})));
    QVERIFY(account != MOCoreValues::userAccountWithCXXUserAccount(
                           MUserAccount(QVariantMap{{"id", 4}, {"email", "a@x"}})));

    MOUserAccount changed = account;
    MOConversation group = MOCoreValues::conversationWithCXXConversation(
        MConversation(QVariantMap{{"id", 40}, {"group", true}}));
    changed.setMainConversation(group);
    QCOMPARE(changed.mainConversation().identifier(), qint64(40));
    QCOMPARE(account.mainConversation().identifier(), qint64(12));

    const MConversation conversation(
        QVariantMap{{"id", 5},
                    {"users", QVariantMap{{"b", QVariantMap{{"email", "b@x"}}},
                                          {"a", QVariantMap{{"email", "a@x"}}}}}});
    const MOConversation wrapped = MOCoreValues::conversationWithCXXConversation(conversation);
    const QList<MOUserAccount> first = wrapped.participants();
    QCOMPARE(first.size(), 2);
    QCOMPARE(first.at(0).email(), QStringLiteral("a@x"));
    QVERIFY(first.at(1) == wrapped.participants().at(1));
    QVERIFY(wrapped.sharesRecordWith(MOConversation(wrapped)));
    QVERIFY(!wrapped.sharesRecordWith(MOCoreValues::conversationWithCXXConversation(conversation)));
}

void TestObjectModel::storageObjectRules()
{
    MOStorageObject object;
    QCOMPARE(object.type(), MOStorageObject::Invalid);
    QVERIFY(object.label().isNull());
    QVERIFY(object.lastModified().isNull());
    QCOMPARE(object.fullPath(), QStringLiteral("/"));

    object.setBasePath(QStringLiteral("Docs/"));
    object.setLabel(QStringLiteral("a.txt"));
    QCOMPARE(object.fullPath(), QStringLiteral("/Docs/a.txt"));

    object.setMIMEType(QStringLiteral("text/plain"));
    QCOMPARE(object.metadata().value("content_type").toString(), QStringLiteral("text/plain"));
    object.setLastModified(QDateTime::fromMSecsSinceEpoch(2999, Qt::UTC));
    QCOMPARE(object.lastModified().toMSecsSinceEpoch(), qint64(2000));
    QVERIFY(object.metadata().contains("last_modified"));

    object.setConsolidated(true);
    QVERIFY(object.cached());
    object.setConsolidated(false);
    QVERIFY(object.cached());

    object.setType(qint64(1) << 32 | 1);
    QCOMPARE(object.type(), MOStorageObject::Directory);
}

void TestObjectModel::transferRequestDefaults()
{
    const MOObjectTransferRequest request(QStringLiteral("/tmp/a"), QStringLiteral("/a"), 1);
    QCOMPARE(request.overwriteStrategy(), MOObjectTransferRequest::PickFreeName);
    QVERIFY(!request.shouldCache());
    QCOMPARE(request.mode(), MOObjectTransferRequest::Mode());
    QCOMPARE(request.userData().userType(), int(QMetaType::QVariantMap));
    QVERIFY(request.userData().toMap().isEmpty());

    // The user data survives the trip through the core request and back.
    MOObjectTransferRequest withData = request;
    withData.setUserData(QVariantMap{{"row", 4}});
    const MOObjectTransferRequest back =
        MOCoreValues::objectTransferRequestWithCXXObjectTransferRequest(
            MOCoreValues::cxxTransferRequest(withData));
    QCOMPARE(back.userData().toMap().value("row").toInt(), 4);
    QCOMPARE(request.userData().toMap().size(), 0);
}

void TestObjectModel::unsavedTransfersEqualOnlyThemselves()
{
    const MObjectTransfer unsaved;
    const MOObjectTransfer a = MOCoreValues::objectTransferWithCXXObjectTransfer(unsaved);
    const MOObjectTransfer b = MOCoreValues::objectTransferWithCXXObjectTransfer(MObjectTransfer());
    QVERIFY(a == MOObjectTransfer(a));
    QVERIFY(a != b);

    MObjectTransfer saved;
    saved.setIdentifier(17);
    MObjectTransfer savedCopy = saved;
    savedCopy.setState(MObjectTransfer::Running);
    QVERIFY(MOCoreValues::objectTransferWithCXXObjectTransfer(saved) ==
            MOCoreValues::objectTransferWithCXXObjectTransfer(savedCopy));
    QCOMPARE(qHash(MOCoreValues::objectTransferWithCXXObjectTransfer(saved)),
             qHash(MOCoreValues::objectTransferWithCXXObjectTransfer(savedCopy)));

    QVERIFY(MOObjectTransferGroup() != MOObjectTransferGroup());
    MObjectTransferGroup group;
    group.setIdentifier(3);
    QVERIFY(MOCoreValues::objectTransferGroupWithCXXObjectTransferGroup(group) ==
            MOCoreValues::objectTransferGroupWithCXXObjectTransferGroup(group));
    QVERIFY(
        MOCoreValues::objectTransferGroupWithCXXObjectTransferGroup(group).transfers().isEmpty());
}

void TestObjectModel::loneTransferHasNoGroup()
{
    MObjectTransfer transfer;
    transfer.setIdentifier(5);
    QVERIFY(!MOCoreValues::objectTransferWithCXXObjectTransfer(transfer).group().has_value());
    QVERIFY(MOCoreValues::objectTransferWithCXXObjectTransfer(transfer).createdAt().isNull());
}

void TestObjectModel::objectErrorBuildsAnError()
{
    const MOObjectError error = MOCoreValues::objectErrorWithCXXObjectError(
        MObjectError(801, QStringLiteral("exists"), QStringLiteral("/a"), QString(), {}));
    QCOMPARE(error.code(), qint64(801));
    QCOMPARE(error.path(), QStringLiteral("/a"));

    const MOError withoutTransfer = errorWithObjectError(error, kMOObjectsActionDomain);
    QCOMPARE(withoutTransfer.domain(), kMOObjectsActionDomain);
    QCOMPARE(withoutTransfer.code(), qint64(801));
    QCOMPARE(withoutTransfer.userInfo().keys(), QStringList{MOObjectErrorKey});

    MObjectTransfer transfer;
    transfer.setIdentifier(8);
    const MOError withTransfer = errorWithObjectError(
        error, kMOObjectsActionDomain, MOCoreValues::objectTransferWithCXXObjectTransfer(transfer));
    QCOMPARE(
        withTransfer.userInfo().value(MOObjectTransferKey).value<MOObjectTransfer>().identifier(),
        qint64(8));
}

void TestObjectModel::collaborationsCompareByToken()
{
    const QVariantMap json{{"token", "t1"},
                           {"created_at", "2024-05-01T10:20:30.750Z"},
                           {"source_object", QVariantMap{{"path", "/Shared/plan.txt"}}}};
    const MCollaboration record(json, MCollaboration::FileTransfer);
    MCollaboration other = record;
    other.setAccepted(true);
    const MOCollaboration a = MOCoreValues::collaborationWithCXXCollaboration(record);
    MOCollaboration b = MOCoreValues::collaborationWithCXXCollaboration(other);
    QVERIFY(a == b);
    QCOMPARE(qHash(a), qHash(b));
    QCOMPARE(a.createdAt(), QDateTime(QDate(2024, 5, 1), QTime(10, 20, 30), Qt::UTC));
    QVERIFY(a.resource().canConvert<MOStorageObject>());

    // A destination path set on one object leaves every other one as it was.
    MOCollaboration copy = a;
    copy.setResource(QStringLiteral("/From Ann/plan.txt"));
    copy.setAccepted(true);
    QCOMPARE(copy.resource(), QVariant(QStringLiteral("/From Ann/plan.txt")));
    QVERIFY(a.resource().canConvert<MOStorageObject>());
    QVERIFY(!a.accepted());
    QVERIFY(copy == a);

    // Collaborations without a token are equal, so they must land in one hash bucket.
    MCollaboration blank;
    blank.setAccepted(true);
    const QSet<MOCollaboration> set{MOCollaboration(),
                                    MOCoreValues::collaborationWithCXXCollaboration(blank), a, b};
    QCOMPARE(set.size(), 2);
}

QTEST_GUILESS_MAIN(TestObjectModel)
#include "tst_objectmodel.moc"
