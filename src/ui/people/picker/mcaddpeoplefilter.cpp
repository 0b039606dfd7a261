#include "mcaddpeoplefilter.h"

#include "mcaddpeoplemodel.h"

MCAddPeopleFilter::MCAddPeopleFilter(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
    sort(MCAddPeopleModel::People, Qt::AscendingOrder);
}

void MCAddPeopleFilter::setExcludedEmails(const QStringList &emails)
{
    m_excluded = emails;
    invalidateFilter();
}

void MCAddPeopleFilter::setSearchText(const QString &text)
{
    m_search = folded(text);
    invalidateFilter();
}

QString MCAddPeopleFilter::folded(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString plain;
    plain.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            plain.append(c);
    }
    return plain.toCaseFolded();
}

bool MCAddPeopleFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    const QString email = index.data(MCAddPeopleModel::EmailRole).toString();
    for (const QString &excluded : m_excluded) {
        if (excluded.compare(email, Qt::CaseInsensitive) == 0)
            return false;
    }
    return m_search.isEmpty() ||
           folded(index.data(MCAddPeopleModel::FullNameRole).toString()).contains(m_search);
}

bool MCAddPeopleFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    return left.data(MCAddPeopleModel::FullNameRole)
               .toString()
               .compare(right.data(MCAddPeopleModel::FullNameRole).toString()) < 0;
}
