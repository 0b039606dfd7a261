#ifndef MCLEAFCONTROLLER_H
#define MCLEAFCONTROLLER_H

#include "mcabstractobjectnode.h"
#include "mcdateformatter.h"
#include "mcfilesizeformatter.h"
#include "mcpreviewgeneratordelegate.h"

#include <QPointer>
#include <QWidget>

class MCPreviewGenerator;
class QLabel;
class QStandardItemModel;
class QTableView;

// The column view's last column while a file is selected: a large preview of the file (its
// thumbnail once the preview generator has it, its icon until then) over a small table of its
// properties: Name, Kind, Size, Created, Modified and Last opened (the service knows neither
// creation nor opening dates: those rows stay empty). The dates' style follows the width of
// the value column. A click anywhere on the pane is reported (clicked), so that the browser can
// end a rename and take the focus back.
class MCLeafController
    : public QWidget
    , public MCPreviewGeneratorDelegate
{
    Q_OBJECT
public:
    // previews may be null (icons only); it is not owned.
    explicit MCLeafController(MCPreviewGenerator *previews, QWidget *parent = nullptr);
    ~MCLeafController() override;

    MCNodePtr currentNode() const { return m_currentNode; }
    void setNode(const MCNodePtr &node);
    // The properties of the node shown read again (renamed, say); the image stays.
    void reloadProperties();
    QLabel *fileImageView() const { return m_fileImageView; }
    QTableView *tableView() const { return m_tableView; }
    // The properties' rows: labels in column 0, values in column 1.
    QStandardItemModel *properties() const { return m_properties; }
    // The date and time styles for a value column of width points.
    void valueColumnResized(int width);

    void previewUpdatedForNodeWithThumbnailAndSize(const QString &path, const QPixmap &thumbnail,
                                                   uint size) override;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showImage(const QPixmap &image);

    QPointer<MCPreviewGenerator> m_previews;
    QLabel *m_fileImageView;
    QTableView *m_tableView;
    QStandardItemModel *m_properties;
    MCNodePtr m_currentNode;
    MCDateFormatter m_dateFormatter;
    MCFileSizeFormatter m_sizeFormatter;
    QPixmap m_image;
};

#endif // MCLEAFCONTROLLER_H
