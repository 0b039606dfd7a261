#ifndef MCQUICKLOOKITEMMODEL_H
#define MCQUICKLOOKITEMMODEL_H

#include "mcabstractobjectnode.h"

#include <QAbstractListModel>
#include <QPointer>

class MCPreviewGenerator;

// The Quick Look window's strip: one row per selected object, in selection order. A row's
// image is the object's 128-pixel thumbnail (or its icon); rows showing a real thumbnail
// have a shadow. A row's version goes up when a newer thumbnail arrives, so views draw it
// again. Main thread only.
class MCQuickLookItemModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        ImageUIDRole = Qt::UserRole + 1, // the object's remote path
        ShadowOnRole,
        ImageVersionRole,
        NodeRole, // the MCNodePtr
    };
    static constexpr uint ItemPreviewSize = 128;

    // previews (not owned) may be null: icons only.
    explicit MCQuickLookItemModel(MCPreviewGenerator *previews, QObject *parent = nullptr);

    void setNodes(const MCNodeList &nodes);
    MCNodePtr nodeAt(int row) const;
    // The first row showing path, after a thumbnail of it arrived: its version goes up and
    // its image is read again. False when no row shows path.
    bool increaseImageVersion(const QString &path);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Item
    {
        MCNodePtr node;
        quint64 imageVersion = 0;
        bool shadowOn = false;
    };
    QPointer<MCPreviewGenerator> m_previews;
    QVector<Item> m_items;
};

#endif // MCQUICKLOOKITEMMODEL_H
