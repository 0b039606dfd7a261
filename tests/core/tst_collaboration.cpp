#include "mcollaboration.h"
#include "mstorageobject.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

MCollaboration transfer(const char *json)
{
    return MCollaboration(QJsonDocument::fromJson(json).object().toVariantMap(),
                          MCollaboration::FileTransfer);
}

} // namespace

// The collaboration record as read from the service's objects.
class TestCollaboration : public QObject
{
    Q_OBJECT

private slots:
    void sparseAndForeignObjects();
    void resourceAndAnswers();
    void copiesAreIndependent();
};

void TestCollaboration::sparseAndForeignObjects()
{
    const MCollaboration bare = transfer(R"({"token":"t1"})");
    QCOMPARE(bare.type(), MCollaboration::FileTransfer);
    QVERIFY(bare.createdAt().isNull() && !bare.resource().isValid());
    QVERIFY(!bare.accepted() && !bare.rejected() && !bare.revoked());
    QCOMPARE(bare.sender().id(), -1);
    QCOMPARE(bare.errorCode(), MCollaboration::NoError);

    // Only the token makes two records the same one; ids keep 64 bits.
    const MCollaboration full = transfer(
        R"({"token":"t1","revoked_at":"2024-05-02T10:00:00Z","sender":{"id":3000000000}})");
    QVERIFY(full == bare);
    QCOMPARE(full.sender().id(), Q_INT64_C(3000000000));
    QVERIFY(full != transfer(R"({"token":"t2"})"));

    const MCollaboration other(QVariantMap{{"token", "t1"}, {"accepted_at", "2024-05-01"}},
                               MCollaboration::Type(2));
    QVERIFY(other.token().isNull() && !other.accepted());
    QCOMPARE(other.type(), MCollaboration::NoType);
}

void TestCollaboration::resourceAndAnswers()
{
    const char *source = R"("source_object":{"base_path":"/a","label":"s.txt","type":"regfile"})";
    const auto withSource = [source](const QByteArray &rest) {
        return transfer(QByteArray("{") + source + "," + rest + "}");
    };
    QCOMPARE(withSource(R"("destination_object":{"base_path":"/b","label":"d.txt"})")
                 .resource()
                 .value<MStorageObject>()
                 .fullPath(),
             QStringLiteral("/b/d.txt"));
    QCOMPARE(
        withSource(R"("destination_object":null)").resource().value<MStorageObject>().fullPath(),
        QStringLiteral("/a/s.txt"));
    // A destination that is there but unusable still wins.
    QVERIFY(!withSource(R"("destination_object":"/b/d.txt")").resource().isValid());

    const MCollaboration rejected =
        transfer(R"({"rejected_at":"2024-05-02T10:00:00Z","accepted_at":null})");
    QVERIFY(rejected.rejected() && !rejected.accepted());
    QCOMPARE(rejected.rejectedAt(), QDateTime(QDate(2024, 5, 2), QTime(10, 0), Qt::UTC));
    // The flag follows the key, even when its date cannot be read.
    const MCollaboration garbled = transfer(R"({"accepted_at":"yesterday"})");
    QVERIFY(garbled.accepted() && garbled.acceptedAt().isNull());
}

void TestCollaboration::copiesAreIndependent()
{
    const MCollaboration original = transfer(
        R"({"token":"t1","revoked_at":"2024-05-02T10:00:00Z","rejected_at":"2024-05-03T10:00:00Z",
            "source_provider":"dropbox"})");
    MCollaboration copy = original;
    copy.setAccepted(true);
    copy.setResource(QStringLiteral("/Inbox/a.txt"));
    QVERIFY(!original.accepted() && !original.resource().isValid());
    QVERIFY(copy.accepted() && copy.rejected());
    QCOMPARE(copy.revokedAt(), original.revokedAt());
    QCOMPARE(copy.sourceProvider(), QStringLiteral("dropbox"));
}

QTEST_GUILESS_MAIN(TestCollaboration)
#include "tst_collaboration.moc"
