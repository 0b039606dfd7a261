#include "mcsocialaddcellview.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel *plainLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

} // namespace

MCSocialAddCellView::MCSocialAddCellView(const QString &identifier, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(identifier);
    // The cell covers the table's own painting of the row's text.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    if (identifier == QLatin1String("photo")) {
        m_imageView = new QLabel(this);
        m_imageView->setAlignment(Qt::AlignCenter);
        layout->addWidget(m_imageView);
    } else if (identifier == QLatin1String("info")) {
        m_textField = plainLabel(this);
        m_emailField = plainLabel(this);
        QFont bold = m_textField->font();
        bold.setBold(true);
        m_textField->setFont(bold);
        QPalette grey = m_emailField->palette();
        grey.setColor(QPalette::WindowText, grey.color(QPalette::Disabled, QPalette::WindowText));
        m_emailField->setPalette(grey);
        auto *lines = new QVBoxLayout;
        lines->setSpacing(0);
        lines->addStretch();
        lines->addWidget(m_textField);
        lines->addWidget(m_emailField);
        lines->addStretch();
        layout->addLayout(lines);
    } else {
        m_buttonAdd = new QToolButton(this);
        m_buttonAdd->setObjectName(QStringLiteral("buttonAdd"));
        m_buttonAdd->setAutoRaise(true);
        m_buttonAdd->setIconSize(QSize(20, 20));
        m_textField = plainLabel(this);
        layout->addWidget(m_buttonAdd);
        layout->addWidget(m_textField, 1);
    }
}

QPixmap MCSocialAddCellView::sign(const QString &name, int side)
{
    struct Sign
    {
        const char *name;
        const char *theme;
        QStyle::StandardPixmap fallback;
    };
    static const Sign signs[] = {
        {"alert", "dialog-warning", QStyle::SP_MessageBoxWarning},
        {"ok", "emblem-ok", QStyle::SP_DialogApplyButton},
        {"info", "dialog-information", QStyle::SP_MessageBoxInformation},
        {"question", "dialog-question", QStyle::SP_MessageBoxQuestion},
        {"add", "list-add", QStyle::SP_FileDialogNewFolder},
    };
    for (const Sign &candidate : signs) {
        if (name != QLatin1String(candidate.name))
            continue;
        QIcon icon = QIcon::fromTheme(QLatin1String(candidate.theme));
        if (icon.isNull())
            icon = QApplication::style()->standardIcon(candidate.fallback);
        return icon.pixmap(side, side);
    }
    return QPixmap();
}
