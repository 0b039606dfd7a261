#include "mcpathbarcontroller.h"

#include "mcstring.h"

MCPathbarController::MCPathbarController(QWidget *parent)
    : QLabel(parent)
{
    setFixedHeight(21);
    setContentsMargins(6, 0, 6, 0);
    // Folder names are text, and a long one is cut rather than widening the window.
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void MCPathbarController::updatePath(const QString &path)
{
    QStringList parts{tr("Kerlo Home")};
    for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        parts.append(MCString::stringByIsolatingName(name));
    setText(parts.join(QStringLiteral(" \u25B8 ")));
}
