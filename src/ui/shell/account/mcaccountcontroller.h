#ifndef MCACCOUNTCONTROLLER_H
#define MCACCOUNTCONTROLLER_H

#include "mouseraccount.h"

#include <QFileDialog>
#include <QPointer>
#include <QWidget>

class MCAccountView;
class MCDevicesModel;
class MCFileSizeFormatter;
class MCAvatars;
class MCMouseDownTextField;
class MCSpaceBox;
class MODevicesManager;
class MOObjectsManager;
class MOPostedNotification;

class QLabel;
class QStackedWidget;
class QTabBar;
class QTableView;

// The page "account://": the signed-in user's e-mail address and name, the use of the quota
// (a ratio line, a space bar and three size lines), the user's picture with a way to change it,
// the password links, and, on its second tab, the devices the service knows for the user.
// The picture is the hub's; the page uploads a new one through it. The service tells no size
// of what is shared, only the links: the shared size is shown only when no link is active.
class MCAccountController : public QWidget
{
    Q_OBJECT
public:
    enum LinkTag { ChangeImage = 0, ChangePassword = 1, ForgotPassword = 2 };

    MCAccountController(MCAvatars *avatars, MODevicesManager *devices,
                        MOObjectsManager *objects = nullptr, QWidget *parent = nullptr);
    ~MCAccountController() override;

    QString title() const;
    void setAccount(const MOUserAccount &account);
    // shared below zero: not known.
    void updateAccountSpaceInfo(qint64 total, qint64 used, qint64 shared);
    // 0: the account, any other: the devices.
    void switchView(int segment);

    QTabBar *segmentedControl() const { return m_segmentedControl; }
    QLabel *emailField() const { return m_emailField; }
    QLabel *fullNameField() const { return m_fullNameField; }
    QLabel *usedSpaceRatioField() const { return m_usedSpaceRatioField; }
    MCSpaceBox *spaceBox() const { return m_spaceBox; }
    QLabel *textUsedSpace() const { return m_textUsedSpace; }
    QLabel *textFreeSpace() const { return m_textFreeSpace; }
    QLabel *textSharedSpace() const { return m_textSharedSpace; }
    QLabel *avatarView() const { return m_avatarView; }
    MCMouseDownTextField *textChangeImage() const { return m_textChangeImage; }
    QLabel *textImageIsChanging() const { return m_textImageIsChanging; }
    // Where a picture that could not be used or uploaded is reported; hidden otherwise.
    QLabel *textImageError() const { return m_textImageError; }
    MCMouseDownTextField *textChangePassword() const { return m_textChangePassword; }
    MCMouseDownTextField *textForgotPassword() const { return m_textForgotPassword; }
    MCDevicesModel *devicesModel() const { return m_devicesModel; }
    QTableView *devicesTable() const { return m_devicesTable; }
    QLabel *devicesStatus() const { return m_devicesStatus; }

signals:
    // A password link was clicked: forgot is true for "Forgot your password?".
    void passwordRecoveryRequested(bool forgot);

public:
    // The picture chooser while it is open.
    QFileDialog *pictureChooser() const { return m_pictureChooser; }

protected:
    void showEvent(QShowEvent *event) override;
    // The picture takes a dropped picture file as the chooser would.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildBaseView();
    QWidget *buildAdvancedView();
    void mouseDownTextFieldClicked(MCMouseDownTextField *field);
    void changeImage();
    void pictureChosen(const QString &path);
    void avatarChanged();
    void avatarUpdateFailed(int status);
    void showImageError(const QString &message);
    void removeUploadedFile();
    void receivedShareLinks(const MOPostedNotification &notification);
    void showAccountSpace();
    QString formatted(qint64 bytes) const;

    QPointer<MCAvatars> m_avatars;
    QPointer<MODevicesManager> m_devices;
    QPointer<MOObjectsManager> m_objects;
    qint64 m_totalSize = 0;
    qint64 m_usedSize = 0;
    // 0 once a whole list of the links had none active; -1 (not known) otherwise.
    qint64 m_sharedSize = -1;
    MCFileSizeFormatter *m_sizeFormatter;
    MCAccountView *m_mainView;
    QTabBar *m_segmentedControl;
    QStackedWidget *m_views;
    QLabel *m_emailField = nullptr;
    QLabel *m_fullNameField = nullptr;
    QLabel *m_usedSpaceRatioField = nullptr;
    MCSpaceBox *m_spaceBox = nullptr;
    QLabel *m_textUsedSpace = nullptr;
    QLabel *m_textFreeSpace = nullptr;
    QLabel *m_textSharedSpace = nullptr;
    QLabel *m_avatarView = nullptr;
    MCMouseDownTextField *m_textChangeImage = nullptr;
    QLabel *m_textImageIsChanging = nullptr;
    QLabel *m_textImageError = nullptr;
    MCMouseDownTextField *m_textChangePassword = nullptr;
    MCMouseDownTextField *m_textForgotPassword = nullptr;
    MCDevicesModel *m_devicesModel;
    QTableView *m_devicesTable = nullptr;
    QLabel *m_devicesStatus = nullptr;
    QPointer<QFileDialog> m_pictureChooser;
    // The picture written for the upload under way; removed once the upload has ended.
    QString m_uploadedFile;
};

#endif // MCACCOUNTCONTROLLER_H
