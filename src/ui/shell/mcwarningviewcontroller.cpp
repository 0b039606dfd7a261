#include "mcwarningviewcontroller.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QStyle>

namespace {

// The colour names the banner's look is given in.
const QColor Banana(0xff, 0xff, 0x66);
const QColor Tangerine(0xff, 0x80, 0x00);
const QColor Cantaloupe(0xff, 0xcc, 0x66);
const QColor Maraschino(0xff, 0x00, 0x00);

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(alpha);
    return color;
}

struct Look
{
    const char *icon;
    QStyle::StandardPixmap fallback;
    const char *text;
    QColor border;
    QColor fill;
};

} // namespace

MCWarningViewController::MCWarningViewController(QWidget *parent)
    : QFrame(parent)
    , m_imageView(new QLabel(this))
    , m_textField(new QLabel(this))
{
    setObjectName(QStringLiteral("connectivityBanner"));
    setFixedHeight(28);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    m_imageView->setFixedSize(16, 16);
    layout->addWidget(m_imageView);
    layout->addWidget(m_textField, 1);
    applyColors();
}

void MCWarningViewController::setStatus(qint64 status)
{
    static const Look looks[] = {
        {"network-offline", QStyle::SP_MessageBoxWarning, "No internet connection",
         withAlpha(Banana, 0.4), withAlpha(Banana, 0.3)},
        {"applications-system", QStyle::SP_MessageBoxInformation,
         "Our servers are currently in Maintenance", withAlpha(Tangerine, 0.3),
         withAlpha(Cantaloupe, 0.6)},
        {"dialog-error", QStyle::SP_MessageBoxCritical, "Can't contact the server...",
         withAlpha(Maraschino, 0.6), withAlpha(Maraschino, 0.5)},
        {"security-low", QStyle::SP_MessageBoxCritical,
         "The server's certificate is not trusted by this system", withAlpha(Maraschino, 0.6),
         withAlpha(Maraschino, 0.5)},
    };
    if (status >= NoInternet && status <= UntrustedCertificate) {
        const Look &look = looks[status];
        m_iconName = QString::fromLatin1(look.icon);
        const QIcon icon =
            QIcon::fromTheme(m_iconName, style()->standardIcon(look.fallback, nullptr, this));
        m_imageView->setPixmap(icon.pixmap(16, 16));
        m_textField->setText(tr(look.text));
        m_borderColor = look.border;
        m_fillColor = look.fill;
    } else {
        m_textField->clear();
        m_borderColor = Qt::transparent;
        m_fillColor = Qt::transparent;
    }
    applyColors();
    m_currentStatus = status;
}

QString MCWarningViewController::text() const
{
    return m_textField->text();
}

qint64 MCWarningViewController::statusForConnectivity(uint connectivity)
{
    switch (connectivity) {
    case 4:
        return UntrustedCertificate;
    case 3:
        return Hidden;
    case 2:
        return Maintenance;
    case 1:
        return Unreachable;
    default:
        return NoInternet;
    }
}

void MCWarningViewController::applyColors()
{
    const auto rgba = [](const QColor &c) {
        return QStringLiteral("rgba(%1,%2,%3,%4)")
            .arg(c.red())
            .arg(c.green())
            .arg(c.blue())
            .arg(c.alphaF());
    };
    setStyleSheet(QStringLiteral("#connectivityBanner { border: 1px solid %1; background: %2; }")
                      .arg(rgba(m_borderColor), rgba(m_fillColor)));
}
