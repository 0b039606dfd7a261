#ifndef MCICONITEMDELEGATE_H
#define MCICONITEMDELEGATE_H

#include "mclabelhighlight.h"
#include "mcnameeditingdelegate.h"

class QLineEdit;
class QTextLayout;

// Draws one icon-view item of MCIconItemModel: the file icon, or the thumbnail framed as a
// photo; the state badge on the icon's corner; the name below the icon (centred, up to two
// lines) or at its right (left-aligned), with the rounded selection highlight behind it. A
// busy item shows a muted icon and, in the light style, a grey name. Renaming in place is the
// base's, with the editor centred under the icon.
class MCIconItemDelegate : public MCNameEditingDelegate
{
    Q_OBJECT
public:
    enum LabelPosition { LabelBelow, LabelRight };

    explicit MCIconItemDelegate(QObject *parent = nullptr);

    int iconSize() const { return m_iconSize; }
    void setIconSize(int size) { m_iconSize = size; }
    LabelPosition labelPosition() const { return m_labelPosition; }
    void setLabelPosition(LabelPosition position) { m_labelPosition = position; }
    // The icon view's "ViewStyle" option: 1 (light, the default) or another value (dark).
    // A second, smaller line under each name (the item's additional information).
    bool showsAdditionalInfo() const { return m_additionalInfo; }
    void setShowsAdditionalInfo(bool shown) { m_additionalInfo = shown; }
    void setViewStyle(uint style) { m_viewStyle = style; }

    // Where the icon and the name go inside an item's rectangle.
    QRect iconRect(const QRect &itemRect) const;
    QRect labelRect(const QRect &itemRect) const;
    // The name's text colour when unselected.
    QColor unselectedTextColor(bool busy) const;
    // Where an extension starts in name (its dot); -1 when the name has none.
    static int extensionStart(const QString &name);
    // The name's first two lines laid out in width, broken between words and never inside
    // the extension; when more follow (continues), the last line ends with the rest of the
    // name shortened in the middle.
    static QStringList labelLines(const QString &text, const QFont &font, qreal width,
                                  bool *continues);
    // The widths of those lines.
    static QVector<qreal> lineWidths(const QString &text, const QFont &font, qreal width,
                                     bool *continues);
    // Where a name's lines are laid out in labelRect: inside its margins, the same width
    // whether the name is selected or not.
    QRectF textArea(const QRect &labelRect) const;
    // The highlight behind a selected name drawn in labelRect.
    MCLabelHighlight highlightFor(const QString &text, const QFont &font,
                                  const QRect &labelRect) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    // The name field covers the name's label and is wide enough for what it holds.
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

protected:
    Qt::Alignment editorAlignment() const override { return Qt::AlignCenter; }

private:
    static void fitEditor(QLineEdit *field);

    int m_iconSize = 64;
    LabelPosition m_labelPosition = LabelBelow;
    uint m_viewStyle = 1;
    bool m_additionalInfo = false;
};

#endif // MCICONITEMDELEGATE_H
