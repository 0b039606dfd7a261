#ifndef MCBOTTOMVIEWCONTROLLER_H
#define MCBOTTOMVIEWCONTROLLER_H

#include "mcfilesizeformatter.h"
#include "mostorageobject.h"

#include <QPointer>
#include <QWidget>

class MCClickTextField;
class MCOptions;
class MCShareLinkPopover;
class MONotificationCenter;
class MOObjectsManager;
class MOUserAccount;
class QSlider;
class QMenu;
class QToolButton;
class QUrl;

// The status bar under the browser: the account button, the centred counts and space text
// (a click cycles which sizes it shows) and the icon view's size slider, which moves through
// the fixed table of icon sizes and keeps the icon view's "IconSize" option. The account
// button pops up its menu, which names the account. It also owns the share-link popover.
class MCBottomViewController : public QWidget
{
    Q_OBJECT
public:
    // options (optional) holds the icon view's options; objects and coreMessages (optional)
    // serve the popover's e-mail form.
    MCBottomViewController(MCOptions *options, MOObjectsManager *objects,
                           MONotificationCenter *coreMessages, QWidget *parent = nullptr);
    ~MCBottomViewController() override;

    QToolButton *popupUsername() const { return m_username; }
    MCClickTextField *infoTextField() const { return m_info; }
    QSlider *slider() const { return m_slider; }
    MCShareLinkPopover *popoverShareLink() const { return m_popover; }

    // The account's used and total space, in base-ten units.
    void setAccount(const MOUserAccount &account);
    void setSelectedCount(qint64 count);
    void setTotalCount(qint64 count);

    // Where links are asked for (the toolbar's Share): the popover opens there while it is on
    // screen, else at the account button.
    void setShareLinkAnchor(QWidget *anchor) { m_shareLinkAnchor = anchor; }
    // The popover for a link just made (an empty link: the request failed).
    void showShareLinkPopupWith(const QUrl &link, const MOStorageObject &object);
    // The popover's e-mail form for an existing link to the object at filePath.
    void showSendShareLinkViaEmailWith(const QUrl &link, const QString &filePath);

private:
    void loadOptions();
    void didSlide(int index);
    void updateCenteredTextField();
    void fillAccountMenu();
    QWidget *popoverAnchor() const;

    MCOptions *m_options;
    QToolButton *m_username;
    QMenu *m_accountMenu;
    MCClickTextField *m_info;
    QSlider *m_slider;
    MCShareLinkPopover *m_popover;
    QPointer<QWidget> m_shareLinkAnchor;
    MCFileSizeFormatter m_sizeFormatter;
    QString m_usedSizeString;
    QString m_totalSizeString;
    qint64 m_selected = 0;
    qint64 m_total = 0;
};

#endif // MCBOTTOMVIEWCONTROLLER_H
