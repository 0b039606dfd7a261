#ifndef MCVIEWOPTIONSCONTROLLER_H
#define MCVIEWOPTIONSCONTROLLER_H

#include <QPointer>
#include <QWidget>

class MCBrowsableViewController;
class MCOptions;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QStackedWidget;

// The small window in which the user edits the options of the browser view shown: a pane for
// the icon view (icon size, label position, background, additional information, thumbnails),
// one for the list view (text size, visible columns, relative dates) and one for the column view
// (preview column, icons, text size, thumbnails). It edits the views' option dictionaries in
// place ("MCIconController", "MCListController", "MCColumnController"), which the shell saves
// with the user defaults, and has the view shown apply each change. It follows the options
// other controls change too (the icon size, the list's columns).
class MCViewOptionsController : public QWidget
{
    Q_OBJECT
public:
    // options is not owned.
    explicit MCViewOptionsController(MCOptions *options, QWidget *parent = nullptr);

    // Shows the pane of view (an icon, list or column controller) and retitles the window
    // "Icon View", "List View" or "Columns View"; any other view changes nothing.
    void setSelectedView(MCBrowsableViewController *view);
    QStackedWidget *mainView() const { return m_mainView; }

signals:
    // The window was closed by the user or hidden by the shell.
    void closed();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *makeIconPane();
    QWidget *makeListPane();
    QWidget *makeColumnPane();
    void loadIconViewSettings();
    void loadListViewSettings();
    void loadColumnViewSettings();
    void showIconSize(int size);
    void showSortType(qint64 sortType);
    void iconViewRestoreDefault();
    void listViewRestoreDefault();
    void columnViewRestoreDefault();
    void optionChanged(const QString &dictionary, const QString &key, const QVariant &value);
    QVariant iconOption(const QString &key, const QVariant &fallback) const;

    MCOptions *m_options;
    QPointer<MCBrowsableViewController> m_view;
    QStackedWidget *m_mainView;
    QWidget *m_iconView;
    QWidget *m_listView;
    QWidget *m_columnView;

    QLabel *m_iconViewLittleIcon = nullptr;
    QLabel *m_iconViewBigIcon = nullptr;
    QSlider *m_iconViewSlider = nullptr;
    QLabel *m_iconViewIconSizeText = nullptr;
    QButtonGroup *m_iconViewMatrixLabelPosition = nullptr;
    QButtonGroup *m_iconViewMatrixStyle = nullptr;
    QCheckBox *m_iconViewAddInfoCheckbox = nullptr;
    QComboBox *m_iconViewAddInfoPop = nullptr;
    QCheckBox *m_iconViewShowPreview = nullptr;
    QComboBox *m_iconViewTextSizePop = nullptr;
    QComboBox *m_iconViewSortByPop = nullptr;

    QLabel *m_listViewLittleIcon = nullptr;
    QLabel *m_listViewBigIcon = nullptr;
    QComboBox *m_listViewTextSizePop = nullptr;
    QComboBox *m_listViewSortByPop = nullptr;
    QList<QCheckBox *> m_listViewColumns;
    QCheckBox *m_listViewDateRelative = nullptr;
    QButtonGroup *m_listViewMatrixIconSize = nullptr;
    QButtonGroup *m_listViewMatrixStyle = nullptr;
    QCheckBox *m_listViewShowPreview = nullptr;

    QCheckBox *m_columnViewButtonShowPreviewColumn = nullptr;
    QCheckBox *m_columnViewButtonShowIcons = nullptr;
    QCheckBox *m_columnViewButtonShowIconPreview = nullptr;
    QComboBox *m_columnViewTextSizePop = nullptr;
    QComboBox *m_columnViewSortByPop = nullptr;
};

#endif // MCVIEWOPTIONSCONTROLLER_H
