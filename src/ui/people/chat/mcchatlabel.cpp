#include "mcchatlabel.h"

#include "mcelidedlabel.h"

#include <QLabel>

namespace MCChatLabel {

namespace {

void setPixelFont(QLabel *label, int pixelSize, bool bold)
{
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
}

} // namespace

QLabel *plainLabel(QWidget *parent, int pixelSize, bool bold)
{
    auto *label = new QLabel(parent);
    setPixelFont(label, pixelSize, bold);
    return label;
}

MCElidedLabel *elidedLabel(QWidget *parent, int pixelSize, bool bold, Qt::TextElideMode mode)
{
    auto *label = new MCElidedLabel(parent, mode);
    setPixelFont(label, pixelSize, bold);
    return label;
}

} // namespace MCChatLabel
