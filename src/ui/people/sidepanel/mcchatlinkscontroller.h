#ifndef MCCHATLINKSCONTROLLER_H
#define MCCHATLINKSCONTROLLER_H

#include <QWidget>

class MCChatLinksModel;
class MCMouseDownTextField;
class MCSocialEntity;
class MCTableLinks;

// The side panel's links list: each row a link written in the conversation (plain text, in
// the link colour) over who wrote it and when. A click on a link opens it in the browser or
// the mail program; nothing else is ever opened.
class MCChatLinksController : public QWidget
{
    Q_OBJECT
public:
    explicit MCChatLinksController(QWidget *parent = nullptr);

    void setEntity(MCSocialEntity *entity);
    MCChatLinksModel *links() const { return m_links; }
    MCTableLinks *tableView() const { return m_tableView; }

private:
    void reloadCells();
    void linkClicked(MCMouseDownTextField *field);

    MCChatLinksModel *m_links;
    MCTableLinks *m_tableView;
};

#endif // MCCHATLINKSCONTROLLER_H
