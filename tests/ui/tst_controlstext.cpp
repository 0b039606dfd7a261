// The controls' text rules: file-name validity, remote path cleaning, truncation, counts,
// URL encoding, text measuring, size texts, the size column, image choices, kinds and colours.
#include "mccolor.h"
#include "mcfilesizeformatter.h"
#include "mcimages.h"
#include "mcsizefieldcell.h"
#include "mcstring.h"
#include "mcvaluetransformers.h"
#include "mcworkspace.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include <cmath>

class TestControlsText : public QObject
{
    Q_OBJECT
private slots:
    void filenameValidity_data();
    void filenameValidity();
    void cleaningPaths_data();
    void cleaningPaths();
    void truncatingInTheMiddle();
    void countsAndEncoding();
    void completingFindsNothing();
    void measuringText();
    void boundingNames_data();
    void boundingNames();
    void toolTipsArePlainAndFitTheScreen();
    void sizeTexts_data();
    void sizeTexts();
    void sizeColumnShowsFoldersAndFiles();
    void imageChoices();
    void kindsAndIcons();
    void colourArithmetic();
};

void TestControlsText::filenameValidity_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<unsigned>("code");
    QTest::newRow("empty") << QString() << 11u;
    QTest::newRow("dots only") << QStringLiteral("...") << 11u;
    QTest::newRow("leading dot") << QStringLiteral(".bashrc") << 10u;
    QTest::newRow("inner dots") << QStringLiteral("a.b.c") << 10u;
    QTest::newRow("unassigned") << QString(QChar(0x0378)) + QStringLiteral("x") << 12u;
    QTest::newRow("noncharacter") << QStringLiteral("a") + QChar(0xFFFF) << 12u;
    QTest::newRow("lone surrogate")
        << QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") << 12u;
    QTest::newRow("plus") << QStringLiteral("a+b") << 13u;
    QTest::newRow("currency") << QStringLiteral("price$") << 13u;
    QTest::newRow("less than") << QStringLiteral("a<b") << 13u;
    QTest::newRow("emoji") << QString::fromUtf8("party \xF0\x9F\x8E\x89") << 13u;
    QTest::newRow("blanks") << QStringLiteral("  \t ") << 14u;
    QTest::newRow("slash") << QStringLiteral("a/b") << 14u;
    QTest::newRow("colon") << QStringLiteral("a:b") << 14u;
    QTest::newRow("percent") << QStringLiteral("100%") << 14u;
    QTest::newRow("plain") << QStringLiteral("Holiday photos 2024") << 10u;
}

void TestControlsText::filenameValidity()
{
    QFETCH(QString, name);
    QFETCH(unsigned, code);
    QCOMPARE(unsigned(MCString::stringValidForFilename(name)), code);
}

void TestControlsText::cleaningPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("cleaned");
    QTest::newRow("empty") << QString() << QStringLiteral("/");
    QTest::newRow("relative, doubled, dot, trailing")
        << QStringLiteral("a//b/./c/") << QStringLiteral("/a/b/c");
    QTest::newRow("parent") << QStringLiteral("/a/b/../c") << QStringLiteral("/a/c");
    QTest::newRow("above the root") << QStringLiteral("/..") << QStringLiteral("/");
    QTest::newRow("climbing out") << QStringLiteral("/a/../../b") << QStringLiteral("/b");
    QTest::newRow("dots in names") << QStringLiteral("/a..b/...") << QStringLiteral("/a..b/...");
}

void TestControlsText::cleaningPaths()
{
    QFETCH(QString, path);
    QFETCH(QString, cleaned);
    QCOMPARE(MCString::stringByCleaningPath(path), cleaned);
}

void TestControlsText::truncatingInTheMiddle()
{
    const QString forty = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789ABCD");
    QCOMPARE(MCString::stringByTruncateMiddleWithMaxChars(forty, 30),
             forty.left(15) + QStringLiteral("...") + forty.right(15));
    const QString fortyTwo = forty + QStringLiteral("EF");
    QCOMPARE(MCString::stringByTruncateMiddleWithMaxChars(fortyTwo, 30),
             fortyTwo.left(14) + QStringLiteral("...") + fortyTwo.right(15));
    // Short texts come back whole instead of failing.
    QCOMPARE(MCString::stringByTruncateMiddleWithMaxChars(QString(), 30), QString());
    QCOMPARE(MCString::stringByTruncateMiddleWithMaxChars(QStringLiteral("a"), 0),
             QStringLiteral("...a"));
    QCOMPARE(MCString::stringByTruncateMiddleWithMaxChars(QStringLiteral("ab"), 1),
             QStringLiteral("...b"));

    // Emoji on both sides of every cut stay whole.
    QString emoji;
    for (int i = 0; i < 20; ++i)
        emoji += QString::fromUtf8("\xF0\x9F\x98\x80");
    for (int max = 4; max < 30; ++max) {
        const QString cut = MCString::stringByTruncateMiddleWithMaxChars(emoji, max);
        QVERIFY2(cut.isValidUtf16() && cut.contains(QStringLiteral("...")),
                 qPrintable(QString::number(max)));
    }
}

void TestControlsText::countsAndEncoding()
{
    QCOMPARE(MCString::stringWithItemsCount(1), QStringLiteral("1 item"));
    QCOMPARE(MCString::stringWithItemsCount(0), QStringLiteral("0 items"));
    QCOMPARE(MCString::stringWithItemsCount(2), QStringLiteral("2 items"));
    QCOMPARE(MCString::stringWithItemsCount(-1), QStringLiteral("-1 items"));

    QCOMPARE(MCString::stringByUrlEncoding(QStringLiteral("a b&c/d")),
             QStringLiteral("a%20b%26c%2Fd"));
    QCOMPARE(MCString::stringByUrlEncoding(QStringLiteral("!*'();:@&=+$,/?%#[]")),
             QStringLiteral("%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D"));
    QCOMPARE(MCString::stringByUrlEncoding(QString::fromUtf8("\xC3\xA9-._~")),
             QStringLiteral("%C3%A9-._~"));
}

void TestControlsText::completingFindsNothing()
{
    QString match = QStringLiteral("stale");
    QCOMPARE(MCString::completePathIntoString(QStringLiteral("/tmp/a"), &match), 0);
    QVERIFY(match.isNull());
    QCOMPARE(MCString::completePathIntoString(QStringLiteral("a")), 0);
}

void TestControlsText::measuringText()
{
    QFont font;
    font.setPixelSize(12);
    QCOMPARE(MCString::heightForWidth(QTextDocument(), 100), 0.0);
    QCOMPARE(MCString::sizeForWidth(QString(), 100, 100, font), QSizeF(0, 0));

    const QString text = QStringLiteral("one two three four five six seven eight nine ten");
    const qreal oneLine = MCString::heightForWidth(QStringLiteral("one"), 1000, font);
    QVERIFY(oneLine > 0);
    // Narrow boxes wrap into more lines; the width used never exceeds the box.
    const QSizeF narrow = MCString::sizeForWidth(text, 60, MCString::Unlimited, font);
    QVERIFY(narrow.height() >= 3 * oneLine);
    QVERIFY(narrow.width() <= 60);
    QCOMPARE(MCString::sizeForWidth(text, 60, oneLine, font).height(), oneLine);
    const qreal wide = MCString::widthForHeight(text, MCString::Unlimited, font);
    QCOMPARE(MCString::heightForWidth(text, wide + 1, font), oneLine);
}

void TestControlsText::boundingNames_data()
{
    QTest::addColumn<QString>("unit");
    // U+1F469 U+200D U+1F469 U+200D U+1F467 U+200D U+1F466: a family, one character as read.
    QTest::newRow("emoji families")
        << QString::fromUtf8("\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D"
                             "\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0\x9F\x91\xA6");
    QTest::newRow("stacked marks") << QStringLiteral("Z\u0301\u0300\u0302\u0303\u0304\u0306");
    QTest::newRow("surrogate pairs") << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("letters") << QStringLiteral("W");
}

void TestControlsText::boundingNames()
{
    QFETCH(QString, unit);
    const QString name = unit.repeated(300 * 12 / unit.size());
    const QString bounded = MCString::stringByBoundingName(name);
    QVERIFY(bounded.size() <= MCString::MaxNameLength);
    QCOMPARE(bounded.back(), QChar(0x2026));
    // Whole characters only: what is kept is a run of whole units, cut as late as it may be.
    const QString kept = bounded.chopped(1);
    QCOMPARE(kept.size() % unit.size(), 0);
    QCOMPARE(kept, unit.repeated(kept.size() / unit.size()));
    QVERIFY(kept.size() + unit.size() > MCString::MaxNameLength - 1);
    QCOMPARE(MCString::stringByBoundingName(unit), unit);
}

void TestControlsText::toolTipsArePlainAndFitTheScreen()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    QVERIFY(screen);
    const int screenWidth = screen->availableGeometry().width();
    const QFontMetrics metrics(QToolTip::font());
    const QString words = QStringLiteral("<b>Bea</b> & &lt;Co&gt; ");
    const QString longName = QStringLiteral("Dan") + QString(3000, QLatin1Char('W'));
    for (const QString &name : {words, words.repeated(40), longName, QStringLiteral("Ann Lee")}) {
        const QString tip = MCString::stringForToolTip(name);
        // Plain text that reads as the name; line breaks where it was too wide.
        QVERIFY2(!Qt::mightBeRichText(tip), qPrintable(tip.left(80)));
        QString read = tip;
        read.remove(QChar(0x2060));
        QCOMPARE(read.remove(QLatin1Char('\n')), name);
        for (const QString &line : tip.split(QLatin1Char('\n')))
            QVERIFY2(metrics.horizontalAdvance(line) < screenWidth, qPrintable(line.left(80)));
        // Shown, the tooltip stays on the screen, and shows the name as it is.
        QWidget anchor;
        anchor.resize(100, 30);
        anchor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&anchor));
        QToolTip::showText(anchor.mapToGlobal(QPoint(10, 10)), tip, &anchor);
        // Hidden, the tip deletes itself.
        QPointer<QLabel> label;
        QTRY_VERIFY((label = [] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (widget->inherits("QTipLabel") && widget->isVisible())
                    return qobject_cast<QLabel *>(widget);
            }
            return static_cast<QLabel *>(nullptr);
        }()));
        QCOMPARE(label->textFormat(), Qt::AutoText);
        QVERIFY(!label->wordWrap());
        QVERIFY2(label->width() <= screenWidth,
                 qPrintable(QStringLiteral("%1 > %2").arg(label->width()).arg(screenWidth)));
        QToolTip::hideText();
        QTRY_VERIFY(!label || !label->isVisible());
    }
    QVERIFY(MCString::stringForToolTip(longName).count(QLatin1Char('\n')) >= 1);
    QVERIFY(MCString::stringForToolTip(words).count(QLatin1Char('\n')) == 0);
}

void TestControlsText::sizeTexts_data()
{
    QTest::addColumn<double>("bytes");
    QTest::addColumn<bool>("baseTen");
    QTest::addColumn<int>("fractionDigits");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << false << 2 << QStringLiteral("0 B");
    QTest::newRow("1023") << 1023.0 << false << 2 << QStringLiteral("1023 B");
    QTest::newRow("1024") << 1024.0 << false << 2 << QStringLiteral("1 KB");
    QTest::newRow("1536") << 1536.0 << false << 1 << QStringLiteral("1.5 KB");
    QTest::newRow("divided before rounding") << 999999.0 << true << 2 << QStringLiteral("1000 KB");
    QTest::newRow("negative") << -5.0 << false << 2 << QStringLiteral("-5 B");
    QTest::newRow("base ten MB") << 1500000.0 << true << 2 << QStringLiteral("1.5 MB");
    QTest::newRow("ties to even") << 1.25 * 1024 << false << 1 << QStringLiteral("1.2 KB");
    QTest::newRow("beyond yotta") << std::pow(1024.0, 9) << false << 0 << QStringLiteral("1024 YB");
}

void TestControlsText::sizeTexts()
{
    QFETCH(double, bytes);
    QFETCH(bool, baseTen);
    QFETCH(int, fractionDigits);
    QFETCH(QString, text);
    MCFileSizeFormatter formatter;
    formatter.setLocale(QLocale::c());
    formatter.setUseBaseTenUnits(baseTen);
    formatter.setMaximumFractionDigits(fractionDigits);
    QCOMPARE(formatter.stringFromNumber(bytes), text);
}

void TestControlsText::sizeColumnShowsFoldersAndFiles()
{
    QLocale::setDefault(QLocale::c());
    QStandardItemModel model(3, 1);
    model.setData(model.index(0, 0),
                  QVariantMap{{QStringLiteral("isDir"), true}, {QStringLiteral("fileSize"), 4096}});
    model.setData(model.index(1, 0), QVariantMap{{QStringLiteral("isDir"), false},
                                                 {QStringLiteral("fileSize"), 1500000}});
    model.setData(model.index(2, 0), QStringLiteral("as is"));
    QTableView view;
    auto *cell = new MCSizeFieldCell(&view);
    view.setItemDelegateForColumn(0, cell);
    view.setModel(&model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    const auto shown = [&](int row) {
        return cell->displayText(model.index(row, 0).data(), QLocale::c());
    };
    QCOMPARE(shown(0), QStringLiteral("--"));
    QCOMPARE(shown(1), QStringLiteral("1.5 MB"));
    QCOMPARE(shown(2), QStringLiteral("as is"));
}

void TestControlsText::imageChoices()
{
    using namespace MCValueTransformers;
    QCOMPARE(iconCollaboration(0), QString());
    QCOMPARE(iconCollaboration(6), QString());
    QCOMPARE(iconCollaboration(QVariant()), QString());
    QCOMPARE(iconCollaboration(QStringLiteral("1")), QString());
    QCOMPARE(iconCollaboration(1), QStringLiteral("waitingColored.png"));
    QCOMPARE(iconCollaboration(2), QStringLiteral("waitingColored.png"));
    QCOMPARE(iconCollaboration(5), QStringLiteral("revokedColored.png"));
    QCOMPARE(statusImageName(QVariant()), QStringLiteral("gray.png"));
    QCOMPARE(statusImageName(3), QStringLiteral("green.png"));
    QCOMPARE(notifications(7), QStringLiteral("7"));
    QVERIFY(notifications(QStringLiteral("7")).isNull());
    QCOMPARE(states(1 | 4), QStringLiteral("badge_download_icon.png"));
    QCOMPARE(states(8 | 4), QStringLiteral("badge_sync_icon.png"));
    QCOMPARE(states(2 | 8), QStringLiteral("badge_upload_icon.png"));
    QCOMPARE(states(4), QStringLiteral("badge_cached_icon.png"));
    QCOMPARE(states(16), QString());
    QCOMPARE(states(QVariant()), QString());

    // Every image a rule names is bundled, with or without its extension.
    for (const QString &name :
         {iconCollaboration(1), iconCollaboration(3), iconCollaboration(4), iconCollaboration(5),
          statusImageName(0), statusImageName(1), states(1), states(2), states(4), states(8)})
        QVERIFY2(!image(name).isNull(), qPrintable(name));
    QVERIFY(!MCImages::named(QStringLiteral("yellow")).isNull());
    QVERIFY(MCImages::named(QStringLiteral("no such image")).isNull());
}

void TestControlsText::kindsAndIcons()
{
    const QString pdfKind = MCWorkspace::fileKindForMIMEType(QStringLiteral("application/pdf"));
    QVERIFY(!pdfKind.isEmpty());
    QVERIFY(pdfKind != QLatin1String("Document"));
    QCOMPARE(MCWorkspace::humanReadableFileType(QStringLiteral("pdf")), pdfKind);
    QCOMPARE(MCWorkspace::humanReadableFileType(QStringLiteral("PDF")), pdfKind);
    QCOMPARE(MCWorkspace::fileKindForMIMEType(QStringLiteral("application/x-no-such-type")),
             QStringLiteral("Document"));
    QVERIFY(MCWorkspace::humanReadableFileType(QStringLiteral("zzqx")).isNull());
    QCOMPARE(MCWorkspace::humanReadableFileTypeForFileExtension(QStringLiteral("zzqx")),
             QStringLiteral("ZZQX File"));
    QCOMPARE(MCWorkspace::humanReadableFileTypeForFileExtension(QStringLiteral("pdf")), pdfKind);
    QVERIFY(
        !MCWorkspace::fileIconForMIMEType(QStringLiteral("application/x-no-such-type")).isNull());
    QVERIFY(!MCWorkspace::fileIconForMIMEType(QStringLiteral("application/pdf")).isNull());
}

void TestControlsText::colourArithmetic()
{
    QVERIFY(!MCColor::isLightColor(QColor::fromRgbF(0.8, 0.8, 0.8)));
    QVERIFY(MCColor::isLightColor(QColor::fromRgbF(0.85, 0.85, 0.85)));
    QVERIFY(!MCColor::isLightColor(QColor::fromRgbF(0.0, 0.33, 0.80)));

    const QColor lighter = MCColor::lightenColorByValue(QColor::fromRgbF(0.9, 0.5, 0.1, 0.3), 0.2f);
    QCOMPARE(lighter.spec(), QColor::Rgb);
    QCOMPARE(lighter.redF(), 1.0); // clamped
    QVERIFY(qAbs(lighter.greenF() - 0.7) < 0.001);
    QCOMPARE(lighter.alphaF(), 1.0);
    const QColor darker = MCColor::darkenColorByValue(QColor::fromRgbF(0.85, 0.85, 0.85), 0.12f);
    QVERIFY(qAbs(darker.redF() - 0.73) < 0.001);
    QCOMPARE(MCColor::darkenColorByValue(Qt::black, 0.5f), QColor(Qt::black));

    QPushButton button(QStringLiteral("Share"));
    MCColor::setTextColor(&button, QColor(0x12, 0x34, 0x56));
    QCOMPARE(MCColor::textColor(&button), QColor(0x12, 0x34, 0x56));
}

QTEST_MAIN(TestControlsText)
#include "tst_controlstext.moc"
