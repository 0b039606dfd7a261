// The share-links page with 10,000 links: the list arriving (rows replaced and ordered by
// expiry), the page opened (shown, laid out, the visible rows' cells made and painted once),
// a sort by each column both ways, and one revocation redrawn, each against building the
// 10,000 link values alone (the core's values converted to the model's, as the facade does
// before it posts them). Offscreen; prints a table of times and ratios.

#include "benchsize.h"
#include "mcsharelinkscontroller.h"
#include "mcsharelinksmodel.h"
#include "mocorevalues_p.h"
#include "msharelink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QTableView>

#include <cstdio>

namespace {

const int linkCount = benchSize(10000, 500);

QList<MOShareLink> makeLinks()
{
    QList<MOShareLink> links;
    links.reserve(linkCount);
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-10);
    for (int i = 0; i < linkCount; ++i) {
        MShareLink link;
        link.setFilePath(QStringLiteral("/Photos/batch %1/photo-%2.jpg").arg(i % 50).arg(i));
        link.setToken(QStringLiteral("token%1").arg(i, 8, 10, QLatin1Char('0')));
        link.setVisitCount((i * 7919) % 1000);
        link.setExpiresIn(24 * (1 + i % 30));
        link.setCreatedAt(start.addSecs(i * 61));
        link.setPublicUri(QStringLiteral("https://kerlo.example/s/token%1").arg(i));
        links.append(MOCoreValues::shareLinkWithCXXShareLink(link));
    }
    return links;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // No core runs here: the thumbnail look-ups of the rows on screen find nothing, quietly.
    QLoggingCategory::setFilterRules(QStringLiteral("model.warning=false"));

    QElapsedTimer timer;
    timer.start();
    const QList<MOShareLink> links = makeLinks();
    const qint64 buildNs = timer.nsecsElapsed();

    MCShareLinksController page(nullptr, nullptr);
    page.resize(1000, 700);
    MCShareLinksModel *model = page.model();
    timer.restart();
    page.receivedLinks(links);
    const qint64 listNs = timer.nsecsElapsed();
    if (model->rowCount() != linkCount)
        qFatal("expected %d rows, have %d", linkCount, model->rowCount());

    timer.restart();
    page.show();
    QApplication::processEvents();
    const QPixmap painted = page.grab();
    const qint64 openNs = timer.nsecsElapsed();
    if (painted.isNull())
        qFatal("the page was not painted");

    std::printf("share-links page, %d links (offscreen)\n", linkCount);
    std::printf("%-44s %12s %12s\n", "step", "time", "ratio");
    std::printf("%-44s %9.1f ms %12s\n",
                ("build " + QByteArray::number(linkCount) + " link values (reference)").constData(),
                buildNs / 1e6, "1.00");
    std::printf("%-44s %9.1f ms %12.2f\n", "a list arrives (rows, order by expiry)", listNs / 1e6,
                double(listNs) / buildNs);
    std::printf("%-44s %9.1f ms %12.2f\n", "open the page (show, layout, cells, paint)",
                openNs / 1e6, double(openNs) / buildNs);

    const struct
    {
        int column;
        const char *name;
    } columns[] = {{MCShareLinksModel::FilenameColumn, "name"},
                   {MCShareLinksModel::CreatedAtColumn, "creation date"},
                   {MCShareLinksModel::ExpiresAtColumn, "expiry date"},
                   {MCShareLinksModel::VisitCountColumn, "visits"}};
    for (const auto &column : columns) {
        for (const char *direction : {"ascending", "descending"}) {
            timer.restart();
            page.orderByColumn(column.column);
            QApplication::processEvents();
            page.grab();
            const qint64 sortNs = timer.nsecsElapsed();
            char step[64];
            std::snprintf(step, sizeof step, "sort by %s, %s, redrawn", column.name, direction);
            std::printf("%-44s %9.1f ms %12.2f\n", step, sortNs / 1e6, double(sortNs) / buildNs);
        }
    }

    // One revocation of a row on screen: the row's cells change and the page repaints.
    MOShareLink revoked = model->linkAt(3);
    revoked.setRevokedAt(QDateTime::currentDateTimeUtc());
    timer.restart();
    model->applyRevocation(revoked);
    QApplication::processEvents();
    page.grab();
    const qint64 revokeNs = timer.nsecsElapsed();
    std::printf("%-44s %9.1f ms %12.2f\n", "one revocation on screen, redrawn", revokeNs / 1e6,
                double(revokeNs) / buildNs);
    return 0;
}
