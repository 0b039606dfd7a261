#ifndef MCEMAILTOKENFIELD_H
#define MCEMAILTOKENFIELD_H

#include "mcemailtoken.h"

#include <QLineEdit>
#include <QList>

class QCompleter;
class QStringListModel;

// The recipients field of the share-link e-mail: entries separated by commas, each an address,
// "Name <address>", or any text (which blocks sending). Typing offers completions from the
// user's contacts; choosing one puts its address in place of what was typed. A finished entry
// with a contact's address reads "Name <address>".
class MCEmailTokenField : public QLineEdit
{
    Q_OBJECT
public:
    explicit MCEmailTokenField(QWidget *parent = nullptr);

    void setContacts(const QList<MCEmailToken::Contact> &contacts);
    const QList<MCEmailToken::Contact> &contacts() const { return m_contacts; }
    QCompleter *tokenCompleter() const { return m_completer; }

    // The entries, trimmed, without empty ones.
    QStringList entries() const;
    // The addresses they stand for (see MCEmailToken::recipientsOf).
    QStringList recipients() const;
    // Rewrites every entry that is an address as its token's display.
    void tokenizeEntries();
    // "Edit…" of the entry at position (a character index): a named entry gives way to its
    // bare address, selected, to be edited. False when there is no named entry there.
    bool editEntryAt(int position);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void offerCompletions();
    void completionChosen(const QString &completion);

    QList<MCEmailToken::Contact> m_contacts;
    QCompleter *m_completer;
    QStringListModel *m_completions;
};

#endif // MCEMAILTOKENFIELD_H
