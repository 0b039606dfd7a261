#ifndef MCCHATTABLECELLVIEW_H
#define MCCHATTABLECELLVIEW_H

#include "mcchatrowview.h"

class MCChatMessageEntry;
class MCChatTextView;
class MCEmoji;

// A message row: at the start of a run by one sender ("textMessage", 50 points) the sender's
// picture (others only), name and the text; further rows of the run ("textMessageAdditional",
// 25 points) the text alone. The time, or "Pending", stands at the right.
class MCChatTableCellView : public MCChatRowView
{
    Q_OBJECT
public:
    MCChatTableCellView(const MCChatEntryPtr &entry, bool newEntry, const QString &senderName,
                        const QPixmap &avatar, const MCEmoji &emoji, QWidget *parent);

    MCChatTextView *textView() const { return m_textView; }
    MCChatMessageEntry *messageEntry() const;
    QString accessoryText() const;
    void setChatMessage(const QString &text);
    int rowHeight(int width) override;
    // The width of the text in a row width wide, and the height text needs there; a text that
    // fits on one line is not laid out.
    static int textWidthFor(int width, bool imageColumn);
    static int measureTextHeight(const QString &text, const MCEmoji &emoji, int textWidth);
    void setImageColumnShown(bool shown) override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutContents(int width);
    int textWidth(int width) const;

    const MCEmoji &m_emoji;
    MCChatTextView *m_textView;
    QLabel *m_name = nullptr;
    QLabel *m_picture = nullptr;
    QLabel *m_accessory;
};

#endif // MCCHATTABLECELLVIEW_H
