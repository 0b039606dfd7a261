// The icon view's model against kerlo-local: a signed-in session lists a folder of images,
// the model asks for thumbnails when its rows are first read and shows each one as it is
// decoded (off the main thread), a larger icon asks again at the larger size, files that
// cannot have thumbnails never reach the service, and a change made on another device
// appears in the tree by itself.
#include "kerlolocal.h"
#include "mciconitemmodel.h"
#include "mcnodetreeupdater.h"
#include "mcobjectnode.h"
#include "mcpreviewgenerator.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "mopreviewmanager.h"
#include "shelltestfixture.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QImage>
#include <QJsonObject>
#include <QtTest>

using namespace ShellTest;

namespace {

QByteArray imageBytes(const QSize &size, const QColor &colour, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QColor centre(const QPixmap &pixmap)
{
    const QImage image = pixmap.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40 &&
           qAbs(a.blue() - b.blue()) < 40;
}

} // namespace

class TestBrowserPreviews : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void thumbnailsArriveForImagesOnly();
    void largerIconsAskAgainSmallerKeep();
    void changesFromAnotherDeviceAppear();

private:
    KerloLocal m_server;
    Shell m_shell;
    QObject m_observer;
    MCNodePtr m_folder;
    MCNodeTreeUpdater m_updater;
    std::unique_ptr<MCPreviewGenerator> m_generator;
    std::unique_ptr<MCIconItemModel> m_model;
};

void TestBrowserPreviews::initTestCase()
{
    QVERIFY(m_server.start());
    const QString demo = QString::fromLatin1(DemoEmail);
    QVERIFY(!m_server.seedFile(demo, "/Pictures/red.png", imageBytes({600, 400}, Qt::red, "PNG"))
                 .isEmpty());
    QVERIFY(!m_server.seedFile(demo, "/Pictures/blue.jpg", imageBytes({300, 300}, Qt::blue, "JPEG"))
                 .isEmpty());
    QVERIFY(!m_server.seedFile(demo, "/Pictures/notes.txt", "not an image").isEmpty());
    QVERIFY(!m_server.seedFolder(demo, "/Pictures/Holiday").isEmpty());
    m_shell.launch(m_server.baseUrl().toString());
    QVERIFY(m_shell.signInThroughWindow(demo, QString::fromLatin1(DemoPassword)));
    QVERIFY(m_shell.waitForSession());

    // One view's tree, kept in step with the objects facade as a view keeps it.
    MOStorageObject pictures;
    pictures.setBasePath(QStringLiteral("/"));
    pictures.setLabel(QStringLiteral("Pictures"));
    pictures.setType(MOStorageObject::Directory);
    m_folder = MCObjectNode::create(pictures);
    m_updater.setRootNode(m_folder);
    MONotificationCenter *center = MOObjectsManager::sharedInstance()->notificationCenter();
    for (const QString &name :
         {MOObjectsListDidFetchNotification, MOObjectsAddedUpdateNotification,
          MOObjectsDeletedUpdateNotification, MOObjectsModifiedUpdateNotification}) {
        center->addObserver(&m_observer, name, nullptr, [this](const MOPostedNotification &n) {
            m_updater.applyNotification(n);
        });
    }
    m_generator = std::make_unique<MCPreviewGenerator>(MOPreviewManager::defaultManager());
    m_model = std::make_unique<MCIconItemModel>();
    new QAbstractItemModelTester(
        m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_model.get());
    m_model->setPreviewGenerator(m_generator.get());
    m_model->setIconSize(100);
    m_model->setRootNode(m_folder);
    MOObjectsManager::sharedInstance()->listObjectsAtPath("/Pictures", true, QVariant());
    QTRY_COMPARE_WITH_TIMEOUT(m_model->rowCount(), 4, 30000);
    QVERIFY(m_model->setSortType(10));
    QCOMPARE(m_model->index(0).data().toString(), QStringLiteral("blue.jpg"));
    QCOMPARE(m_model->index(1).data().toString(), QStringLiteral("Holiday"));
}

void TestBrowserPreviews::thumbnailsArriveForImagesOnly()
{
    QVERIFY(m_server.clearRequests());
    const QModelIndex red = m_model->indexOfPath("/Pictures/red.png");
    const QModelIndex blue = m_model->indexOfPath("/Pictures/blue.jpg");
    const QModelIndex notes = m_model->indexOfPath("/Pictures/notes.txt");
    const QModelIndex holiday = m_model->indexOfPath("/Pictures/Holiday");
    // First reads answer at once with the file icons and send the requests.
    for (const QModelIndex &index : {red, blue, notes, holiday}) {
        QVERIFY(index.isValid());
        QVERIFY(!index.data(MCIconItemModel::IsThumbnailRole).toBool());
        QVERIFY(!index.data(Qt::DecorationRole).value<QIcon>().isNull());
    }
    QTRY_VERIFY_WITH_TIMEOUT(red.data(MCIconItemModel::IsThumbnailRole).toBool(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(blue.data(MCIconItemModel::IsThumbnailRole).toBool(), 30000);
    const QPixmap redThumbnail = red.data(Qt::DecorationRole).value<QPixmap>();
    QVERIFY(near(centre(redThumbnail), Qt::red));
    QCOMPARE(redThumbnail.width(), 128); // the bucket that covers a 100-pixel icon
    QVERIFY(near(centre(blue.data(Qt::DecorationRole).value<QPixmap>()), Qt::blue));
    QVERIFY(!notes.data(MCIconItemModel::IsThumbnailRole).toBool());
    QVERIFY(!holiday.data(MCIconItemModel::IsThumbnailRole).toBool());
    // Only the images were asked for.
    const QJsonArray log = m_server.requests();
    QVERIFY(countRequests(log, "/api/v1/thumbnail.*") >= 1);
    const QByteArray all = QJsonDocument(log).toJson();
    QVERIFY(all.contains("red.png"));
    QVERIFY(!all.contains("notes.txt"));
    QVERIFY(!all.contains("Holiday"));
}

void TestBrowserPreviews::largerIconsAskAgainSmallerKeep()
{
    const QModelIndex red = m_model->indexOfPath("/Pictures/red.png");
    QTRY_VERIFY_WITH_TIMEOUT(red.data(MCIconItemModel::IsThumbnailRole).toBool(), 30000);
    m_model->setIconSize(300);
    // Until the larger one is decoded the row keeps showing the smaller thumbnail.
    QVERIFY(red.data(MCIconItemModel::IsThumbnailRole).toBool());
    QTRY_COMPARE_WITH_TIMEOUT(red.data(Qt::DecorationRole).value<QPixmap>().width(), 512, 30000);
    m_model->setIconSize(64);
    QCOMPARE(red.data(Qt::DecorationRole).value<QPixmap>().width(), 512);
    QCOMPARE(m_model->previewSize(), 128u);
}

void TestBrowserPreviews::changesFromAnotherDeviceAppear()
{
    const QString demo = QString::fromLatin1(DemoEmail);
    QVERIFY(!m_server.seedFile(demo, "/Pictures/green.png", imageBytes({50, 50}, Qt::green, "PNG"))
                 .isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(m_model->indexOfPath("/Pictures/green.png").isValid(), 60000);
    const QModelIndex green = m_model->indexOfPath("/Pictures/green.png");
    green.data(Qt::DecorationRole);
    QTRY_VERIFY_WITH_TIMEOUT(
        m_model->indexOfPath("/Pictures/green.png").data(MCIconItemModel::IsThumbnailRole).toBool(),
        30000);
    QVERIFY(!m_server.moveObject(demo, "/Pictures/notes.txt", "/Pictures/read me.txt").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(m_model->indexOfPath("/Pictures/read me.txt").isValid(), 60000);
    QVERIFY(!m_model->indexOfPath("/Pictures/notes.txt").isValid());
    QVERIFY(!m_server.deleteObject(demo, "/Pictures/blue.jpg").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!m_model->indexOfPath("/Pictures/blue.jpg").isValid(), 60000);
    QCOMPARE(m_model->rowCount(), 4);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestBrowserPreviews test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browserpreviews.moc"
