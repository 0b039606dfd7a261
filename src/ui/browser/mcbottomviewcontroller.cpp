#include "mcbottomviewcontroller.h"

#include "bottombar/mcsharelinkpopover.h"
#include "bwtexturedslidercell.h"
#include "mcclicktextfield.h"
#include "mciconsizes.h"
#include "mcoptions.h"
#include "mcstring.h"
#include "moconstants.h"
#include "mocorenotification.h"
#include "monotificationcenter.h"
#include "mouseraccount.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QMenu>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QUrl>

namespace {

const QString IconSize = QStringLiteral("IconSize");

// The knob's place for a size: a size the table lacks puts it at the far right.
int sliderIndexForSize(int size)
{
    const int index = MCIconSizes::table().indexOf(size);
    return index < 0 ? MCIconSizes::table().size() - 1 : index;
}

} // namespace

MCBottomViewController::MCBottomViewController(MCOptions *options, MOObjectsManager *objects,
                                               MONotificationCenter *coreMessages, QWidget *parent)
    : QWidget(parent)
    , m_options(options)
    , m_username(new QToolButton(this))
    , m_accountMenu(new QMenu(m_username))
    , m_info(new MCClickTextField(this))
    , m_slider(new BWTexturedSliderCell(this))
    , m_popover(new MCShareLinkPopover(objects, coreMessages, this))
{
    setFixedHeight(24);
    m_username->setObjectName(QStringLiteral("popupUsername"));
    m_username->setAutoRaise(true);
    m_username->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_username->setIcon(QIcon::fromTheme(QStringLiteral("avatar-default")));
    m_username->setIconSize(QSize(16, 16));
    m_accountMenu->setObjectName(QStringLiteral("menuUsername"));
    m_username->setMenu(m_accountMenu);
    m_username->setPopupMode(QToolButton::InstantPopup);
    m_info->setObjectName(QStringLiteral("infoTextField"));
    m_info->setTextFormat(Qt::PlainText);
    m_info->setAlignment(Qt::AlignCenter);
    m_info->setToolTip(tr("Click to change what is shown"));
    m_slider->setObjectName(QStringLiteral("slider"));
    m_slider->setRange(0, MCIconSizes::table().size() - 1);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(4);
    m_slider->setFixedWidth(120);
    m_slider->setToolTip(tr("Icon size"));

    m_sizeFormatter.setUseBaseTenUnits(true);
    m_sizeFormatter.setMaximumFractionDigits(1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->addWidget(m_username);
    layout->addStretch();
    layout->addWidget(m_info);
    layout->addStretch();
    layout->addWidget(m_slider);

    connect(m_info, &MCClickTextField::mouseDownTextFieldClicked, this,
            &MCBottomViewController::updateCenteredTextField);
    connect(m_slider, &QSlider::valueChanged, this, &MCBottomViewController::didSlide);
    connect(m_accountMenu, &QMenu::aboutToShow, this, &MCBottomViewController::fillAccountMenu);
    loadOptions();
    if (m_options) {
        connect(m_options, &MCOptions::valueChanged, this,
                [this](const QString &dictionary, const QString &key, const QVariant &value) {
                    if (dictionary != MCOptions::IconController || key != IconSize)
                        return;
                    const QSignalBlocker quiet(m_slider);
                    m_slider->setValue(sliderIndexForSize(value.toInt()));
                });
        connect(m_options, &MCOptions::dictionaryReplaced, this, [this](const QString &dictionary) {
            if (dictionary == MCOptions::IconController)
                loadOptions();
        });
    }
    updateCenteredTextField();
    // A link the service could not make is reported in the popover, where the link would be.
    if (coreMessages)
        coreMessages->addObserver(
            this, MONotification, nullptr, [this](const MOPostedNotification &notification) {
                const MOCoreNotification message(notification);
                if (message.type() == MOCoreNotification::Error &&
                    message.action() == MOCoreNotification::CreateShareLink)
                    showShareLinkPopupWith(QUrl(),
                                           message.storageObject().value_or(MOStorageObject()));
            });
}

MCBottomViewController::~MCBottomViewController() = default;

void MCBottomViewController::loadOptions()
{
    // A missing size reads as the default and is not written back.
    const int size =
        m_options ? m_options->value(MCOptions::IconController, IconSize, MCIconSizes::DefaultSize)
                        .toInt()
                  : MCIconSizes::DefaultSize;
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(sliderIndexForSize(size));
}

void MCBottomViewController::didSlide(int index)
{
    if (m_options)
        m_options->setValue(MCOptions::IconController, IconSize,
                            MCIconSizes::table().value(index, MCIconSizes::DefaultSize));
}

void MCBottomViewController::setAccount(const MOUserAccount &account)
{
    // Figures below zero from the service count as none, as on the account page.
    m_usedSizeString =
        m_sizeFormatter.stringFromNumber(double(qMax<qint64>(0, account.usedSize())));
    m_totalSizeString =
        m_sizeFormatter.stringFromNumber(double(qMax<qint64>(0, account.totalSize())));
    updateCenteredTextField();
}

void MCBottomViewController::setSelectedCount(qint64 count)
{
    m_selected = count;
    updateCenteredTextField();
}

void MCBottomViewController::setTotalCount(qint64 count)
{
    m_total = count;
    updateCenteredTextField();
}

void MCBottomViewController::updateCenteredTextField()
{
    const QString counts = m_selected != 0 ? tr("%1 of %2 selected").arg(m_selected).arg(m_total)
                                           : MCString::stringWithItemsCount(long(m_total));
    QString text = counts;
    if (!m_usedSizeString.isEmpty() && !m_totalSizeString.isEmpty()) {
        switch (m_info->showedInfo()) {
        case 0:
            text =
                tr("%1, %2 %3, %4 %5")
                    .arg(counts, m_usedSizeString, tr("used"), m_totalSizeString, tr("available"));
            break;
        case 1:
            text = tr("%1, %2 %3").arg(counts, m_usedSizeString, tr("used"));
            break;
        case 2:
            text = tr("%1, %2 %3").arg(counts, m_totalSizeString, tr("available"));
            break;
        default:
            break;
        }
    }
    m_info->setText(text);
}

void MCBottomViewController::fillAccountMenu()
{
    // A pop-up button's menu: its one item is the title the button shows, the signed-in account.
    m_accountMenu->clear();
    QAction *account = m_accountMenu->addAction(m_username->icon(), m_username->text());
    account->setCheckable(true);
    account->setChecked(true);
}

QWidget *MCBottomViewController::popoverAnchor() const
{
    return m_shareLinkAnchor && m_shareLinkAnchor->isVisible() ? m_shareLinkAnchor.data()
                                                               : m_username;
}

void MCBottomViewController::showShareLinkPopupWith(const QUrl &link, const MOStorageObject &object)
{
    m_popover->showShareLinkPopupWith(link, object, popoverAnchor());
}

void MCBottomViewController::showSendShareLinkViaEmailWith(const QUrl &link,
                                                           const QString &filePath)
{
    m_popover->showSendShareLinkViaEmailWith(link, filePath, m_username);
}
