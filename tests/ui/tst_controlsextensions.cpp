// The small controls of outline lists and path fields, through the widgets a user touches: the
// icon-and-text cell of a list with its group headings and in-place renaming, the path field's
// drops and completion, the tree search the lists find rows with, and grey icons.
#include "bwtexturedslidercell.h"
#include "mciconfieldcell.h"
#include "mcimages.h"
#include "mcpathtextfield.h"
#include "mctreesearch.h"

#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

class TestControlsExtensions : public QObject
{
    Q_OBJECT

private slots:
    void iconFieldCellRenamesTheBaseName();
    void pathFieldTakesADroppedFile();
    void treeSearchFindsTheFirstRowDepthFirst();
    void greyCopyKeepsTheBrightestChannel();
    void sliderThumbLooksPressedWhileDragged();
};

void TestControlsExtensions::iconFieldCellRenamesTheBaseName()
{
    QStandardItemModel model;
    auto *group = new QStandardItem(QStringLiteral("Favourites"));
    QPixmap red(16, 16);
    red.fill(Qt::red);
    auto *file = new QStandardItem(QIcon(red), QStringLiteral("archive.tar.gz"));
    group->appendRow(file);
    model.appendRow(group);
    QTreeView view;
    auto *cell = new MCIconFieldCell(&view);
    view.setItemDelegate(cell);
    view.setModel(&model);
    view.expandAll();
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    // A heading has no icon; a row's text starts right of its icon's slice.
    const QModelIndex heading = model.index(0, 0);
    const QModelIndex row = model.index(0, 0, heading);
    QVERIFY(MCIconFieldCell::isGroupCell(heading) && !MCIconFieldCell::isGroupCell(row));
    const QRect bounds(0, 0, 200, 24);
    QCOMPARE(cell->titleRectForBounds(bounds, row, view.font()).x(), 14 + 3 + 9);
    cell->setBigIcon(true);
    QCOMPARE(cell->titleRectForBounds(bounds, row, view.font()).x(), 28 + 3 + 9);
    QVERIFY(cell->sizeHint(QStyleOptionViewItem(), row).height() >= 28);
    cell->setBigIcon(false);

    // Renaming in place selects the name without its last extension.
    view.setCurrentIndex(row);
    view.edit(row);
    auto *editor = view.findChild<QLineEdit *>(QStringLiteral("fieldEditor"));
    QVERIFY(editor);
    QTRY_COMPARE(editor->selectedText(), QStringLiteral("archive.tar"));
}

void TestControlsExtensions::pathFieldTakesADroppedFile()
{
    MCPathTextField field;
    QSignalSpy edited(&field, &QLineEdit::textEdited);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/first.txt")),
                  QUrl::fromLocalFile(QStringLiteral("/tmp/second.txt"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&field, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::LinkAction);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(&field, &drop);
    QCOMPARE(field.text(), QStringLiteral("/tmp/first.txt"));
    QCOMPARE(edited.size(), 1);

    // Plain text is no file; a path the listing cannot complete stays as typed.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&field, &refused);
    QVERIFY(!refused.isAccepted());
    field.setAutocompleteStyle(MCPathTextField::CompleteWhileTyping);
    field.setText(QStringLiteral("~/Docu"));
    QVERIFY(!field.autoComplete());
    QCOMPARE(field.text(), QStringLiteral("~/Docu"));
    field.setText(QStringLiteral("relative"));
    QVERIFY(!field.autoComplete());
}

void TestControlsExtensions::treeSearchFindsTheFirstRowDepthFirst()
{
    // "/a/x" is both the child of the first row and the second top-level row's path.
    constexpr int PathRole = Qt::UserRole + 1;
    QStandardItemModel model;
    auto item = [](const QString &path) {
        auto *row = new QStandardItem(path);
        row->setData(path, PathRole);
        return row;
    };
    QStandardItem *a = item(QStringLiteral("/a"));
    QStandardItem *nested = item(QStringLiteral("/a/x"));
    a->appendRow(nested);
    model.appendRow(a);
    model.appendRow(item(QStringLiteral("/a/x")));
    QCOMPARE(MCTreeSearch::indexOfPath(&model, QStringLiteral("/a/x"), PathRole), nested->index());
    QVERIFY(!MCTreeSearch::indexOfPath(&model, QStringLiteral("/b"), PathRole).isValid());
    QVERIFY(!MCTreeSearch::indexOfObject(nullptr, QStringLiteral("/a"), PathRole).isValid());
}

void TestControlsExtensions::greyCopyKeepsTheBrightestChannel()
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(10, 200, 30, 255));
    image.setPixel(1, 0, qRgba(90, 20, 40, 128));
    const QImage grey = MCImages::copyGrayscale(image);
    QCOMPARE(grey.pixel(0, 0), qRgba(200, 200, 200, 255));
    QCOMPARE(qAlpha(grey.pixel(1, 0)), 128);
    QCOMPARE(qRed(grey.pixel(1, 0)), 90);
    QCOMPARE(qBlue(grey.pixel(1, 0)), 90);
}

void TestControlsExtensions::sliderThumbLooksPressedWhileDragged()
{
    BWTexturedSliderCell slider;
    slider.setRange(0, 68);
    slider.resize(160, 22);
    slider.setNumberOfTickMarks(5);
    QCOMPARE(slider.numberOfTickMarks(), 0);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));

    // Pressed while the button is down on it, at rest after; a press on the track moves it.
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(150, 11));
    QVERIFY(slider.isPressed());
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(150, 11));
    QVERIFY(!slider.isPressed());
    QVERIFY(slider.value() > 0);

    // The track: inset 5 on the left, 9 narrower, one pixel taller with a track height; half
    // as strong when disabled.
    QCOMPARE(slider.trackRect().left(), 5);
    QCOMPARE(slider.trackRect().width(), 160 - 9);
    const int plain = slider.trackRect().height();
    slider.setTrackHeight(4);
    QCOMPARE(slider.trackRect().height(), plain + 1);
    const QPoint onTrack(slider.trackRect().left() + 20, slider.trackRect().center().y());
    slider.setValue(68);
    const QColor enabled = slider.grab().toImage().pixelColor(onTrack);
    slider.setEnabled(false);
    const QColor disabled = slider.grab().toImage().pixelColor(onTrack);
    QVERIFY2(disabled.lightness() > enabled.lightness(),
             qPrintable(QStringLiteral("%1 %2").arg(enabled.name(), disabled.name())));
}

QTEST_MAIN(TestControlsExtensions)
#include "tst_controlsextensions.moc"
