#include "mcaccountcontroller.h"

#include "mcaccountview.h"
#include "mcavatarimage.h"
#include "mcavatars.h"
#include "mcbrowsableviewcontroller.h"
#include "mcdevicesmodel.h"
#include "mcfilesizeformatter.h"
#include "mcmousedowntextfield.h"
#include "mcsharelinksmodel.h"
#include "mcshelllogging.h"
#include "mcspacebox.h"
#include "moconstants.h"
#include "modevicesmanager.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "mosharelinknotification.h"

#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryFile>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const int AvatarSide = 96;
const int UploadSide = 256;
const int ShareLinksLimit = 200;

QLabel *plainLabel(QWidget *parent, const QString &text = QString())
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

MCMouseDownTextField *link(QWidget *parent, const QString &text, int tag)
{
    auto *field = new MCMouseDownTextField(text, parent);
    field->setTextFormat(Qt::PlainText);
    field->setProperty("tag", tag);
    QPalette palette = field->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
    field->setPalette(palette);
    return field;
}

QFrame *separator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel *heading(QWidget *parent, const QString &text)
{
    QLabel *label = plainLabel(parent, text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// Until the user has a picture: the first letter of the address on a grey disc.
QPixmap placeholderPicture(const QString &email)
{
    const int side = AvatarSide - 8;
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x9A, 0x9A, 0x9A));
    painter.drawEllipse(picture.rect());
    QFont font = painter.font();
    font.setPixelSize(side / 2);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(picture.rect(), Qt::AlignCenter, email.left(1).toUpper());
    return picture;
}

} // namespace

MCAccountController::MCAccountController(MCAvatars *avatars, MODevicesManager *devices,
                                         MOObjectsManager *objects, QWidget *parent)
    : QWidget(parent)
    , m_avatars(avatars)
    , m_devices(devices)
    , m_objects(objects)
    , m_sizeFormatter(new MCFileSizeFormatter)
    , m_mainView(new MCAccountView(this))
    , m_segmentedControl(new QTabBar(this))
    , m_views(new QStackedWidget(this))
    , m_devicesModel(new MCDevicesModel(this))
{
    setObjectName(title());
    m_sizeFormatter->setUseBaseTenUnits(true);
    m_sizeFormatter->setMaximumFractionDigits(1);

    m_segmentedControl->addTab(tr("Account"));
    m_segmentedControl->addTab(tr("Devices"));
    m_segmentedControl->setDrawBase(false);
    m_views->addWidget(buildBaseView());
    m_views->addWidget(buildAdvancedView());

    auto *mainLayout = new QVBoxLayout(m_mainView);
    mainLayout->setContentsMargins(24, 16, 24, 16);
    mainLayout->addWidget(m_segmentedControl, 0, Qt::AlignHCenter);
    mainLayout->addWidget(m_views, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_mainView);

    connect(m_segmentedControl, &QTabBar::currentChanged, this, &MCAccountController::switchView);
    if (m_avatars) {
        connect(m_avatars, &MCAvatars::avatarChanged, this, &MCAccountController::avatarChanged);
        // The core has its own copy of the picture once the upload has ended, either way.
        connect(m_avatars, &MCAvatars::avatarUpdated, this,
                &MCAccountController::removeUploadedFile);
        connect(m_avatars, &MCAvatars::avatarUpdateFailed, this,
                &MCAccountController::avatarUpdateFailed);
    }
    if (m_devices) {
        connect(m_devices, &MODevicesManager::devicesListed, this,
                [this](const QList<MODevice> &devices) {
                    m_devicesModel->setDevices(devices);
                    m_devicesStatus->setText(devices.isEmpty() ? tr("No devices are known yet.")
                                                               : QString());
                    m_devicesStatus->setVisible(devices.isEmpty());
                });
        connect(
            m_devices, &MODevicesManager::devicesListFailed, this, [this](const QString &message) {
                m_devicesStatus->setText(tr("The devices could not be listed. %1").arg(message));
                m_devicesStatus->show();
            });
    }
    if (m_objects)
        m_objects->notificationCenter()->addObserver(this, &MCAccountController::receivedShareLinks,
                                                     MOObjectsDidGetShareLinksListNotification);
    avatarChanged();
    setAccount(MOUserAccount());
    switchView(0);
}

MCAccountController::~MCAccountController()
{
    delete m_sizeFormatter;
}

QString MCAccountController::title() const
{
    return QStringLiteral("account://");
}

QWidget *MCAccountController::buildBaseView()
{
    auto *base = new QWidget(m_views);
    base->setObjectName(QStringLiteral("baseView"));

    m_avatarView = new QLabel(base);
    m_avatarView->setFixedSize(AvatarSide, AvatarSide);
    m_avatarView->setAlignment(Qt::AlignCenter);
    m_avatarView->setFrameShape(QFrame::StyledPanel);
    m_avatarView->setToolTip(tr("Drop an Image Here"));
    m_avatarView->setAcceptDrops(true);
    m_avatarView->installEventFilter(this);
    m_emailField = heading(base, QString());
    m_fullNameField = plainLabel(base);
    m_textChangeImage = link(base, tr("Change picture…"), ChangeImage);
    m_textImageIsChanging = plainLabel(base, tr("Uploading your picture…"));
    m_textImageIsChanging->hide();
    m_textImageError = plainLabel(base);
    m_textImageError->setWordWrap(true);
    QPalette errorPalette = m_textImageError->palette();
    errorPalette.setColor(QPalette::WindowText, QColor(0xC0, 0x1C, 0x28));
    m_textImageError->setPalette(errorPalette);
    m_textImageError->hide();

    auto *identity = new QVBoxLayout;
    identity->addWidget(m_emailField);
    identity->addWidget(m_fullNameField);
    identity->addSpacing(8);
    identity->addWidget(m_textChangeImage, 0, Qt::AlignLeft);
    identity->addWidget(m_textImageIsChanging);
    identity->addWidget(m_textImageError);
    identity->addStretch(1);
    auto *boxAccountInfo = new QHBoxLayout;
    boxAccountInfo->addWidget(m_avatarView, 0, Qt::AlignTop);
    boxAccountInfo->addSpacing(16);
    boxAccountInfo->addLayout(identity, 1);

    m_usedSpaceRatioField = plainLabel(base);
    m_spaceBox = new MCSpaceBox(base);
    m_textUsedSpace = plainLabel(base);
    m_textFreeSpace = plainLabel(base);
    m_textSharedSpace = plainLabel(base);
    auto *sizes = new QHBoxLayout;
    const auto swatch = [base](const QColor &color) {
        auto *box = new QFrame(base);
        box->setFixedSize(12, 12);
        box->setAutoFillBackground(true);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Window, color);
        box->setPalette(palette);
        return box;
    };
    sizes->addWidget(swatch(m_spaceBox->boxUsedSpace()->palette().color(QPalette::Window)));
    sizes->addWidget(m_textUsedSpace);
    sizes->addSpacing(16);
    sizes->addWidget(swatch(m_spaceBox->palette().color(QPalette::Base)));
    sizes->addWidget(m_textFreeSpace);
    sizes->addSpacing(16);
    sizes->addWidget(swatch(m_spaceBox->boxSharedSpace()->palette().color(QPalette::Window)));
    sizes->addWidget(m_textSharedSpace);
    sizes->addStretch(1);

    m_textChangePassword = link(base, tr("Change password…"), ChangePassword);
    m_textForgotPassword = link(base, tr("Forgot your password?"), ForgotPassword);
    auto *passwords = new QHBoxLayout;
    passwords->addWidget(m_textChangePassword);
    passwords->addSpacing(16);
    passwords->addWidget(m_textForgotPassword);
    passwords->addStretch(1);
    for (MCMouseDownTextField *field :
         {m_textChangeImage, m_textChangePassword, m_textForgotPassword})
        connect(field, &MCMouseDownTextField::mouseDownTextFieldClicked, this,
                &MCAccountController::mouseDownTextFieldClicked);

    auto *layout = new QVBoxLayout(base);
    layout->setContentsMargins(0, 16, 0, 0);
    layout->addLayout(boxAccountInfo);
    layout->addSpacing(12);
    layout->addWidget(separator(base));
    layout->addWidget(heading(base, tr("Storage")));
    layout->addWidget(m_usedSpaceRatioField);
    layout->addWidget(m_spaceBox);
    layout->addLayout(sizes);
    layout->addSpacing(12);
    layout->addWidget(separator(base));
    layout->addWidget(heading(base, tr("Password")));
    layout->addLayout(passwords);
    layout->addStretch(1);
    return base;
}

QWidget *MCAccountController::buildAdvancedView()
{
    auto *advanced = new QWidget(m_views);
    advanced->setObjectName(QStringLiteral("advancedView"));
    m_devicesTable = new QTableView(advanced);
    m_devicesTable->setModel(m_devicesModel);
    m_devicesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_devicesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_devicesTable->verticalHeader()->hide();
    m_devicesTable->horizontalHeader()->setSectionResizeMode(MCDevicesModel::ComputerName,
                                                             QHeaderView::Stretch);
    m_devicesTable->horizontalHeader()->setSectionResizeMode(MCDevicesModel::MostRecentActivity,
                                                             QHeaderView::ResizeToContents);
    m_devicesStatus = plainLabel(advanced);
    m_devicesStatus->setWordWrap(true);
    m_devicesStatus->hide();
    auto *layout = new QVBoxLayout(advanced);
    layout->setContentsMargins(0, 16, 0, 0);
    layout->addWidget(m_devicesTable, 1);
    layout->addWidget(m_devicesStatus);
    return advanced;
}

QString MCAccountController::formatted(qint64 bytes) const
{
    return m_sizeFormatter->stringFromNumber(double(bytes));
}

void MCAccountController::setAccount(const MOUserAccount &account)
{
    const bool newAddress = account.email() != m_emailField->text();
    m_emailField->setText(account.email());
    if (newAddress && (!m_avatars || m_avatars->avatar().isNull()))
        avatarChanged();
    m_fullNameField->setText(
        QStringLiteral("%1 %2").arg(account.firstName(), account.lastName()).trimmed());
    // Figures the service cannot mean (below zero) count as none.
    const qint64 total = qMax<qint64>(0, account.totalSize());
    const qint64 used = qMax<qint64>(0, account.usedSize());
    // No quota gives no share of it, rather than "nan".
    const double ratio = total > 0 ? double(used) / double(total) * 100.0 : 0.0;
    m_usedSpaceRatioField->setText(
        tr("%1 % used (%2 out of %3)")
            .arg(QLocale().toString(ratio, 'f', 2), formatted(used), formatted(total)));
    m_totalSize = total;
    m_usedSize = used;
    showAccountSpace();
}

void MCAccountController::showAccountSpace()
{
    m_spaceBox->setAccountSpace(m_totalSize, m_usedSize, qMax<qint64>(0, m_sharedSize));
    updateAccountSpaceInfo(m_totalSize, m_usedSize, m_sharedSize);
}

void MCAccountController::receivedShareLinks(const MOPostedNotification &notification)
{
    const QList<MOShareLink> links = MOShareLinkNotification(notification).links();
    const QDateTime now = QDateTime::currentDateTime();
    const bool anyActive = std::any_of(links.begin(), links.end(), [&now](const MOShareLink &l) {
        return !l.revokedAt().isValid() &&
               !MCShareLinksModel::isLinkExpired(l.createdAt(), l.expiresIn(), now);
    });
    // A full page may have more links after it.
    m_sharedSize = anyActive || links.size() >= ShareLinksLimit ? -1 : 0;
    showAccountSpace();
}

void MCAccountController::updateAccountSpaceInfo(qint64 total, qint64 used, qint64 shared)
{
    m_textSharedSpace->setText(shared < 0 ? tr("Shared files (size not known)")
                                          : tr("Shared files (%1)").arg(formatted(shared)));
    shared = qMax<qint64>(0, shared);
    // Over quota, nothing is unused.
    m_textFreeSpace->setText(
        tr("Unused space (%1)").arg(formatted(qMax<qint64>(0, total - used - shared))));
    m_textUsedSpace->setText(tr("Regular files (%1)").arg(formatted(used)));
}

void MCAccountController::switchView(int segment)
{
    const int index = segment == 0 ? 0 : 1;
    if (m_segmentedControl->currentIndex() != index)
        m_segmentedControl->setCurrentIndex(index);
    m_views->setCurrentIndex(index);
    if (index == 1 && m_devices && isVisible())
        m_devices->listDevices();
}

void MCAccountController::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Links are made and revoked elsewhere too: every visit asks what is shared.
    if (m_objects)
        m_objects->getShareLinksListWithLimit(ShareLinksLimit, 0, QVariant());
    if (m_views->currentIndex() == 1 && m_devices)
        m_devices->listDevices();
}

void MCAccountController::mouseDownTextFieldClicked(MCMouseDownTextField *field)
{
    switch (field->property("tag").toInt()) {
    case ChangeImage:
        changeImage();
        break;
    case ChangePassword:
        emit passwordRecoveryRequested(false);
        break;
    case ForgotPassword:
        emit passwordRecoveryRequested(true);
        break;
    default:
        break;
    }
}

namespace {

// The one local file a drag carries; empty for anything else (several files, remote URLs,
// bare image data whose size nothing bounds).
QString droppedFile(const QMimeData *data)
{
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    return QFileInfo(path).isFile() ? path : QString();
}

} // namespace

bool MCAccountController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_avatarView)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::DragEnter) {
        auto *enter = static_cast<QDragEnterEvent *>(event);
        if (!droppedFile(enter->mimeData()).isEmpty())
            enter->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            return true;
        drop->acceptProposedAction();
        // Read after the drop returns: the dragging application is not kept waiting.
        QMetaObject::invokeMethod(
            this, [this, path] { pictureChosen(path); }, Qt::QueuedConnection);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MCAccountController::changeImage()
{
    if (m_pictureChooser) {
        m_pictureChooser->raise();
        return;
    }
    auto *chooser = new QFileDialog(window(), tr("Choose a Picture"));
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setFileMode(QFileDialog::ExistingFile);
    chooser->setNameFilters(
        {tr("Pictures (*.png *.jpg *.jpeg *.gif *.bmp *.webp *.tif *.tiff)"), tr("All files (*)")});
    chooser->setWindowModality(Qt::WindowModal);
    connect(chooser, &QFileDialog::fileSelected, this, &MCAccountController::pictureChosen);
    m_pictureChooser = chooser;
    chooser->open();
}

void MCAccountController::pictureChosen(const QString &path)
{
    // Read at most the upload's size, and only once the picture's size is known to be sound.
    const QImage picture = MCAvatarImage::read(path, UploadSide);
    if (picture.isNull()) {
        showImageError(tr("\u2068%1\u2069 cannot be used as your picture: it is not a picture, "
                          "or it is larger than %2 megapixels.")
                           .arg(QFileInfo(path).fileName())
                           .arg(MCAvatarImage::maximumPixels / 1000000));
        return;
    }
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/avatarXXXXXX.png"));
    file.setAutoRemove(false);
    if (!file.open()) {
        showImageError(tr("Cannot create temporary file"));
        return;
    }
    if (!picture.save(&file, "PNG") || !file.flush()) {
        file.remove();
        showImageError(tr("Your picture could not be written for the upload."));
        return;
    }
    file.close();
    removeUploadedFile();
    m_uploadedFile = file.fileName();
    m_textImageError->hide();
    m_textImageIsChanging->show();
    m_textChangeImage->hide();
    if (m_avatars)
        m_avatars->updateAvatar(m_uploadedFile);
}

void MCAccountController::avatarChanged()
{
    const QPixmap avatar = m_avatars ? m_avatars->avatar() : QPixmap();
    if (avatar.isNull())
        m_avatarView->setPixmap(placeholderPicture(m_emailField->text()));
    else
        m_avatarView->setPixmap(avatar.scaled(AvatarSide - 4, AvatarSide - 4, Qt::KeepAspectRatio,
                                              Qt::SmoothTransformation));
    m_textImageIsChanging->hide();
    m_textChangeImage->show();
}

void MCAccountController::avatarUpdateFailed(int status)
{
    if (m_uploadedFile.isEmpty())
        return;
    removeUploadedFile();
    m_textImageIsChanging->hide();
    m_textChangeImage->show();
    showImageError(status > 0 ? tr("Your picture could not be uploaded (the service answered "
                                   "with status %1).")
                                    .arg(status)
                              : tr("Your picture could not be uploaded: the service could not "
                                   "be reached."));
}

void MCAccountController::showImageError(const QString &message)
{
    qCWarning(lcShell).noquote() << message;
    m_textImageError->setText(message);
    m_textImageError->show();
}

void MCAccountController::removeUploadedFile()
{
    if (!m_uploadedFile.isEmpty())
        QFile::remove(m_uploadedFile);
    m_uploadedFile.clear();
}
