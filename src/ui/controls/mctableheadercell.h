#ifndef MCTABLEHEADERCELL_H
#define MCTABLEHEADERCELL_H

#include <QHeaderView>

// The column header of the share-links table: bold 11-pixel titles set in by four blanks in
// the disabled-text colour on a white-to-light-grey gradient, a grey separator at each
// section's right edge and a grey bottom line. The sort indicator is drawn at the right end.
class MCTableHeaderCell : public QHeaderView
{
    Q_OBJECT
public:
    explicit MCTableHeaderCell(QWidget *parent = nullptr);

    // The title as drawn: the leading blanks before a non-empty title; an empty one stays empty.
    QString headerTitle(const QString &title) const;
    QColor titleColor() const;

protected:
    MCTableHeaderCell(int leadingBlanks, const QColor &titleColor, QWidget *parent);
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    int m_leadingBlanks;
    QColor m_titleColor;
};

#endif // MCTABLEHEADERCELL_H
