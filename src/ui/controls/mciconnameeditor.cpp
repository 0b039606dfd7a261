#include "mciconnameeditor.h"

#include <QTimer>

MCIconNameEditor::MCIconNameEditor(QWidget *parent)
    : QLineEdit(parent)
{
    setObjectName(QStringLiteral("nameEditor"));
    setAlignment(Qt::AlignCenter);
}

void MCIconNameEditor::begin(const MCNodePtr &node, const QString &name, bool isDir)
{
    if (hasBegun() || !node)
        return;
    m_node = node;
    setText(name);
    const int length = baseNameLength(name, isDir);
    setSelection(0, length);
    // The view selects the whole text once the editor is open: select again after it.
    QTimer::singleShot(0, this, [this, length] { setSelection(0, length); });
}

int MCIconNameEditor::baseNameLength(const QString &name, bool isDir)
{
    // A name that only starts with a dot (".profile") has no extension.
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && !isDir ? dot : name.size();
}
