#ifndef MCPATHBARCONTROLLER_H
#define MCPATHBARCONTROLLER_H

#include <QLabel>

// The path bar under the browser: the folder shown, "/" titled "Kerlo Home".
class MCPathbarController : public QLabel
{
    Q_OBJECT
public:
    explicit MCPathbarController(QWidget *parent = nullptr);

    void updatePath(const QString &path);
};

#endif // MCPATHBARCONTROLLER_H
