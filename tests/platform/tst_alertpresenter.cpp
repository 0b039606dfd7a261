#include "scriptedalertpresenter.h"
#include "widgetalertpresenter.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <algorithm>

namespace {

Alert signOutAlert()
{
    Alert alert;
    alert.style = Alert::Warning;
    alert.windowTitle = QStringLiteral("Kerlo - Sign Out");
    alert.messageText = QStringLiteral("<b>Sign out</b> & relaunch?");
    alert.informativeText = QStringLiteral("File: <i>a.txt</i>");
    alert.buttons = QStringList{QStringLiteral("Cancel"), QStringLiteral("Sign Out")};
    alert.suppressionText = QStringLiteral("Don't ask me again");
    return alert;
}

QMessageBox *openBox(QWidget *parent)
{
    const QList<QMessageBox *> boxes = parent->findChildren<QMessageBox *>();
    return boxes.size() == 1 ? boxes.first() : nullptr;
}

QPushButton *buttonTitled(QMessageBox *box, const QString &title)
{
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == title)
            return qobject_cast<QPushButton *>(button);
    }
    return nullptr;
}

} // namespace

class TestAlertPresenter : public QObject
{
    Q_OBJECT

private slots:
    void widgetAlertIsWindowModalAndAnsweredByClicks_data();
    void widgetAlertIsWindowModalAndAnsweredByClicks();
    void widgetAlertKeys_data();
    void widgetAlertKeys();
    void widgetAlertsStayApartAndDieWithTheirParent();
    void widgetAlertStaysInFrontOfWindowsOpenedWithIt_data();
    void widgetAlertStaysInFrontOfWindowsOpenedWithIt();
    void scriptedAnswers();
};

void TestAlertPresenter::widgetAlertIsWindowModalAndAnsweredByClicks_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shown");
    QTest::newRow("own title") << "Kerlo - Sign Out"
                               << "Kerlo - Sign Out";
    // Not the program's name: the title the presenter was given.
    QTest::newRow("no title: the presenter's") << QString() << "Kerlo";
}

void TestAlertPresenter::widgetAlertIsWindowModalAndAnsweredByClicks()
{
    QFETCH(QString, title);
    QFETCH(QString, shown);
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    WidgetAlertPresenter presenter(QStringLiteral("Kerlo"));
    Alert alert = signOutAlert();
    alert.windowTitle = title;
    QList<AlertAnswer> answers;
    presenter.present(alert, &window,
                      [&answers](const AlertAnswer &answer) { answers.append(answer); });
    QVERIFY(answers.isEmpty()); // present() never waits for the user

    QMessageBox *box = openBox(&window);
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    QCOMPARE(box->windowTitle(), shown);
    // A name from the service is shown as it is, never as markup.
    const QList<QLabel *> labels = box->findChildren<QLabel *>();
    for (const QString text : {"<b>Sign out</b> & relaunch?", "File: <i>a.txt</i>"}) {
        QVERIFY2(std::any_of(labels.begin(), labels.end(),
                             [&text](QLabel *label) {
                                 return label->text() == text &&
                                        label->textFormat() == Qt::PlainText;
                             }),
                 qPrintable(text));
    }
    QCOMPARE(box->defaultButton(), buttonTitled(box, QStringLiteral("Cancel")));

    QVERIFY(box->checkBox());
    QCOMPARE(box->checkBox()->text(), QStringLiteral("Don't ask me again"));
    QTest::mouseClick(box->checkBox(), Qt::LeftButton);
    QTest::mouseClick(buttonTitled(box, QStringLiteral("Sign Out")), Qt::LeftButton);
    QTRY_COMPARE(answers.size(), 1);
    QCOMPARE(answers.first().button, 1);
    QVERIFY(answers.first().suppressed);
    QTRY_VERIFY(!openBox(&window)); // the box goes once answered
    QCOMPARE(answers.size(), 1);
}

void TestAlertPresenter::widgetAlertKeys_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");

    const QStringList openCancel = {QStringLiteral("Open"), QStringLiteral("Cancel")};
    QTest::newRow("return presses the default") << openCancel << 0 << int(Qt::Key_Return) << 0;
    QTest::newRow("escape presses Cancel") << openCancel << 0 << int(Qt::Key_Escape) << 1;
    QTest::newRow("default may be Cancel")
        << QStringList{QStringLiteral("Cancel"), QStringLiteral("Sign Out")} << 0
        << int(Qt::Key_Return) << 0;
    QTest::newRow("no titles: one OK") << QStringList() << 0 << int(Qt::Key_Return) << 0;
}

void TestAlertPresenter::widgetAlertKeys()
{
    QFETCH(QStringList, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, key);
    QFETCH(int, expected);

    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Alert alert;
    alert.messageText = QStringLiteral("Question");
    alert.buttons = buttons;
    alert.defaultButton = defaultButton;
    QList<AlertAnswer> answers;
    WidgetAlertPresenter(QStringLiteral("Kerlo"))
        .present(alert, &window, [&answers](const AlertAnswer &answer) { answers.append(answer); });
    QMessageBox *box = openBox(&window);
    QVERIFY(box);
    QVERIFY(!box->checkBox());
    QTest::keyClick(box, Qt::Key(key));
    QTRY_COMPARE(answers.size(), 1);
    QCOMPARE(answers.first().button, expected);
    QVERIFY(!answers.first().suppressed);
}

void TestAlertPresenter::widgetAlertsStayApartAndDieWithTheirParent()
{
    auto first = std::make_unique<QWidget>();
    QWidget second;
    first->show();
    second.show();
    WidgetAlertPresenter presenter(QStringLiteral("Kerlo"));
    QStringList answered;
    presenter.present(signOutAlert(), first.get(), [&answered](const AlertAnswer &) {
        answered.append(QStringLiteral("first"));
    });
    presenter.present(signOutAlert(), &second, [&answered](const AlertAnswer &a) {
        answered.append(QStringLiteral("second %1").arg(a.button));
    });
    QVERIFY(openBox(first.get()) && openBox(&second));

    // The owner of the first alert goes away: its completion must never run.
    first.reset();
    QCoreApplication::processEvents();
    QVERIFY(answered.isEmpty());

    QTest::mouseClick(buttonTitled(openBox(&second), QStringLiteral("Cancel")), Qt::LeftButton);
    QTRY_COMPARE(answered, QStringList{QStringLiteral("second 0")});
}

void TestAlertPresenter::widgetAlertStaysInFrontOfWindowsOpenedWithIt_data()
{
    QTest::addColumn<int>("type");
    // The guided tour opens with the alert that a first sign-in was not kept; Get Info and
    // View Options are windows and tools of their own.
    QTest::newRow("dialog of the window") << int(Qt::Dialog);
    QTest::newRow("window of its own") << int(Qt::Window);
    QTest::newRow("tool window") << int(Qt::Tool);
}

void TestAlertPresenter::widgetAlertStaysInFrontOfWindowsOpenedWithIt()
{
    QFETCH(int, type);
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    WidgetAlertPresenter presenter(QStringLiteral("Kerlo"));
    QList<AlertAnswer> answers;
    presenter.present(signOutAlert(), &window,
                      [&answers](const AlertAnswer &answer) { answers.append(answer); });
    QMessageBox *box = openBox(&window);
    QVERIFY(box);
    QTRY_COMPARE(QApplication::activeWindow(), box);

    // Another window of the program opens as the alert does and asks to be the front one.
    QStringList activated;
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &window,
                     [&activated](QWindow *focus) {
                         activated.append(focus ? focus->objectName() : QString());
                     });
    QWidget other(type == Qt::Window ? nullptr : &window, Qt::WindowType(type));
    other.setObjectName(QStringLiteral("other"));
    other.resize(200, 100);
    other.show();
    other.raise();
    other.activateWindow();
    QVERIFY(other.windowHandle());
    other.windowHandle()->setObjectName(QStringLiteral("other"));
    box->windowHandle()->setObjectName(QStringLiteral("alert"));
    QTRY_VERIFY(activated.contains(QStringLiteral("other")));
    // The alert comes back in front and takes the keys.
    QTRY_COMPARE(QApplication::activeWindow(), box);
    QCOMPARE(activated.last(), QStringLiteral("alert"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_COMPARE(answers.size(), 1);
    QCOMPARE(answers.first().button, 0);

    // With no alert open, a new window is the front one.
    QWidget later(nullptr, Qt::WindowType(type));
    later.show();
    later.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&later));
}

void TestAlertPresenter::scriptedAnswers()
{
    ScriptedAlertPresenter presenter;
    QSignalSpy presented(&presenter, &ScriptedAlertPresenter::alertPresented);
    QList<AlertAnswer> answers;
    auto record = [&answers](const AlertAnswer &answer) {
        answers.append(answer);
    };
    QWidget window;

    // A queued answer comes from the event loop, as a user's would.
    presenter.queueAnswer(QStringLiteral("Sign Out"), true);
    presenter.present(signOutAlert(), &window, record);
    QVERIFY(answers.isEmpty());
    QTRY_COMPARE(answers.size(), 1);
    QCOMPARE(answers.first().button, 1);
    QVERIFY(answers.first().suppressed);

    // Without a queued answer the alert waits for the test; a title it lacks changes nothing.
    Alert plain;
    plain.messageText = QStringLiteral("Dropbox link");
    presenter.present(plain, nullptr, record);
    QCOMPARE(presenter.pendingCount(), 1);
    QCOMPARE(presenter.pendingAlert().messageText, QStringLiteral("Dropbox link"));
    QVERIFY(!presenter.answer(QStringLiteral("Sign Out")));
    QVERIFY(presenter.answer(QStringLiteral("OK"), true));
    QCOMPARE(answers.size(), 2);
    QCOMPARE(answers.last().button, 0);
    QVERIFY(!answers.last().suppressed); // no box to tick

    // An alert whose parent is gone is dropped unanswered.
    {
        QWidget gone;
        presenter.present(signOutAlert(), &gone, record);
    }
    QCOMPARE(presenter.pendingCount(), 0);
    QVERIFY(!presenter.answer(0));
    QCOMPARE(answers.size(), 2);
    QCOMPARE(presented.count(), 3);
    QCOMPARE(presenter.alerts().size(), 3);
}

QTEST_MAIN(TestAlertPresenter)
#include "tst_alertpresenter.moc"
