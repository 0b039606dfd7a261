#include "messageboxanswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>

namespace MessageBoxAnswer {

namespace {

QMessageBox *openBox()
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->isVisible())
            return box;
        if (!widget->isVisible())
            continue;
        // Window-modal boxes are children of the window they cover.
        const auto children = widget->findChildren<QMessageBox *>();
        for (QMessageBox *child : children) {
            if (child->isVisible())
                return child;
        }
    }
    return nullptr;
}

} // namespace

QMessageBox *waitForOpen(int timeoutMs)
{
    QMessageBox *box = openBox();
    QElapsedTimer timer;
    timer.start();
    while (!box && timer.elapsed() < timeoutMs) {
        QTest::qWait(10);
        box = openBox();
    }
    return box;
}

bool click(QMessageBox *box, const QString &buttonText, bool tickCheckBox)
{
    if (tickCheckBox && box->checkBox())
        QTest::mouseClick(box->checkBox(), Qt::LeftButton);
    const auto buttons = box->buttons();
    for (QAbstractButton *button : buttons) {
        if (button->text() == buttonText) {
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
    }
    return false;
}

} // namespace MessageBoxAnswer
