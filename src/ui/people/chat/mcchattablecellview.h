#ifndef MCCHATTABLECELLVIEW_H
#define MCCHATTABLECELLVIEW_H

#include "mcchatrowview.h"

class MCChatMessageEntry;
class MCChatTextView;
class MCElidedLabel;
class MCEmoji;
class QAction;
class QToolButton;

// A message row: at the start of a run by one sender ("textMessage", 50 points) the sender's
// picture (others only), name and the text; further rows of the run ("textMessageAdditional",
// 25 points) the text alone. The time, or "Pending", stands at the right; an own message the
// service did not take has a "Not sent" button there instead, whose menu sends it again or
// removes it.
class MCChatTableCellView : public MCChatRowView
{
    Q_OBJECT
public:
    MCChatTableCellView(const MCChatEntryPtr &entry, bool newEntry, const QString &senderName,
                        const QPixmap &avatar, const MCEmoji &emoji, QWidget *parent);

    MCChatTextView *textView() const { return m_textView; }
    MCChatMessageEntry *messageEntry() const;
    QString accessoryText() const;
    // Shown for a message that was not sent; its menu holds the two actions below.
    QToolButton *notSentButton() const { return m_notSent; }
    QAction *sendAgainAction() const { return m_sendAgain; }
    QAction *removeAction() const { return m_remove; }
    // The first item of the "Not sent" menu: why, when it is known.
    QAction *reasonAction() const { return m_reason; }
    void setChatMessage(const QString &text);
    int rowHeight(int width) override;
    // The width of the text in a row width wide, and the height text needs there; a text that
    // fits on one line is not laid out.
    static int textWidthFor(int width, bool imageColumn);
    static int measureTextHeight(const QString &text, const MCEmoji &emoji, int textWidth);
    void setImageColumnShown(bool shown) override;

signals:
    void sendAgainRequested(const MCChatEntryPtr &entry);
    void removeRequested(const MCChatEntryPtr &entry);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutContents(int width);
    void refreshAccessory();
    int textWidth(int width) const;

    const MCEmoji &m_emoji;
    MCChatTextView *m_textView;
    MCElidedLabel *m_name = nullptr;
    QLabel *m_picture = nullptr;
    QLabel *m_accessory;
    QToolButton *m_notSent = nullptr;
    QAction *m_sendAgain = nullptr;
    QAction *m_remove = nullptr;
    QAction *m_reason = nullptr;
};

#endif // MCCHATTABLECELLVIEW_H
