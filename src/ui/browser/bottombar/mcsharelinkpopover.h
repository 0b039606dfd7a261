#ifndef MCSHARELINKPOPOVER_H
#define MCSHARELINKPOPOVER_H

#include "mostorageobject.h"

#include <QFrame>
#include <QPointer>
#include <QUrl>

class KBButton;
class MCClickTextView;
class MCEmailForm;
class MCImageView;
class MONotificationCenter;
class MOObjectsManager;
class QStackedWidget;

// The share-link popover, opened at a control: above one in the lower half of its window (the
// status bar's account button), below one in the upper half (the toolbar's Share). Its first
// page shows a new link: the file's thumbnail or icon, a sentence with the link, Copy and Email;
// its second page is the e-mail form. Pages cross-fade when the user goes between them. A
// send that fails after the popover was closed opens it again on the form, as it was left.
class MCShareLinkPopover : public QFrame
{
    Q_OBJECT
public:
    MCShareLinkPopover(MOObjectsManager *objects, MONotificationCenter *coreMessages,
                       QWidget *parent = nullptr);

    // The first page for a link just made (an empty link: the request failed), shown at
    // anchor.
    void showShareLinkPopupWith(const QUrl &link, const MOStorageObject &object, QWidget *anchor);
    // The e-mail form straight away for an existing link, without a way back.
    void showSendShareLinkViaEmailWith(const QUrl &link, const QString &filePath, QWidget *anchor);

    // The control the popover opened at last.
    QWidget *anchor() const { return m_anchor; }
    QUrl currentSharedURL() const { return m_link; }
    QString currentSharedFilename() const { return m_filePath; }
    QWidget *popupFirstView() const { return m_firstView; }
    MCEmailForm *popupSecondView() const { return m_emailForm; }
    QStackedWidget *popupMainView() const { return m_mainView; }
    MCImageView *imageLink() const { return m_imageLink; }
    MCClickTextView *textViewClick() const { return m_textViewClick; }
    KBButton *buttonCopyToClipboard() const { return m_buttonCopy; }
    KBButton *buttonSendByEmail() const { return m_buttonSendByEmail; }

    void actionCopyLinkToClipboard();
    void actionSendByEmail();
    void actionBackToFirstView();

private:
    void showAt(QWidget *anchor);
    void crossFadeTo(QWidget *page);
    void setResultText(const QString &fileName, const QUrl &link);
    // A cached thumbnail of the path when there is one (framed), else the icon.
    void setImage(const QString &path, const QPixmap &icon);

    QPointer<QWidget> m_anchor;
    QUrl m_link;
    QString m_filePath;
    QStackedWidget *m_mainView;
    QWidget *m_firstView;
    MCEmailForm *m_emailForm;
    MCImageView *m_imageLink;
    MCClickTextView *m_textViewClick;
    KBButton *m_buttonCopy;
    KBButton *m_buttonSendByEmail;
};

#endif // MCSHARELINKPOPOVER_H
