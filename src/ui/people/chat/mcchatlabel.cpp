#include "mcchatlabel.h"

#include <QLabel>

namespace MCChatLabel {

QLabel *plainLabel(QWidget *parent, int pixelSize, bool bold)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

} // namespace MCChatLabel
