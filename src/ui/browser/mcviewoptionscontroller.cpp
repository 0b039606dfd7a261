#include "mcviewoptionscontroller.h"

#include "column/mccolumncontroller.h"
#include "list/mclistcontroller.h"
#include "mcclosekeys.h"
#include "mciconcontroller.h"
#include "mciconsizes.h"
#include "mcoptions.h"
#include "mcworkspace.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QString IconSize = QStringLiteral("IconSize");
const QString LabelPosition = QStringLiteral("LabelPosition");
const QString ViewStyle = QStringLiteral("ViewStyle");
const QString ShowAdditionalInfo = QStringLiteral("ShowAdditionalInfo");
const QString AdditionalInfoType = QStringLiteral("AdditionalInfoType");
const QString IconPreview = QStringLiteral("IconPreview");
const QString TextSize = QStringLiteral("TextSize");
const QString ColumnsVisibility = QStringLiteral("ColumnsVisibility");
const QString RelativeDates = QStringLiteral("RelativeDates");
const QString PreviewColumn = QStringLiteral("PreviewColumn");
const QString ShowIcons = QStringLiteral("ShowIcons");

// The list pane's column boxes, in the window's order.
const char *const ListColumns[] = {"FileDateModified", "FileDateAdded", "FileSize", "FileKind"};

QComboBox *textSizePop(const QString &name)
{
    auto *pop = new QComboBox;
    pop->setObjectName(name);
    for (int size = 10; size <= 16; ++size)
        pop->addItem(QString::number(size) + QStringLiteral(" pt"), size);
    return pop;
}

// The arrange menu's entries, tagged as there. Shown, not chosen here: the views sort through
// that menu.
QComboBox *sortByPop(const QString &name)
{
    auto *pop = new QComboBox;
    pop->setObjectName(name);
    const QStringList titles = {
        MCViewOptionsController::tr("Name"), MCViewOptionsController::tr("Kind"),
        MCViewOptionsController::tr("Date Modified"), MCViewOptionsController::tr("Date Added"),
        MCViewOptionsController::tr("Size")};
    for (int tag = 0; tag < titles.size(); ++tag)
        pop->addItem(titles.at(tag), tag);
    pop->setEnabled(false);
    return pop;
}

// A sample of what the size control changes: the desktop's icon for a program.
QLabel *sampleIcon(const QString &name, int size)
{
    auto *label = new QLabel;
    label->setObjectName(name);
    label->setPixmap(MCWorkspace::fileIconForMIMEType(QStringLiteral("application/x-executable"))
                         .pixmap(size, size));
    return label;
}

// A sort code (10-19, in ascending/descending pairs per tag); none: by name.
void showSortCode(QComboBox *pop, qint64 code)
{
    const qint64 tag = (code - 10) / 2;
    pop->setCurrentIndex(code >= 10 && tag < pop->count() ? int(tag) : 0);
}

void selectTag(QComboBox *pop, int tag)
{
    const int index = pop->findData(tag);
    pop->setCurrentIndex(index < 0 ? pop->findData(12) : index);
}

// Radio buttons in a row, their ids their positions.
QButtonGroup *radioRow(QWidget *owner, const QString &name, const QStringList &titles,
                       QHBoxLayout **row)
{
    auto *group = new QButtonGroup(owner);
    group->setObjectName(name);
    *row = new QHBoxLayout;
    for (int id = 0; id < titles.size(); ++id) {
        auto *button = new QRadioButton(titles.at(id));
        button->setObjectName(name + QString::number(id));
        group->addButton(button, id);
        (*row)->addWidget(button);
    }
    (*row)->addStretch();
    return group;
}

QCheckBox *checkBox(const QString &title, const QString &name)
{
    auto *box = new QCheckBox(title);
    box->setObjectName(name);
    return box;
}

QPushButton *restoreButton(const QString &name)
{
    auto *button = new QPushButton(MCViewOptionsController::tr("Restore Defaults"));
    button->setObjectName(name);
    return button;
}

} // namespace

MCViewOptionsController::MCViewOptionsController(MCOptions *options, QWidget *parent)
    : QWidget(parent, Qt::Tool)
    , m_options(options)
    , m_mainView(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("viewOptionsWindow"));
    setWindowTitle(QString());
    MCCloseKeys::install(this);
    m_mainView->setObjectName(QStringLiteral("mainView"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_mainView);
    m_iconView = makeIconPane();
    m_listView = makeListPane();
    m_columnView = makeColumnPane();
    for (QWidget *pane : {m_iconView, m_listView, m_columnView})
        m_mainView->addWidget(pane);
    connect(m_options, &MCOptions::valueChanged, this, &MCViewOptionsController::optionChanged);
    // As wide as the widest pane asks at the font in use, and no narrower than it was drawn.
    setFixedWidth(qMax(280, sizeHint().width()));
}

QWidget *MCViewOptionsController::makeIconPane()
{
    auto *pane = new QWidget;
    pane->setObjectName(QStringLiteral("iconView"));
    auto *form = new QFormLayout(pane);

    m_iconViewSlider = new QSlider(Qt::Horizontal);
    m_iconViewSlider->setObjectName(QStringLiteral("iconViewSlider"));
    m_iconViewSlider->setRange(0, MCIconSizes::table().size() - 1);
    m_iconViewSlider->setSingleStep(1);
    m_iconViewSlider->setPageStep(1);
    m_iconViewIconSizeText = new QLabel;
    m_iconViewIconSizeText->setObjectName(QStringLiteral("iconViewIconSizeText"));
    form->addRow(tr("Icon size:"), m_iconViewIconSizeText);
    m_iconViewLittleIcon = sampleIcon(QStringLiteral("iconViewLittleIcon"), 16);
    m_iconViewBigIcon = sampleIcon(QStringLiteral("iconViewBigIcon"), 32);
    auto *sizeRow = new QHBoxLayout;
    sizeRow->addWidget(m_iconViewLittleIcon);
    sizeRow->addWidget(m_iconViewSlider, 1);
    sizeRow->addWidget(m_iconViewBigIcon);
    form->addRow(sizeRow);
    connect(m_iconViewSlider, &QSlider::valueChanged, this, [this](int index) {
        // Written through the options, so that every control of the size follows.
        m_options->setValue(MCOptions::IconController, IconSize,
                            MCIconSizes::table().value(index, MCIconSizes::DefaultSize));
    });

    m_iconViewTextSizePop = textSizePop(QStringLiteral("iconViewTextSizePop"));
    m_iconViewTextSizePop->setEnabled(false);
    form->addRow(tr("Text size:"), m_iconViewTextSizePop);
    m_iconViewSortByPop = sortByPop(QStringLiteral("iconViewSortByPop"));
    form->addRow(tr("Sort by:"), m_iconViewSortByPop);

    QHBoxLayout *row = nullptr;
    m_iconViewMatrixLabelPosition = radioRow(this, QStringLiteral("iconViewMatrixLabelPosition"),
                                             {tr("Bottom"), tr("Right")}, &row);
    form->addRow(tr("Label position:"), row);
    connect(m_iconViewMatrixLabelPosition, &QButtonGroup::idClicked, this, [this](int position) {
        m_options->setValue(MCOptions::IconController, LabelPosition, position);
    });

    m_iconViewMatrixStyle =
        radioRow(this, QStringLiteral("iconViewMatrixStyle"), {tr("Light"), tr("Dark")}, &row);
    form->addRow(tr("Background:"), row);
    connect(m_iconViewMatrixStyle, &QButtonGroup::idClicked, this, [this](int style) {
        m_options->setValue(MCOptions::IconController, ViewStyle, style + 1);
    });

    m_iconViewAddInfoCheckbox =
        checkBox(tr("Show item info"), QStringLiteral("iconViewAddInfoCheckbox"));
    m_iconViewAddInfoPop = new QComboBox;
    m_iconViewAddInfoPop->setObjectName(QStringLiteral("iconViewAddInfoPop"));
    // In the order of the "AdditionalInfoType" values.
    m_iconViewAddInfoPop->addItems(
        {tr("Date Modified"), tr("Size or Item Count"), tr("Kind"), tr("Other")});
    form->addRow(m_iconViewAddInfoCheckbox);
    form->addRow(m_iconViewAddInfoPop);
    connect(m_iconViewAddInfoCheckbox, &QCheckBox::clicked, this, [this](bool on) {
        m_iconViewAddInfoPop->setEnabled(on);
        m_options->setValue(MCOptions::IconController, ShowAdditionalInfo, on);
        m_options->setValue(MCOptions::IconController, AdditionalInfoType,
                            on ? m_iconViewAddInfoPop->currentIndex() : -1);
    });
    connect(m_iconViewAddInfoPop, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) {
                m_options->setValue(MCOptions::IconController, AdditionalInfoType, index);
            });

    m_iconViewShowPreview =
        checkBox(tr("Show icon preview"), QStringLiteral("iconViewShowPreview"));
    form->addRow(m_iconViewShowPreview);
    connect(m_iconViewShowPreview, &QCheckBox::clicked, this, [this](bool on) {
        m_options->setValue(MCOptions::IconController, IconPreview, on ? 1 : 0);
    });

    QPushButton *restore = restoreButton(QStringLiteral("iconViewRestoreDefault"));
    form->addRow(restore);
    connect(restore, &QPushButton::clicked, this, &MCViewOptionsController::iconViewRestoreDefault);
    return pane;
}

QWidget *MCViewOptionsController::makeListPane()
{
    auto *pane = new QWidget;
    pane->setObjectName(QStringLiteral("listView"));
    auto *form = new QFormLayout(pane);

    QHBoxLayout *row = nullptr;
    // Shown as stored; the list view has one icon size and one style.
    m_listViewMatrixIconSize =
        radioRow(this, QStringLiteral("listViewMatrixIconSize"), {tr("Small"), tr("Large")}, &row);
    for (QAbstractButton *button : m_listViewMatrixIconSize->buttons())
        button->setEnabled(false);
    m_listViewLittleIcon = sampleIcon(QStringLiteral("listViewLittleIcon"), 16);
    m_listViewBigIcon = sampleIcon(QStringLiteral("listViewBigIcon"), 32);
    row->insertWidget(0, m_listViewLittleIcon);
    row->insertWidget(3, m_listViewBigIcon);
    form->addRow(tr("Icon size:"), row);

    m_listViewTextSizePop = textSizePop(QStringLiteral("listViewTextSizePop"));
    form->addRow(tr("Text size:"), m_listViewTextSizePop);
    m_listViewSortByPop = sortByPop(QStringLiteral("listViewSortByPop"));
    form->addRow(tr("Sort by:"), m_listViewSortByPop);
    connect(m_listViewTextSizePop, QOverload<int>::of(&QComboBox::activated), this, [this] {
        m_options->setValue(MCOptions::ListController, TextSize,
                            m_listViewTextSizePop->currentData());
    });

    form->addRow(new QLabel(tr("Show columns:")));
    const QStringList titles = {tr("Date Modified"), tr("Date Added"), tr("Size"), tr("Kind")};
    const QStringList names = {
        QStringLiteral("listViewColumnDateModified"), QStringLiteral("listViewColumnDateAdded"),
        QStringLiteral("listViewColumnSize"), QStringLiteral("listViewColumnKind")};
    for (int i = 0; i < 4; ++i) {
        QCheckBox *box = checkBox(titles.at(i), names.at(i));
        const QString identifier = QLatin1String(ListColumns[i]);
        m_listViewColumns.append(box);
        form->addRow(box);
        connect(box, &QCheckBox::clicked, this, [this, box, identifier](bool on) {
            // The box shows what the list view does; the option's change ticks it.
            box->setChecked(!on);
            if (auto *list = qobject_cast<MCListController *>(m_view.data()))
                list->toggleColumn(identifier, on);
        });
    }

    m_listViewDateRelative =
        checkBox(tr("Use relative dates"), QStringLiteral("listViewDateRelative"));
    form->addRow(m_listViewDateRelative);
    connect(m_listViewDateRelative, &QCheckBox::clicked, this, [this](bool on) {
        if (auto *list = qobject_cast<MCListController *>(m_view.data()))
            list->useRelativeDates(on);
    });

    m_listViewShowPreview =
        checkBox(tr("Show icon preview"), QStringLiteral("listViewShowPreview"));
    m_listViewShowPreview->setEnabled(false);
    form->addRow(m_listViewShowPreview);
    m_listViewMatrixStyle =
        radioRow(this, QStringLiteral("listViewMatrixStyle"), {tr("Light"), tr("Dark")}, &row);
    for (QAbstractButton *button : m_listViewMatrixStyle->buttons())
        button->setEnabled(false);
    form->addRow(tr("Background:"), row);

    QPushButton *restore = restoreButton(QStringLiteral("listViewRestoreDefault"));
    form->addRow(restore);
    connect(restore, &QPushButton::clicked, this, &MCViewOptionsController::listViewRestoreDefault);
    return pane;
}

QWidget *MCViewOptionsController::makeColumnPane()
{
    auto *pane = new QWidget;
    pane->setObjectName(QStringLiteral("columnView"));
    auto *form = new QFormLayout(pane);
    m_columnViewTextSizePop = textSizePop(QStringLiteral("columnViewTextSizePop"));
    form->addRow(tr("Text size:"), m_columnViewTextSizePop);
    m_columnViewSortByPop = sortByPop(QStringLiteral("columnViewSortByPop"));
    form->addRow(tr("Sort by:"), m_columnViewSortByPop);
    connect(m_columnViewTextSizePop, QOverload<int>::of(&QComboBox::activated), this, [this] {
        m_options->setValue(MCOptions::ColumnController, TextSize,
                            m_columnViewTextSizePop->currentData());
    });
    m_columnViewButtonShowIcons =
        checkBox(tr("Show icons"), QStringLiteral("columnViewButtonShowIcons"));
    m_columnViewButtonShowIconPreview =
        checkBox(tr("Show icon preview"), QStringLiteral("columnViewButtonShowIconPreview"));
    m_columnViewButtonShowPreviewColumn =
        checkBox(tr("Show preview column"), QStringLiteral("columnViewButtonShowPreviewColumn"));
    form->addRow(m_columnViewButtonShowIcons);
    form->addRow(m_columnViewButtonShowIconPreview);
    form->addRow(m_columnViewButtonShowPreviewColumn);
    connect(m_columnViewButtonShowIcons, &QCheckBox::clicked, this,
            [this](bool on) { m_options->setValue(MCOptions::ColumnController, ShowIcons, on); });
    connect(m_columnViewButtonShowIconPreview, &QCheckBox::clicked, this, [this](bool on) {
        m_options->setValue(MCOptions::ColumnController, IconPreview, on ? 1 : 0);
    });
    connect(m_columnViewButtonShowPreviewColumn, &QCheckBox::clicked, this, [this](bool on) {
        m_options->setValue(MCOptions::ColumnController, PreviewColumn, on);
        if (auto *columns = qobject_cast<MCColumnController *>(m_view.data()))
            columns->showPreviewColumn(on);
    });
    QPushButton *restore = restoreButton(QStringLiteral("columnViewRestoreDefault"));
    form->addRow(restore);
    connect(restore, &QPushButton::clicked, this,
            &MCViewOptionsController::columnViewRestoreDefault);
    return pane;
}

void MCViewOptionsController::setSelectedView(MCBrowsableViewController *view)
{
    if (qobject_cast<MCIconController *>(view)) {
        loadIconViewSettings();
        m_mainView->setCurrentWidget(m_iconView);
        setWindowTitle(tr("Icon View"));
    } else if (qobject_cast<MCListController *>(view)) {
        loadListViewSettings();
        m_mainView->setCurrentWidget(m_listView);
        setWindowTitle(tr("List View"));
    } else if (qobject_cast<MCColumnController *>(view)) {
        loadColumnViewSettings();
        m_mainView->setCurrentWidget(m_columnView);
        setWindowTitle(tr("Columns View"));
    } else {
        return;
    }
    if (m_view)
        disconnect(m_view, &MCBrowsableViewController::sortTypeChanged, this, nullptr);
    m_view = view;
    // The pop-up says the order the view has, also when it changes while the window is open.
    showSortType(view->sortType());
    connect(view, &MCBrowsableViewController::sortTypeChanged, this,
            &MCViewOptionsController::showSortType);
}

void MCViewOptionsController::showSortType(qint64 sortType)
{
    if (qobject_cast<MCIconController *>(m_view.data()))
        showSortCode(m_iconViewSortByPop, sortType);
    else if (qobject_cast<MCListController *>(m_view.data()))
        showSortCode(m_listViewSortByPop, sortType);
    else if (qobject_cast<MCColumnController *>(m_view.data()))
        showSortCode(m_columnViewSortByPop, sortType);
}

QVariant MCViewOptionsController::iconOption(const QString &key, const QVariant &fallback) const
{
    return m_options->value(MCOptions::IconController, key, fallback);
}

void MCViewOptionsController::loadIconViewSettings()
{
    showIconSize(iconOption(IconSize, MCIconSizes::DefaultSize).toInt());
    if (!m_options->contains(MCOptions::IconController, ViewStyle))
        m_options->setValue(MCOptions::IconController, ViewStyle, 1);
    if (QAbstractButton *style =
            m_iconViewMatrixStyle->button(iconOption(ViewStyle, 1).toInt() - 1))
        style->setChecked(true);
    if (!m_options->contains(MCOptions::IconController, ShowAdditionalInfo)) {
        m_options->setValue(MCOptions::IconController, ShowAdditionalInfo, false);
        m_options->setValue(MCOptions::IconController, AdditionalInfoType, -1);
    }
    const bool info = iconOption(ShowAdditionalInfo, false).toBool();
    m_iconViewAddInfoCheckbox->setChecked(info);
    m_iconViewAddInfoPop->setEnabled(info);
    m_iconViewAddInfoPop->setCurrentIndex(qMax(0, iconOption(AdditionalInfoType, -1).toInt()));
    if (!m_options->contains(MCOptions::IconController, TextSize))
        m_options->setValue(MCOptions::IconController, TextSize, 12);
    selectTag(m_iconViewTextSizePop, iconOption(TextSize, 12).toInt());
    if (QAbstractButton *position =
            m_iconViewMatrixLabelPosition->button(iconOption(LabelPosition, 0).toInt() ? 1 : 0))
        position->setChecked(true);
    m_iconViewShowPreview->setChecked(iconOption(IconPreview, 1).toBool());
}

void MCViewOptionsController::showIconSize(int size)
{
    const QSignalBlocker blocker(m_iconViewSlider);
    m_iconViewSlider->setValue(MCIconSizes::indexOf(size));
    m_iconViewIconSizeText->setText(tr("%1 x %2").arg(size).arg(size));
}

void MCViewOptionsController::iconViewRestoreDefault()
{
    m_options->setValue(MCOptions::IconController, IconSize, MCIconSizes::DefaultSize);
    m_options->setValue(MCOptions::IconController, ShowAdditionalInfo, false);
    m_options->setValue(MCOptions::IconController, AdditionalInfoType, -1);
    m_options->setValue(MCOptions::IconController, ViewStyle, 1);
    m_options->setValue(MCOptions::IconController, LabelPosition, 0);
    m_options->setValue(MCOptions::IconController, IconPreview, 1);
    loadIconViewSettings();
}

void MCViewOptionsController::loadListViewSettings()
{
    if (!m_options->contains(MCOptions::ListController, TextSize))
        m_options->setValue(MCOptions::ListController, TextSize, 12);
    selectTag(m_listViewTextSizePop,
              m_options->value(MCOptions::ListController, TextSize, 12).toInt());
    const QVariantMap visibility =
        m_options->value(MCOptions::ListController, ColumnsVisibility).toMap();
    for (int i = 0; i < m_listViewColumns.size(); ++i)
        m_listViewColumns.at(i)->setChecked(
            visibility.value(QLatin1String(ListColumns[i]), true).toBool());
    m_listViewDateRelative->setChecked(
        m_options->value(MCOptions::ListController, RelativeDates, true).toBool());
    if (!m_options->contains(MCOptions::ListController, ViewStyle))
        m_options->setValue(MCOptions::ListController, ViewStyle, 1);
    if (QAbstractButton *style = m_listViewMatrixStyle->button(
            m_options->value(MCOptions::ListController, ViewStyle, 1).toInt() - 1))
        style->setChecked(true);
    m_listViewMatrixIconSize->button(0)->setChecked(true);
    m_listViewShowPreview->setChecked(
        m_options->value(MCOptions::ListController, IconPreview, 1).toBool());
}

void MCViewOptionsController::listViewRestoreDefault()
{
    auto *list = qobject_cast<MCListController *>(m_view.data());
    for (const char *column : ListColumns) {
        const QString identifier = QLatin1String(column);
        if (list && !list->isColumnVisible(identifier))
            list->toggleColumn(identifier, true);
    }
    m_options->setValue(MCOptions::ListController, IconPreview, 1);
    loadListViewSettings();
}

void MCViewOptionsController::loadColumnViewSettings()
{
    m_columnViewButtonShowPreviewColumn->setChecked(
        m_options->value(MCOptions::ColumnController, PreviewColumn, true).toBool());
    m_columnViewButtonShowIcons->setChecked(
        m_options->value(MCOptions::ColumnController, ShowIcons, true).toBool());
    m_columnViewButtonShowIconPreview->setChecked(
        m_options->value(MCOptions::ColumnController, IconPreview, 1).toBool());
    selectTag(m_columnViewTextSizePop,
              m_options->value(MCOptions::ColumnController, TextSize, 12).toInt());
}

void MCViewOptionsController::columnViewRestoreDefault()
{
    m_options->setValue(MCOptions::ColumnController, PreviewColumn, true);
    if (auto *columns = qobject_cast<MCColumnController *>(m_view.data()))
        columns->showPreviewColumn(true);
    m_columnViewButtonShowPreviewColumn->setChecked(true);
}

void MCViewOptionsController::optionChanged(const QString &dictionary, const QString &key,
                                            const QVariant &value)
{
    if (dictionary == MCOptions::IconController && key == IconSize && value.isValid()) {
        showIconSize(value.toInt());
    } else if (dictionary == MCOptions::ListController && key == ColumnsVisibility) {
        const QVariantMap visibility = value.toMap();
        for (int i = 0; i < m_listViewColumns.size(); ++i)
            m_listViewColumns.at(i)->setChecked(
                visibility.value(QLatin1String(ListColumns[i]), true).toBool());
    }
}

void MCViewOptionsController::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    emit closed();
}
