#include "mcaboutcontroller.h"

#include "mclinks.h"
#include "mclinktextfield.h"
#include "mcwelcomepictures.h"

#include <QDateTime>
#include <QLabel>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel *plainLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

MCLinkTextField *makeLinkField(const QString &name, const QString &text, const QUrl &url,
                               QWidget *parent)
{
    auto *field = new MCLinkTextField(text, parent);
    field->setObjectName(name);
    field->setAlignment(Qt::AlignCenter);
    field->setLink(url);
    field->setToolTip(url.toString());
    QPalette linkColour = field->palette();
    linkColour.setColor(QPalette::WindowText, linkColour.color(QPalette::Link));
    field->setPalette(linkColour);
    return field;
}

} // namespace

MCAboutController::MCAboutController(const BundleValues &bundle, const QUrl &site, QWidget *parent)
    : QDialog(parent)
    , m_site(site)
    , m_logoButton(new QToolButton(this))
    , m_name(plainLabel(QStringLiteral("applicationNameTextField"), this))
    , m_version(plainLabel(QStringLiteral("versionTextField"), this))
    , m_build(plainLabel(QStringLiteral("buildLabel"), this))
{
    setObjectName(QStringLiteral("aboutWindow"));
    setWindowTitle(tr("About %1").arg(bundle.name()));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    QUrl homepage = site;
    homepage.setScheme(QStringLiteral("https"));
    QUrl mail;
    mail.setScheme(QStringLiteral("mailto"));
    mail.setPath(QStringLiteral("support@") + site.host());
    m_link = makeLinkField(QStringLiteral("linkLabel"), site.host(), site, this);
    m_support = makeLinkField(QStringLiteral("supportMailTo"), mail.path(), mail, this);

    m_logoButton->setObjectName(QStringLiteral("logoButton"));
    m_logoButton->setAutoRaise(true);
    m_logoButton->setIconSize(QSize(96, 96));
    m_logoButton->setIcon(MCWelcomePictures::picture(0, QSize(96, 96), devicePixelRatioF()));
    m_logoButton->setToolTip(homepage.toString());
    m_logoButton->setCursor(Qt::PointingHandCursor);

    m_name->setText(bundle.name());
    QFont nameFont = m_name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    m_name->setFont(nameFont);
    m_version->setText(tr("Kerlo %1 Build %2")
                           .arg(bundle.string(BundleValues::ShortVersionKey),
                                bundle.string(BundleValues::VersionKey)));
    m_build->setText(buildText(bundle.string(BundleValues::BuildDateKey)));
    QLabel *notice = plainLabel(QStringLiteral("noticeTextField"), this);
    notice->setText(tr("A desktop client of the Kerlo cloud storage service."));
    notice->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 20, 30, 20);
    layout->addWidget(m_logoButton, 0, Qt::AlignHCenter);
    for (QWidget *widget : {static_cast<QWidget *>(m_name), static_cast<QWidget *>(m_version),
                            static_cast<QWidget *>(m_build), static_cast<QWidget *>(notice),
                            static_cast<QWidget *>(m_link), static_cast<QWidget *>(m_support)})
        layout->addWidget(widget);
    // At least 340 wide, wider when a line needs it; as tall as the lines need at that width
    // (the notice wraps).
    const int width = qMax(340, layout->sizeHint().width());
    setFixedSize(width, qMax(layout->sizeHint().height(), heightForWidth(width)));

    connect(m_logoButton, &QToolButton::clicked, this, &MCAboutController::goToHomepage);
}

QString MCAboutController::buildText(const QString &buildDate)
{
    static const QRegularExpression format(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z$"));
    const QDateTime date = format.match(buildDate).hasMatch()
                               ? QDateTime::fromString(buildDate, Qt::ISODate)
                               : QDateTime();
    // A build without a readable date says so rather than showing a blank.
    if (!date.isValid())
        return tr("Built %1").arg(tr("(unknown date)"));
    return tr("Built %1").arg(date.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000")));
}

void MCAboutController::goToHomepage()
{
    QUrl homepage = m_site;
    homepage.setScheme(QStringLiteral("https"));
    MCLinks::open(homepage);
}
