#include "mcwindowlogincontroller.h"

#include "kbbutton.h"
#include "mcfunctions.h"
#include "mclogintextfield.h"
#include "mcloginwindowview.h"
#include "mcshelllogging.h"
#include "mouserauthenticationmanager.h"
#include "yrkspinningprogressindicator.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSequentialAnimationGroup>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

bool s_animationsEnabled = qEnvironmentVariableIntValue("LUMARIN_INSTANT_ANIMATIONS") == 0;
int s_connectingTimeout = 30000;

constexpr int ShortestPassword = 6;
constexpr int LogoSlide = 150;

MCLoginTextField *linkLabel(const QString &text, const QUrl &url, QWidget *parent)
{
    auto *label = new MCLoginTextField(text, parent);
    label->setLink(url);
    return label;
}

QUrl siteLink(QUrl site, const QString &path)
{
    site.setPath(site.path() + path);
    return site;
}

} // namespace

MCWindowLoginController::MCWindowLoginController(MOUserAuthenticationManager *authManager,
                                                 const QUrl &site, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
    , m_authManager(authManager)
    , m_logo(new QLabel(this))
    , m_logoSpacer(new QWidget(this))
    , m_buttonsView(new QWidget(this))
    , m_username(new QLineEdit(m_buttonsView))
    , m_password(new QLineEdit(m_buttonsView))
    , m_signIn(new KBButton(tr("Sign In"), m_buttonsView))
    , m_signUpLink(
          linkLabel(tr("Sign up"), siteLink(site, QStringLiteral("/users/sign_up")), m_buttonsView))
    , m_forgotLink(linkLabel(tr("Forgot your password?"), siteLink(site, QStringLiteral("/forgot")),
                             m_buttonsView))
    , m_boxError(new QFrame(m_buttonsView))
    , m_imageError(new QLabel(m_boxError))
    , m_errorText(new QLabel(m_boxError))
    , m_progress(new YRKSpinningProgressIndicator(m_buttonsView))
    , m_connectingTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("signInWindow"));
    setWindowTitle(tr("Kerlo"));
    QPalette background = palette();
    // The window's colour is the gradient's lower end: what a disabled button fades into.
    background.setColor(QPalette::Window, QColor::fromRgbF(1.0, 94 / 255.0, 58 / 255.0));
    background.setColor(QPalette::WindowText, Qt::white);
    setPalette(background);
    setFixedSize(380, 480);
    auto *gradient = new MCLoginWindowView(this);
    gradient->setObjectName(QStringLiteral("loginWindowView"));
    gradient->setGeometry(rect());
    gradient->lower();

    m_logo->setObjectName(QStringLiteral("logoImageView"));
    m_buttonsView->setObjectName(QStringLiteral("buttonsView"));
    m_logo->setText(QStringLiteral("Kerlo"));
    QFont logoFont = m_logo->font();
    logoFont.setPointSize(28);
    logoFont.setBold(true);
    m_logo->setFont(logoFont);
    m_logo->setAlignment(Qt::AlignCenter);
    m_logo->setGraphicsEffect(new QGraphicsOpacityEffect(m_logo));
    m_logoSpacer->setFixedHeight(0);

    m_username->setObjectName(QStringLiteral("usernameTextField"));
    m_username->setPlaceholderText(tr("E-mail"));
    m_password->setObjectName(QStringLiteral("passwordTextField"));
    m_password->setPlaceholderText(tr("Password"));
    // The password is never shown, not even while typing.
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_signIn->setObjectName(QStringLiteral("buttonSignIn"));
    m_signIn->setDefault(true);
    m_signIn->setAutoDefault(true);
    m_errorText->setObjectName(QStringLiteral("errorTextField"));
    m_errorText->setWordWrap(true);
    m_errorText->setTextFormat(Qt::PlainText);
    // An address the user must open by hand can be copied.
    m_errorText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_signIn->setKBButtonType(0);
    m_progress->setColor(Qt::white);
    m_progress->setIndeterminate(true);
    m_progress->setFixedSize(24, 24);

    auto *shadow = new QGraphicsDropShadowEffect(m_forgotLink);
    shadow->setBlurRadius(2.0);
    shadow->setOffset(2.0, 2.0);
    shadow->setColor(Qt::black);
    m_forgotLink->setGraphicsEffect(shadow);

    auto *errorLayout = new QHBoxLayout(m_boxError);
    errorLayout->setContentsMargins(4, 2, 4, 2);
    m_imageError->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    errorLayout->addWidget(m_imageError);
    errorLayout->addWidget(m_errorText, 1);

    auto *fields = new QVBoxLayout(m_buttonsView);
    fields->addWidget(m_username);
    fields->addWidget(m_password);
    fields->addWidget(m_signIn);
    fields->addWidget(m_progress, 0, Qt::AlignHCenter);
    fields->addWidget(m_boxError);
    auto *links = new QHBoxLayout;
    links->addWidget(m_forgotLink);
    links->addStretch();
    links->addWidget(m_signUpLink);
    fields->addLayout(links);
    m_buttonsView->setGraphicsEffect(new QGraphicsOpacityEffect(m_buttonsView));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 20, 40, 20);
    layout->addWidget(m_logoSpacer);
    layout->addWidget(m_logo);
    layout->addStretch();
    layout->addWidget(m_buttonsView);

    m_buttonsView->hide();
    m_signUpLink->setLinkEnabled(false);
    m_forgotLink->setLinkEnabled(false);

    for (MCLoginTextField *link : {m_signUpLink, m_forgotLink}) {
        connect(link, &MCLoginTextField::linkNotOpened, this, [this](const QUrl &url) {
            m_boxError->show();
            showStatus(tr("No web browser could open the page. Visit %1").arg(url.toString()),
                       true);
        });
    }
    connect(m_signIn, &QPushButton::clicked, this, &MCWindowLoginController::signInAction);
    connect(m_password, &QLineEdit::returnPressed, this, &MCWindowLoginController::signInAction);
    connect(m_username, &QLineEdit::returnPressed, this, &MCWindowLoginController::signInAction);
    m_connectingTimer->setSingleShot(true);
    connect(m_connectingTimer, &QTimer::timeout, this, &MCWindowLoginController::didFailConnecting);
}

MCWindowLoginController::~MCWindowLoginController() = default;

void MCWindowLoginController::setAnimationsEnabled(bool enabled)
{
    s_animationsEnabled = enabled;
}

bool MCWindowLoginController::animationsEnabled()
{
    return s_animationsEnabled;
}

void MCWindowLoginController::setConnectingTimeout(int milliseconds)
{
    s_connectingTimeout = milliseconds;
}

void MCWindowLoginController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_animationStarted) {
        m_animationStarted = true;
        startOpeningAnimation();
    }
}

void MCWindowLoginController::closeEvent(QCloseEvent *event)
{
    // The close button means "quit"; the delegate closes the window on success by hiding it.
    event->ignore();
    emit exitRequested();
}

void MCWindowLoginController::startOpeningAnimation()
{
    auto *logoOpacity = static_cast<QGraphicsOpacityEffect *>(m_logo->graphicsEffect());
    if (!s_animationsEnabled) {
        logoOpacity->setOpacity(1.0);
        m_logoSpacer->setFixedHeight(LogoSlide);
        addButtonsView();
        return;
    }
    logoOpacity->setOpacity(0.0);
    auto *group = new QSequentialAnimationGroup(this);
    auto *fade = new QPropertyAnimation(logoOpacity, "opacity", group);
    fade->setDuration(1500);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    auto *slide = new QPropertyAnimation(m_logoSpacer, "minimumHeight", group);
    slide->setDuration(1000);
    slide->setStartValue(0);
    slide->setEndValue(LogoSlide);
    group->addAnimation(fade);
    group->addAnimation(slide);
    connect(group, &QAbstractAnimation::finished, this, &MCWindowLoginController::addButtonsView);
    m_animation = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void MCWindowLoginController::addButtonsView()
{
    m_progress->hide();
    // A refusal that came while the window was opening stays in sight.
    if (m_errorText->text().isEmpty()) {
        m_boxError->hide();
        m_imageError->hide();
    }
    auto *opacity = static_cast<QGraphicsOpacityEffect *>(m_buttonsView->graphicsEffect());
    m_buttonsView->show();
    if (!s_animationsEnabled) {
        opacity->setOpacity(1.0);
        buttonsShown();
        return;
    }
    opacity->setOpacity(0.0);
    auto *fade = new QPropertyAnimation(opacity, "opacity", this);
    fade->setDuration(1000);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    connect(fade, &QAbstractAnimation::finished, this, &MCWindowLoginController::buttonsShown);
    m_animation = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void MCWindowLoginController::buttonsShown()
{
    // The opacity effect is only needed while fading: it makes every repaint costlier.
    m_buttonsView->graphicsEffect()->setEnabled(false);
    m_signUpLink->setLinkEnabled(true);
    m_forgotLink->setLinkEnabled(true);
    m_username->setFocus(Qt::OtherFocusReason);
    m_ready = true;
    emit opened();
}

bool MCWindowLoginController::fieldsAreValid()
{
    QString problem;
    if (!MCFunctions::validateEmail(m_username->text()))
        problem = tr("Email format is not valid");
    else if (m_password->text().size() < ShortestPassword)
        problem = tr("Password must be at least 6 characters");
    if (problem.isEmpty())
        return true;
    stopSpinner();
    showStatus(problem, true);
    return false;
}

void MCWindowLoginController::signInAction()
{
    if (m_connecting || !m_signIn->isEnabled())
        return;
    m_boxError->show();
    m_errorText->show();
    if (!fieldsAreValid())
        return;
    m_progress->show();
    m_progress->startAnimation();
    showStatus(tr("Connecting to Kerlo server..."), false);
    m_connecting = true;
    setControlsEnabled(false);
    m_connectingTimer->start(s_connectingTimeout);
    if (m_authManager)
        m_authManager->authenticateUser(m_username->text(), m_password->text());
}

void MCWindowLoginController::resetLoginWindow()
{
    stopSpinner();
    setControlsEnabled(true);
    m_password->clear();
    m_boxError->hide();
}

void MCWindowLoginController::didFailAuthenticatingUser(int statusCode)
{
    setControlsEnabled(true);
    stopSpinner();
    m_boxError->show();
    // Only a refusal doubts the password; the fields stay as typed for another try.
    if (statusCode == 401) {
        showStatus(tr("This email and password pair is invalid"), true);
        return;
    }
    qCInfo(lcShell) << "The sign-in failed with status" << statusCode;
    showStatus(statusCode == 0 ? tr("Can't contact the server. Check your connection and try "
                                    "again.")
                               : tr("The Kerlo server could not sign you in. Try again later."),
               true);
}

void MCWindowLoginController::didFailAuthorizingClientWithUsername(const QString &username)
{
    setControlsEnabled(true);
    stopSpinner();
    m_boxError->show();
    showStatus(tr("This client is not authorized"), true);
    if (!username.isEmpty())
        m_username->setText(username);
    m_password->clear();
}

void MCWindowLoginController::didFailConnecting()
{
    if (!m_connecting)
        return;
    qCInfo(lcShell) << "The sign-in got no answer; the window takes input again";
    setControlsEnabled(true);
    stopSpinner();
    m_boxError->show();
    showStatus(tr("Can't contact the server..."), true);
}

bool MCWindowLoginController::isConnecting() const
{
    return m_connecting;
}

QPushButton *MCWindowLoginController::buttonSignIn() const
{
    return m_signIn;
}

QString MCWindowLoginController::statusText() const
{
    return m_boxError->isHidden() ? QString() : m_errorText->text();
}

void MCWindowLoginController::setControlsEnabled(bool enabled)
{
    if (enabled) {
        m_connecting = false;
        m_connectingTimer->stop();
    }
    m_signIn->setEnabled(enabled);
    m_signUpLink->setLinkEnabled(enabled);
    m_forgotLink->setLinkEnabled(enabled);
    m_username->setEnabled(enabled);
    m_password->setEnabled(enabled);
    if (enabled && m_ready)
        m_username->setFocus(Qt::OtherFocusReason);
}

void MCWindowLoginController::stopSpinner()
{
    m_progress->stopAnimation();
    m_progress->hide();
}

void MCWindowLoginController::showStatus(const QString &text, bool asError)
{
    m_imageError->setVisible(asError);
    m_errorText->setText(text);
}
