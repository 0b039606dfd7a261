#include "mcapplicationchooser.h"

#include "desktopapplications.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int DesktopFileRole = Qt::UserRole + 1;

QIcon iconOf(const QString &name)
{
    if (name.isEmpty())
        return {};
    return QFileInfo(name).isAbsolute() ? QIcon(name) : QIcon::fromTheme(name);
}
} // namespace

MCApplicationChooser::MCApplicationChooser(QWidget *parent)
    : QDialog(parent)
    , m_message(new QLabel)
    , m_search(new QLineEdit)
    , m_list(new QListWidget)
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel))
{
    setObjectName(QStringLiteral("applicationChooser"));
    setWindowTitle(QStringLiteral("Choose Application"));
    setWindowModality(Qt::WindowModal);
    resize(420, 460);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    m_search->setPlaceholderText(tr("Search"));
    m_search->setClearButtonEnabled(true);
    m_list->setIconSize(QSize(16, 16));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
    layout->addWidget(m_search);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_buttons);

    for (const DesktopApplication &application : DesktopApplications::all()) {
        auto *item = new QListWidgetItem(iconOf(application.iconName), application.displayName);
        item->setData(DesktopFileRole, application.desktopFilePath);
        item->setToolTip(application.desktopFilePath);
        m_list->addItem(item);
    }
    QPushButton *open = m_buttons->button(QDialogButtonBox::Open);
    open->setEnabled(false);
    connect(m_list, &QListWidget::currentItemChanged, open,
            [open](QListWidgetItem *current) { open->setEnabled(current != nullptr); });
    connect(m_list, &QListWidget::itemActivated, this, &MCApplicationChooser::choose);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &MCApplicationChooser::choose);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_search, &QLineEdit::textChanged, this, &MCApplicationChooser::filter);
}

void MCApplicationChooser::setMessage(const QString &message)
{
    m_message->setText(message);
}

void MCApplicationChooser::filter(const QString &text)
{
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem *item = m_list->item(row);
        item->setHidden(!item->text().contains(text.trimmed(), Qt::CaseInsensitive));
    }
}

void MCApplicationChooser::choose()
{
    QListWidgetItem *item = m_list->currentItem();
    // Return in the list also reaches the default button: choose once.
    if (!isVisible() || !item || item->isHidden())
        return;
    const QString path = item->data(DesktopFileRole).toString();
    accept();
    emit applicationChosen(path);
}
