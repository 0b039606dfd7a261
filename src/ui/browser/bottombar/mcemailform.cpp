#include "mcemailform.h"

#include "kbbutton.h"
#include "mcbrowserlog.h"
#include "mcemailtoken.h"
#include "mcemailtokenfield.h"
#include "mcfunctions.h"
#include "mcimages.h"
#include "mcimageview.h"
#include "mcremotepath.h"
#include "mcstring.h"
#include "mctextviewplaceholder.h"
#include "moconstants.h"
#include "mocontactsmanager.h"
#include "mocorenotification.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "mosharelinknotification.h"
#include "yrkspinningprogressindicator.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// One e-mail goes to a handful of people, not a mailing list; an address is at most 254
// characters long.
constexpr int MaximumRecipients = 50;
constexpr int MaximumAddressLength = 254;

} // namespace

MCEmailForm::MCEmailForm(MOObjectsManager *objects, MONotificationCenter *coreMessages,
                         QWidget *parent)
    : QWidget(parent)
    , m_objects(objects)
    , m_contactsManager(new MOContactsManager(this))
    , m_textHeader(new QLabel)
    , m_imageLink2(new MCImageView(this))
    , m_tokenField(new MCEmailTokenField(this))
    , m_messageTextView(new MCTextViewPlaceholder(this))
    , m_buttonEmail(new KBButton(tr("Send"), this))
    , m_buttonBack(new QToolButton(this))
    , m_imageSendingEmail(new QLabel(this))
    , m_progress(new YRKSpinningProgressIndicator(this))
    , m_textSendingEmail(new QLabel(this))
{
    setObjectName(QStringLiteral("popupSecondView"));
    m_contactsManager->setDelegate(this);
    m_textHeader->setObjectName(QStringLiteral("textHeader"));
    m_imageLink2->setObjectName(QStringLiteral("imageLink2"));
    m_messageTextView->setObjectName(QStringLiteral("messageTextView"));
    m_buttonEmail->setObjectName(QStringLiteral("buttonEmail"));
    m_buttonBack->setObjectName(QStringLiteral("buttonBackPreviousView"));
    m_imageSendingEmail->setObjectName(QStringLiteral("imageSendingEmail"));
    m_progress->setObjectName(QStringLiteral("progressSendingEmail"));
    m_textSendingEmail->setObjectName(QStringLiteral("textSendingEmail"));

    // The header band.
    auto *boxHeader = new QWidget(this);
    boxHeader->setObjectName(QStringLiteral("boxHeader"));
    boxHeader->setAutoFillBackground(true);
    QPalette band = boxHeader->palette();
    band.setColor(QPalette::Window, QColor::fromRgbF(0.0, 0.33, 0.80));
    band.setColor(QPalette::WindowText, Qt::white);
    boxHeader->setPalette(band);
    m_textHeader->setParent(boxHeader);
    m_textHeader->setTextFormat(Qt::PlainText);
    m_textHeader->setPalette(band);
    QFont bold = m_textHeader->font();
    bold.setBold(true);
    m_textHeader->setFont(bold);
    m_buttonBack->setArrowType(Qt::LeftArrow);
    m_buttonBack->setAutoRaise(true);
    m_buttonBack->setToolTip(tr("Back"));
    auto *headerLayout = new QHBoxLayout(boxHeader);
    headerLayout->setContentsMargins(6, 4, 6, 4);
    headerLayout->addWidget(m_buttonBack);
    headerLayout->addWidget(m_textHeader, 1);

    m_imageLink2->setFixedSize(64, 64);
    m_messageTextView->setAcceptRichText(false);
    m_messageTextView->setFixedHeight(70);
    m_buttonEmail->setKBButtonType(1);
    m_imageSendingEmail->setFixedSize(16, 16);
    m_progress->setFixedSize(16, 16);
    m_textSendingEmail->setTextFormat(Qt::PlainText);
    m_textSendingEmail->setWordWrap(true);

    auto *fields = new QGridLayout;
    fields->addWidget(m_imageLink2, 0, 0, 2, 1, Qt::AlignTop);
    fields->addWidget(m_tokenField, 0, 1);
    fields->addWidget(m_messageTextView, 1, 1);
    auto *status = new QHBoxLayout;
    status->addWidget(m_imageSendingEmail);
    status->addWidget(m_progress);
    status->addWidget(m_textSendingEmail, 1);
    status->addWidget(m_buttonEmail);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(boxHeader);
    auto *body = new QVBoxLayout;
    body->setContentsMargins(10, 6, 10, 0);
    body->addLayout(fields);
    body->addLayout(status);
    layout->addLayout(body);
    resetStatus();

    connect(m_buttonEmail, &QPushButton::clicked, this, &MCEmailForm::actionSendEmail);
    connect(m_buttonBack, &QToolButton::clicked, this, &MCEmailForm::backRequested);
    if (m_objects)
        m_objects->notificationCenter()->addObserver(this, &MCEmailForm::emailsSentNotification,
                                                     MOObjectsDidSendShareLinkViaEmailNotification);
    if (coreMessages)
        coreMessages->addObserver(this, &MCEmailForm::coreMessage, MONotification);
}

MCEmailForm::~MCEmailForm() = default;

void MCEmailForm::setShare(const QUrl &link, const QString &filePath)
{
    m_link = link;
    m_filePath = filePath;
    m_textHeader->setText(tr("%1 '%2'").arg(
        tr("Share"), MCString::stringByIsolatingName(MCRemotePath::lastComponent(filePath))));
}

void MCEmailForm::clearEntries()
{
    m_tokenField->clear();
    m_messageTextView->clear();
}

void MCEmailForm::resetStatus()
{
    if (m_sending)
        return;
    m_progress->stopAnimation();
    m_progress->hide();
    m_imageSendingEmail->hide();
    m_textSendingEmail->clear();
}

void MCEmailForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Completion names come from the contacts as they are now.
    m_contactsManager->listContacts();
}

void MCEmailForm::collaborationManagerDidReceiveContacts(MOContactsManager *,
                                                         const QList<MOUserAccount> &contacts)
{
    m_tokenField->setContacts(MCEmailToken::contactsFrom(contacts));
}

void MCEmailForm::actionSendEmail()
{
    m_tokenField->tokenizeEntries();
    if (m_sending || m_tokenField->entries().isEmpty() || !m_objects)
        return;
    const QStringList addresses = m_tokenField->recipients();
    if (addresses.size() > MaximumRecipients) {
        refuse(tr("Too many recipients: an e-mail goes to at most %1 addresses.")
                   .arg(MaximumRecipients));
        return;
    }
    for (const QString &address : addresses) {
        if (address.size() > MaximumAddressLength) {
            refuse(tr("An address is too long: at most %1 characters.").arg(MaximumAddressLength));
            return;
        }
        if (!MCFunctions::validateEmail(address)) {
            refuse(tr("%1 %2").arg(address, tr("not valid")));
            return;
        }
    }
    m_sending = true;
    m_imageSendingEmail->hide();
    m_progress->show();
    m_progress->startAnimation();
    m_textSendingEmail->setText(tr("Sending email(s)..."));
    if (QWidget *focused = focusWidget())
        focused->clearFocus();
    m_objects->sendShareLinkByEmailWithShareLink(m_link, m_filePath, addresses,
                                                 m_messageTextView->toPlainText());
}

void MCEmailForm::refuse(const QString &reason)
{
    // Nothing was sent: what was typed stays for the user to mend.
    m_textSendingEmail->setText(reason);
    m_imageSendingEmail->setPixmap(MCImages::themedOrNamed(QStringLiteral("dialog-warning"),
                                                           QStringLiteral("rejected.png"), 16));
    m_imageSendingEmail->show();
}

void MCEmailForm::emailsSentNotification(const MOPostedNotification &notification)
{
    if (!m_sending)
        return;
    const MOShareLinkNotification sent(notification);
    const QStringList errors = sent.errors();
    if (errors.isEmpty()) {
        finishSending(tr("Email(s) sent"), true);
        return;
    }
    // The service reached some addresses and not others: say which, in its words.
    const QString failed = errors.join(QLatin1Char('\n'));
    finishSending(sent.recipients().isEmpty()
                      ? failed
                      : tr("Email(s) sent to %1\n%2")
                            .arg(sent.recipients().join(QStringLiteral(", ")), failed),
                  false);
}

void MCEmailForm::coreMessage(const MOPostedNotification &notification)
{
    const MOCoreNotification message(notification);
    if (!m_sending || message.type() != MOCoreNotification::Error ||
        message.action() != MOCoreNotification::EmailShareLink)
        return;
    qCInfo(lcBrowser) << "The share-link e-mail was not sent";
    finishSending(message.message(), false);
    emit sendFailed();
}

void MCEmailForm::finishSending(const QString &status, bool success)
{
    m_sending = false;
    m_progress->stopAnimation();
    m_progress->hide();
    m_textSendingEmail->setText(status);
    m_imageSendingEmail->setPixmap(
        success ? MCImages::named(QStringLiteral("acceptedColored.png"))
                      .scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                : MCImages::themedOrNamed(QStringLiteral("dialog-warning"),
                                          QStringLiteral("rejected.png"), 16));
    m_imageSendingEmail->show();
}
