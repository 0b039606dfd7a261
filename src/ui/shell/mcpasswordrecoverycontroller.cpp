#include "mcpasswordrecoverycontroller.h"

#include "mcfunctions.h"
#include "mclinks.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int ShortestPassword = 6;

QLabel *messageLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    // An address to open by hand can be copied from it.
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0xc0, 0x20, 0x20));
    label->setPalette(palette);
    return label;
}

} // namespace

MCPasswordRecoveryController::MCPasswordRecoveryController(const QString &bundleName,
                                                           const QUrl &site, QWidget *parent)
    : QDialog(parent)
    , m_site(site)
    , m_bundleName(bundleName)
    , m_box(new QStackedWidget(this))
    , m_email(new QLineEdit)
    , m_submit(new QPushButton(tr("Submit")))
    , m_oldPassword(new QLineEdit)
    , m_password(new QLineEdit)
    , m_change(new QPushButton(tr("Change")))
{
    setObjectName(QStringLiteral("passwordRecovery"));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto *forgotView = new QWidget;
    forgotView->setObjectName(QStringLiteral("forgotView"));
    m_email->setObjectName(QStringLiteral("emailTextfield"));
    m_email->setPlaceholderText(tr("E-mail address"));
    m_forgotMessage = messageLabel(forgotView, QStringLiteral("forgotMessageTextfield"));
    m_submit->setObjectName(QStringLiteral("submitButton"));
    auto *forgotLayout = new QFormLayout(forgotView);
    forgotLayout->addRow(tr("E-mail:"), m_email);
    forgotLayout->addRow(m_forgotMessage);

    auto *changeView = new QWidget;
    changeView->setObjectName(QStringLiteral("changeView"));
    m_oldPassword->setObjectName(QStringLiteral("oldPasswordTextfield"));
    m_password->setObjectName(QStringLiteral("passwordTextfield"));
    for (QLineEdit *field : {m_oldPassword, m_password})
        field->setEchoMode(QLineEdit::Password);
    m_changeMessage = messageLabel(changeView, QStringLiteral("changeMessageTextfield"));
    m_change->setObjectName(QStringLiteral("changePasswordButton"));
    auto *changeLayout = new QFormLayout(changeView);
    changeLayout->addRow(tr("Old password:"), m_oldPassword);
    changeLayout->addRow(tr("New password:"), m_password);
    changeLayout->addRow(m_changeMessage);

    m_box->addWidget(forgotView);
    m_box->addWidget(changeView);
    auto *cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(m_submit);
    buttons->addWidget(m_change);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_box);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(m_email, &QLineEdit::textChanged, this, [this] { controlTextDidChange(3); });
    connect(m_oldPassword, &QLineEdit::textChanged, this, [this] { controlTextDidChange(1); });
    connect(m_password, &QLineEdit::textChanged, this, [this] { controlTextDidChange(2); });
    connect(m_submit, &QPushButton::clicked, this, &MCPasswordRecoveryController::confirmOperation);
    connect(m_change, &QPushButton::clicked, this, &MCPasswordRecoveryController::confirmOperation);
    connect(cancel, &QPushButton::clicked, this, &MCPasswordRecoveryController::abortOperation);
    setPasswordForgot(true);
}

void MCPasswordRecoveryController::setPasswordForgot(bool forgot)
{
    m_forgot = forgot;
    if (forgot) {
        setWindowTitle(tr("%1 - Forgot your password?").arg(m_bundleName));
        m_submit->setEnabled(false);
        m_forgotMessage->clear();
        m_email->clear();
    } else {
        setWindowTitle(tr("%1 - Change password").arg(m_bundleName));
        m_oldPassword->clear();
        m_password->clear();
        m_changeMessage->clear();
        m_change->setEnabled(false);
    }
    // Clearing the fields ran the checks: the form starts without a message.
    m_forgotMessage->clear();
    m_changeMessage->clear();
    m_box->setCurrentIndex(forgot ? 0 : 1);
    m_submit->setVisible(forgot);
    m_submit->setDefault(forgot);
    m_change->setVisible(!forgot);
    m_change->setDefault(!forgot);
    fitMessages();
}

QUrl MCPasswordRecoveryController::resetPage() const
{
    QUrl page = m_site;
    page.setPath(QStringLiteral("/forgot"));
    return page;
}

void MCPasswordRecoveryController::controlTextDidChange(int tag)
{
    if (tag == 3) {
        const bool valid = MCFunctions::validateEmail(m_email->text());
        m_forgotMessage->setText(valid ? QString() : tr("Email format is not valid"));
        m_submit->setEnabled(valid);
    } else {
        const QLineEdit *field = tag == 1 ? m_oldPassword : m_password;
        if (field->text().size() < ShortestPassword) {
            m_changeMessage->setText(tr("Password must be at least 6 characters"));
            m_change->setEnabled(false);
        }
    }
    if (m_oldPassword->text().size() >= ShortestPassword &&
        m_password->text().size() >= ShortestPassword) {
        m_change->setEnabled(true);
        m_changeMessage->clear();
    }
    fitMessages();
}

void MCPasswordRecoveryController::confirmOperation()
{
    // Nothing leaves the program from here: the message says what did happen instead.
    if (m_forgot) {
        const QUrl page = resetPage();
        if (MCLinks::open(page) && MCLinks::hasDesktopHandler(page))
            m_forgotMessage->setText(tr("The password reset page has opened in your web browser. "
                                        "Nothing was sent from here."));
        else
            m_forgotMessage->setText(tr("No web browser could open the password reset page. "
                                        "Visit %1 to reset your password. Nothing was sent.")
                                         .arg(page.toString()));
        fitMessages();
        return;
    }
    m_oldPassword->clear();
    m_password->clear();
    m_change->setEnabled(false);
    m_changeMessage->setText(tr("Kerlo cannot change your password yet: it was not changed. "
                                "Change it on the web site."));
    fitMessages();
}

void MCPasswordRecoveryController::fitMessages()
{
    // A message of several lines makes the window taller rather than being cut: each label
    // asks for the height its lines take at its width.
    for (QLabel *message : {m_forgotMessage, m_changeMessage})
        message->setMinimumHeight(
            message->text().isEmpty() ? 0 : message->heightForWidth(message->width()));
    if (QLayout *top = layout())
        top->activate();
}

void MCPasswordRecoveryController::abortOperation()
{
    hide();
}
