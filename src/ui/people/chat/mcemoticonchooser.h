#ifndef MCEMOTICONCHOOSER_H
#define MCEMOTICONCHOOSER_H

#include <QFrame>

class MCEmoji;
class MCEmoticonTextView;
class QButtonGroup;
class QLabel;

// The emoticon chooser, a popup under the chat's emoticon button: six tabs (recent, people,
// objects, nature, places, symbols; their ids are the tags 0 to 5), the grid of the tab's
// emoji, and a caption naming the one under the pointer. Opens on the recent tab when
// something was chosen recently.
class MCEmoticonChooser : public QFrame
{
    Q_OBJECT
public:
    MCEmoticonChooser(MCEmoji &emoji, QWidget *parent = nullptr);

    MCEmoticonTextView *emoticonTextView() const { return m_grid; }
    QLabel *textEmoticonDescription() const { return m_caption; }
    QButtonGroup *tabs() const { return m_tabs; }
    // Shows the tab with that tag.
    void emoticonMenu(int tag);
    // Opens under anchor.
    void popup(QWidget *anchor);

signals:
    void emoticonChosen(const QString &shortcode);
    void closed();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void emoticonMouseOver(const QString &shortcode);
    void noEmoticonSelected();

    MCEmoji &m_emoji;
    QButtonGroup *m_tabs;
    MCEmoticonTextView *m_grid;
    QLabel *m_caption;
    QLabel *m_preview;
};

#endif // MCEMOTICONCHOOSER_H
