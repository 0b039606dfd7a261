#include "mcpathbarcontroller.h"

MCPathbarController::MCPathbarController(QWidget *parent)
    : QLabel(parent)
{
    setFixedHeight(21);
    setContentsMargins(6, 0, 6, 0);
}

void MCPathbarController::updatePath(const QString &path)
{
    QStringList parts{tr("Kerlo Home")};
    parts += path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    setText(parts.join(QStringLiteral(" \u25B8 ")));
}
