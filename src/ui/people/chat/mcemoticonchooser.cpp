#include "mcemoticonchooser.h"

#include "mcemoji.h"
#include "mcemoticontextview.h"
#include "mcpopupplacement.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// One emoji with room around it: a tab button, the preview beside the caption.
constexpr int EmojiCell = 32;

} // namespace

MCEmoticonChooser::MCEmoticonChooser(MCEmoji &emoji, QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_emoji(emoji)
    , m_tabs(new QButtonGroup(this))
    , m_grid(new MCEmoticonTextView(this))
    , m_caption(new QLabel(this))
    , m_preview(new QLabel(this))
{
    setObjectName(QStringLiteral("emoticonPopOver"));
    setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(this);
    auto *tabRow = new QHBoxLayout;
    // The tab buttons show one emoji of their list.
    const char *const tabCodes[] = {
        ":clock3:", ":smile:", ":gift_heart:", ":sunny:", ":house:", ":one:"};
    const char *const tabNames[] = {"Recent", "People", "Objects", "Nature", "Places", "Symbols"};
    for (int tag = 0; tag < 6; ++tag) {
        auto *tab = new QToolButton(this);
        tab->setCheckable(true);
        tab->setAutoRaise(true);
        tab->setText(m_emoji.emojiForCode(QLatin1String(tabCodes[tag])));
        tab->setFont(MCEmoji::emojiFormat(QString()).font());
        tab->setFixedSize(EmojiCell, EmojiCell);
        tab->setToolTip(tr(tabNames[tag]));
        m_tabs->addButton(tab, tag);
        tabRow->addWidget(tab);
    }
    m_tabs->setExclusive(true);
    tabRow->addStretch();
    layout->addLayout(tabRow);
    m_grid->setFixedSize(300, 180);
    layout->addWidget(m_grid);
    auto *captionRow = new QHBoxLayout;
    m_preview->setTextFormat(Qt::PlainText);
    m_preview->setFont(MCEmoji::emojiFormat(QString()).font());
    // Sized by what they hold, not by the emoji font's metrics (those of a colour font ask for
    // thousands of pixels even for no text), nor by the longest name.
    m_preview->setFixedSize(EmojiCell, EmojiCell);
    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    captionRow->addWidget(m_preview);
    captionRow->addWidget(m_caption, 1);
    layout->addLayout(captionRow);
    noEmoticonSelected();
    connect(m_tabs, &QButtonGroup::idClicked, this, &MCEmoticonChooser::emoticonMenu);
    connect(m_grid, &MCEmoticonTextView::emoticonMouseOver, this,
            &MCEmoticonChooser::emoticonMouseOver);
    connect(m_grid, &MCEmoticonTextView::noEmoticonSelected, this,
            &MCEmoticonChooser::noEmoticonSelected);
    connect(m_grid, &MCEmoticonTextView::emoticonClicked, this, [this](const QString &shortcode) {
        hide();
        emit emoticonChosen(shortcode);
    });
}

void MCEmoticonChooser::emoticonMenu(int tag)
{
    if (QAbstractButton *tab = m_tabs->button(tag))
        tab->setChecked(true);
    QStringList list;
    switch (tag) {
    case 0:
        list = m_emoji.recentUsed();
        break;
    case 1:
        list = MCEmoji::people();
        break;
    case 2:
        list = MCEmoji::objects();
        break;
    case 3:
        list = MCEmoji::nature();
        break;
    case 4:
        list = MCEmoji::places();
        break;
    case 5:
        list = MCEmoji::symbols();
        break;
    default:
        break;
    }
    m_grid->clear();
    QTextCursor cursor(m_grid->document());
    for (const QString &shortcode : qAsConst(list)) {
        QTextCharFormat format = MCEmoji::emojiFormat(shortcode);
        cursor.insertText(m_emoji.emojiForCode(shortcode), format);
    }
    m_grid->moveCursor(QTextCursor::Start);
    m_grid->ensureCursorVisible();
}

void MCEmoticonChooser::popup(QWidget *anchor)
{
    emoticonMenu(m_emoji.recentUsed().isEmpty() ? 1 : 0);
    adjustSize();
    // The chooser opens over the message field, above its button.
    MCPopupPlacement::placeBesideAnchor(this, anchor, MCPopupPlacement::Above);
    show();
    MCPopupPlacement::placeBesideAnchor(this, anchor, MCPopupPlacement::Above);
}

void MCEmoticonChooser::emoticonMouseOver(const QString &shortcode)
{
    m_caption->setText(shortcode);
    m_preview->setText(m_emoji.emojify(shortcode).text);
}

void MCEmoticonChooser::noEmoticonSelected()
{
    m_caption->setText(tr("Choose an emoticon"));
    m_preview->clear();
}

void MCEmoticonChooser::hideEvent(QHideEvent *event)
{
    QFrame::hideEvent(event);
    emit closed();
}
