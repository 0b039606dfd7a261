#ifndef MCICONNAMEEDITOR_H
#define MCICONNAMEEDITOR_H

#include <QLineEdit>
#include <QSharedPointer>

// The browser's node, kept here only as a handle.
class MCAbstractObjectNode;
using MCNodePtr = QSharedPointer<MCAbstractObjectNode>;

// The field in which an icon-view item's name is edited in place. It keeps the node whose name
// it edits, so the edit ends on that node even when the rows move meanwhile, and it opens with
// the base name selected: typing replaces the name and keeps the extension.
class MCIconNameEditor : public QLineEdit
{
    Q_OBJECT
public:
    explicit MCIconNameEditor(QWidget *parent = nullptr);

    MCNodePtr node() const { return m_node; }
    // Only the first call fills the field: a later update of the item (a thumbnail arriving)
    // keeps what was typed.
    void begin(const MCNodePtr &node, const QString &name, bool isDir);
    bool hasBegun() const { return !m_node.isNull(); }
    // The length of name without its extension; a folder's or a dot file's whole name.
    static int baseNameLength(const QString &name, bool isDir);

private:
    MCNodePtr m_node;
};

#endif // MCICONNAMEEDITOR_H
