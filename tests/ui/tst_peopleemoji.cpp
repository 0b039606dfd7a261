// The chat's emoji table: its shape and shared values, the chooser's categories, shortcodes
// turned into emoji and typed emoji turned back, and the recently chosen list.
#include "mcemoji.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <map>

namespace {

QString cp(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

QString flag(const char *region)
{
    return cp(0x1F1E6 + region[0] - 'A') + cp(0x1F1E6 + region[1] - 'A');
}

QString keycap(char c)
{
    return QString(QLatin1Char(c)) + QChar(0x20E3);
}

struct Fragment
{
    QString text;
    QTextCharFormat format;
};

QVector<Fragment> fragmentsOf(const QTextDocument &document)
{
    QVector<Fragment> fragments;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            fragments.append({it.fragment().text(), it.fragment().charFormat()});
    return fragments;
}

} // namespace

class TestPeopleEmoji : public QObject
{
    Q_OBJECT
private slots:
    void tableShape();
    void sharedValues();
    void categories();
    void emojify_data();
    void emojify();
    void emojifiedTextIsPlainText();
    void unemojify_data();
    void unemojify();
    void everyShortcodeRoundTrips();
    void recentUsed();

private:
    MCEmoji m_emoji;
};

void TestPeopleEmoji::tableShape()
{
    const QHash<QString, QString> &table = m_emoji.allEmoticons();
    QCOMPARE(table.size(), 845);

    int single = 0, keycaps = 0, flags = 0, ownText = 0;
    QString longest;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const QRegularExpressionMatch match = m_emoji.regex().match(it.key());
        QVERIFY2(match.hasMatch() && match.capturedLength() == it.key().size(),
                 qPrintable(it.key()));
        QVERIFY2(it.key() == it.key().toLower(), qPrintable(it.key()));
        if (it.key().size() > longest.size())
            longest = it.key();
        const QVector<uint> points = it.value().toUcs4();
        QVERIFY2(!points.contains(0xFE0F), qPrintable(it.key()));
        if (it.value() == it.key())
            ++ownText;
        else if (points.size() == 1)
            ++single;
        else if (points.size() == 2 && points[1] == 0x20E3)
            ++keycaps;
        else if (points.size() == 2 && points[0] >= 0x1F1E6 && points[1] <= 0x1F1FF)
            ++flags;
        else
            QFAIL(qPrintable(QStringLiteral("unexpected value for ") + it.key()));
    }
    QCOMPARE(single, 811);
    QCOMPARE(keycaps, 21);
    QCOMPARE(flags, 11);
    QCOMPARE(ownText, 2);
    QCOMPARE(longest, QStringLiteral(":diamond_shape_with_a_dot_inside:"));
    QCOMPARE(longest.size(), 33);

    const std::map<QString, QString> fixed = {
        {":smile:", cp(0x1F604)},       {":heart:", cp(0x2764)},
        {":sunny:", cp(0x2600)},        {":tm:", cp(0x2122)},
        {":keycap_ten:", cp(0x1F51F)},  {":100:", cp(0x1F4AF)},
        {":1234:", cp(0x1F522)},        {":zzz:", cp(0x1F4A4)},
        {":wink:", cp(0x1F609)},        {":tongue2:", cp(0x1F445)},
        {":smiley:", cp(0x1F603)},      {":relaxed:", cp(0x263A)},
        {":registered:", cp(0xAE)},     {":hash:", keycap('#')},
        {":0:", keycap('0')},           {":nine:", keycap('9')},
        {":jp:", flag("JP")},           {":us:", flag("US")},
        {":uk:", flag("GB")},           {":109:", ":109:"},
        {":neckbeard:", ":neckbeard:"},
    };
    for (const auto &[shortcode, emoji] : fixed)
        QCOMPARE(m_emoji.emojiForCode(shortcode), emoji);
    QVERIFY(m_emoji.emojiForCode(QStringLiteral("smile")).isNull());
    QVERIFY(m_emoji.emojiForCode(QStringLiteral(":SMILE:")).isNull());
    QCOMPARE(m_emoji.codeForEmoji(cp(0x1F604)), QStringLiteral(":smile:"));
    QVERIFY(m_emoji.codeForEmoji(QStringLiteral("a")).isNull());
}

void TestPeopleEmoji::sharedValues()
{
    // These keys, and only these, share their emoji with another key.
    QStringList expected =
        QStringLiteral(
            ":+1: :thumbsup:|:-1: :thumbsdown:|:bee: :honeybee:|:boat: :sailboat:|:boom: "
            ":collision:|"
            ":car: :red_car:|:disappointed_relieved: :relieved:|:exclamation: :grey_exclamation:|"
            ":facepunch: :punch:|:grey_question: :question:|:hand: :raised_hand:|"
            ":hankey: :poop: :shit:|:hourglass: :hourglass_flowing_sand:|"
            ":kissing_closed_eyes: :kissing_face:|:memo: :pencil:|:phone: :telephone:|"
            ":railway_car: :train:|:runner: :running:|:shirt: :tshirt:|:star: :star2:|"
            ":stuck_out_tongue_closed_eyes: :tongue:|:stuck_out_tongue_winking_eye: :wink2:|:gb: "
            ":uk:|"
            ":0: :zero:|:1: :one:|:2: :two:|:3: :three:|:4: :four:|:5: :five:|:6: :six:|:7: "
            ":seven:|"
            ":8: :eight:|:9: :nine:")
            .split('|');
    for (QString &group : expected) {
        QStringList keys = group.split(' ');
        std::sort(keys.begin(), keys.end());
        group = keys.join(' ');
    }
    std::sort(expected.begin(), expected.end());

    std::map<QString, QStringList> byEmoji;
    const QHash<QString, QString> &table = m_emoji.allEmoticons();
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        byEmoji[it.value()].append(it.key());
    QStringList shared;
    for (auto &entry : byEmoji) {
        std::sort(entry.second.begin(), entry.second.end());
        if (entry.second.size() > 1)
            shared.append(entry.second.join(' '));
    }
    std::sort(shared.begin(), shared.end());
    QCOMPARE(shared, expected);

    QCOMPARE(m_emoji.emojiForCode(":hankey:"), cp(0x1F4A9));
    QCOMPARE(m_emoji.emojiForCode(":star2:"), cp(0x1F31F));
    QCOMPARE(m_emoji.emojiForCode(":relieved:"), cp(0x1F625));
    QCOMPARE(m_emoji.emojiForCode(":train:"), cp(0x1F683));
}

void TestPeopleEmoji::categories()
{
    struct Category
    {
        QStringList list;
        int count;
        QString first;
    };
    const Category categories[] = {
        {MCEmoji::people(), 179, ":smile: :laughing: :blush: :smiley: :relaxed:"},
        {MCEmoji::nature(), 113, ":sunny: :umbrella: :cloud: :snowflake: :snowman:"},
        {MCEmoji::objects(), 259, ":bamboo: :gift_heart: :dolls: :school_satchel: :mortar_board:"},
        {MCEmoji::places(), 106, ":house: :house_with_garden: :school: :office: :post_office:"},
        {MCEmoji::symbols(), 172, ":one: :two: :three: :four: :five:"},
    };
    QSet<QString> listed;
    int total = 0;
    for (const Category &category : categories) {
        QCOMPARE(category.list.size(), category.count);
        QCOMPARE(category.list.mid(0, 5).join(' '), category.first);
        total += category.list.size();
        for (const QString &shortcode : category.list) {
            QVERIFY2(m_emoji.allEmoticons().contains(shortcode), qPrintable(shortcode));
            listed.insert(shortcode);
        }
    }
    // No list repeats an element and no shortcode stands in two lists.
    QCOMPARE(listed.size(), total);
    QCOMPARE(total, 829);

    QStringList unlisted;
    for (auto it = m_emoji.allEmoticons().cbegin(); it != m_emoji.allEmoticons().cend(); ++it)
        if (!listed.contains(it.key()))
            unlisted.append(it.key());
    std::sort(unlisted.begin(), unlisted.end());
    QCOMPARE(unlisted.join(' '),
             QStringLiteral(":0: :109: :1: :2: :3: :4: :5: :6: :7: :8: :9: :bee: "
                            ":kissing_face: :neckbeard: :tongue2: :wink2:"));
    QCOMPARE(MCEmoji::places().mid(95).join(' '),
             QStringLiteral(":jp: :kr: :cn: :us: :fr: :es: :it: :ru: :gb: :uk: :de:"));
}

void TestPeopleEmoji::emojify_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("shortcodes");

    QTest::newRow("empty") << QString() << QString() << QStringList();
    QTest::newRow("no colon") << "plain words"
                              << "plain words" << QStringList();
    QTest::newRow("thumbs up between letters") << "a :+1: b"
                                               << "a " + cp(0x1F44D) + " b" << QStringList{":+1:"};
    QTest::newRow("twice") << ":smile: and :smile:" << cp(0x1F604) + " and " + cp(0x1F604)
                           << QStringList{":smile:", ":smile:"};
    QTest::newRow("side by side") << ":smile::-1:" << cp(0x1F604) + cp(0x1F44E)
                                  << QStringList{":smile:", ":-1:"};
    QTest::newRow("unknown shortcode") << "see :nope: here"
                                       << "see :nope: here" << QStringList();
    QTest::newRow("capitals") << ":SMILE: :Smile:"
                              << ":SMILE: :Smile:" << QStringList();
    QTest::newRow("own text rows") << ":109: :neckbeard:"
                                   << ":109: :neckbeard:" << QStringList();
    QTest::newRow("keycaps") << ":hash::one::keycap_ten:" << keycap('#') + keycap('1') + cp(0x1F51F)
                             << QStringList{":hash:", ":one:", ":keycap_ten:"};
    QTest::newRow("flags") << ":fr::us: :uk:" << flag("FR") + flag("US") + " " + flag("GB")
                           << QStringList{":fr:", ":us:", ":uk:"};
    QTest::newRow("time of day") << "at 10:30:smile:"
                                 << "at 10:30:smile:" << QStringList();
    QTest::newRow("markup") << "<b>:heart:</b> &amp; <a href=\"x\">:x:</a>"
                            << "<b>" + cp(0x2764) + "</b> &amp; <a href=\"x\">" + cp(0x274C) +
                                   "</a>"
                            << QStringList{":heart:", ":x:"};
    QTest::newRow("emoji already there")
        << cp(0x1F604) + " :smile:" << cp(0x1F604) + " " + cp(0x1F604) << QStringList{":smile:"};
}

void TestPeopleEmoji::emojify()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(QStringList, shortcodes);

    const MCEmojiText result = m_emoji.emojify(text);
    QCOMPARE(result.text, expected);
    QStringList found;
    for (const MCEmojiRun &run : result.emoji) {
        QCOMPARE(result.text.mid(run.position, run.length), m_emoji.emojiForCode(run.shortcode));
        found.append(run.shortcode);
    }
    QCOMPARE(found, shortcodes);
}

void TestPeopleEmoji::emojifiedTextIsPlainText()
{
    const QString hostile = QStringLiteral("<b>x</b>\u202E:smile:&<img src=a>");
    QTextDocument document;
    QTextCursor cursor(&document);
    m_emoji.emojify(hostile).insertInto(cursor);

    QCOMPARE(document.toPlainText(),
             QStringLiteral("<b>x</b>\u202E") + cp(0x1F604) + "&<img src=a>");
    const QVector<Fragment> fragments = fragmentsOf(document);
    QCOMPARE(fragments.size(), 3);
    QCOMPARE(fragments[0].text, QStringLiteral("<b>x</b>\u202E"));
    QCOMPARE(fragments[2].text, QStringLiteral("&<img src=a>"));
    for (int i : {0, 2}) {
        QCOMPARE(fragments[i].format.font().pixelSize(), 12);
        QVERIFY(!fragments[i].format.hasProperty(MCEmoji::ShortcodeProperty));
        QCOMPARE(fragments[i].format.fontWeight(), int(QFont::Normal));
        QVERIFY(!fragments[i].format.isAnchor());
    }
    QCOMPARE(fragments[1].text, cp(0x1F604));
    QCOMPARE(fragments[1].format.font().pixelSize(), 20);
    QCOMPARE(fragments[1].format.font().family(), QStringLiteral("Noto Color Emoji"));
    QCOMPARE(fragments[1].format.property(MCEmoji::ShortcodeProperty).toString(),
             QStringLiteral(":smile:"));
}

void TestPeopleEmoji::unemojify_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("null") << QString() << QString();
    QTest::newRow("no emoji") << "10 + 2 = 12 :-) # *"
                              << "10 + 2 = 12 :-) # *";
    QTest::newRow("smile") << "hi " + cp(0x1F604) + "!"
                           << "hi :smile:!";
    QTest::newRow("shared value takes the first offered key")
        << cp(0x1F4A9) + cp(0x1F44D) + cp(0x1F41D) + keycap('1') << ":hankey::+1::honeybee::one:";
    QTest::newRow("variation selectors")
        << cp(0x2764) + cp(0xFE0F) + " " + QString("1") + cp(0xFE0F) + cp(0x20E3)
        << ":heart: :one:";
    QTest::newRow("keycaps and bare digits")
        << "7" + keycap('7') + "#" + keycap('#') << "7:seven:#:hash:";
    QTest::newRow("flags side by side") << flag("FR") + flag("US") + flag("DE") << ":fr::us::de:";
    QTest::newRow("unknown flag before known ones")
        << flag("AC") + flag("RU") + flag("UA") + flag("US")
        << flag("AC") + ":ru:" + flag("UA") + ":us:";
    QTest::newRow("lone indicator")
        << flag("FR").left(2) + " " + flag("JP") << flag("FR").left(2) + " :jp:";
    QTest::newRow("own text rows stay") << ":109: :neckbeard: :smile:"
                                        << ":109: :neckbeard: :smile:";
    QTest::newRow("skin tone kept whole") << cp(0x1F44D) + cp(0x1F3FD) << cp(0x1F44D) + cp(0x1F3FD);
    const QString family = cp(0x1F468) + cp(0x200D) + cp(0x1F469) + cp(0x200D) + cp(0x1F467);
    QTest::newRow("joined sequence kept whole") << family + cp(0x1F467) << family + ":girl:";
    QTest::newRow("markup untouched") << "<i>" + cp(0x2B50) + "</i>"
                                      << "<i>" + cp(0x2B50) + "</i>";
}

void TestPeopleEmoji::unemojify()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString result = m_emoji.unemojify(text);
    QCOMPARE(result, expected);
    QCOMPARE(result.isNull(), text.isNull());
}

void TestPeopleEmoji::everyShortcodeRoundTrips()
{
    const QStringList listed = MCEmoji::people() + MCEmoji::nature() + MCEmoji::objects() +
                               MCEmoji::places() + MCEmoji::symbols();
    const QHash<QString, QString> &table = m_emoji.allEmoticons();
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const QString sent = m_emoji.unemojify(m_emoji.emojify("(" + it.key() + ")").text);
        const QString shortcode = sent.mid(1, sent.size() - 2);
        // Keys sharing an emoji come back as the one the chooser offers.
        QVERIFY2(table.value(shortcode) == it.value(),
                 qPrintable(it.key() + " came back as " + sent));
        QVERIFY2(listed.contains(shortcode) || shortcode == it.key(), qPrintable(it.key()));
        if (table.keys(it.value()).size() == 1)
            QCOMPARE(shortcode, it.key());
    }
    QCOMPARE(m_emoji.unemojify(m_emoji.emojify(":uk: :gb:").text), QStringLiteral(":gb: :gb:"));
}

void TestPeopleEmoji::recentUsed()
{
    MCEmoji emoji;
    QVERIFY(emoji.recentUsed().isEmpty());
    for (const char *shortcode :
         {":smile:", ":uk:", ":smile:", ":nope:", "smile", ":SMILE:", ":1:"})
        emoji.addRecentUsed(QString::fromLatin1(shortcode));
    QCOMPARE(emoji.recentUsed(), (QStringList{":smile:", ":uk:", ":1:"}));
    QVERIFY(m_emoji.recentUsed().isEmpty());
}

QTEST_MAIN(TestPeopleEmoji)
#include "tst_peopleemoji.moc"
