#include "mfilenames.h"
#include "mobjectslistcache.h"

#include <QtTest>

class tst_FileNames : public QObject
{
    Q_OBJECT
private slots:
    void increment_data();
    void increment();
    void suggestedFilePath();
};

void tst_FileNames::increment_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("next");
    QTest::newRow("first suffix") << "/Docs/Report.pdf" << 0 << "/Docs/Report 2.pdf";
    QTest::newRow("incremented") << "/Docs/Report 2.pdf" << 0 << "/Docs/Report 3.pdf";
    QTest::newRow("up to the first dot") << "/Docs/a.tar.gz" << 0 << "/Docs/a 2.tar.gz";
    QTest::newRow("only an extension") << "/Docs/.profile" << 0 << "/Docs/ 2.profile";
    QTest::newRow("nine to ten") << "/Docs/a 9.txt" << 0 << "/Docs/a 10.txt";
    QTest::newRow("two digits") << "/Docs/a 10.txt" << 0 << "/Docs/a 10 2.txt";
    QTest::newRow("digit without blank") << "/Docs/Report2.pdf" << 0 << "/Docs/Report2 2.pdf";
    QTest::newRow("same text earlier") << "/x/a 1 b 1.txt" << 0 << "/x/a 1 b 2.txt";
    QTest::newRow("tab") << "/x/a\t4" << 0 << "/x/a\t5";
    QTest::newRow("non-ASCII digit") << QString("/x/a \u0663") << 0 << QString("/x/a \u0663 2");
    QTest::newRow("file of the root") << "/a.txt" << 0 << "/a 2.txt";
    QTest::newRow("parenthesis") << "/x/a (3).txt" << 1 << "/x/a (4).txt";
    QTest::newRow("parenthesis after plain") << "/x/a 3.txt" << 1 << "/x/a 3 (2).txt";
    QTest::newRow("bracket") << "/x/a [9]" << 2 << "/x/a [10]";
    QTest::newRow("other style is bracket") << "/x/a" << 7 << "/x/a [2]";
    QTest::newRow("parent component") << "/x/../a.txt" << 0 << QString();
}

void tst_FileNames::increment()
{
    QFETCH(QString, path);
    QFETCH(int, style);
    QFETCH(QString, next);
    QCOMPARE(mIncrementNumericFileNameSuffix(path, Tolvo::FileNameSuffixStyle(style)), next);
}

void tst_FileNames::suggestedFilePath()
{
    MObjectsListCache cache;
    QList<MStorageObject> listing;
    for (const char *label : {"Report.pdf", "Report 2.pdf", "a 9.txt", "a 10.txt"})
        listing << MStorageObject("/Docs", label);
    cache.store(listing);
    QCOMPARE(mSuggestedFilePath("/Docs//free.txt", cache), QString("/Docs//free.txt"));
    QCOMPARE(mSuggestedFilePath("/Docs/Report.pdf", cache), QString("/Docs/Report 3.pdf"));
    QCOMPARE(mSuggestedFilePath("/Docs/a 9.txt", cache), QString("/Docs/a 10 2.txt"));
    QCOMPARE(mSuggestedFilePath("/Other/Report.pdf", cache), QString("/Other/Report.pdf"));
    QVERIFY(mSuggestedFilePath("/Docs/x/../Report.pdf", cache).isNull());
}

QTEST_GUILESS_MAIN(tst_FileNames)
#include "tst_filenames.moc"
