#include "mcnewfiletemplatesmodel.h"

#include "mcoptions.h"
#include "mcshelllogging.h"
#include "mcworkspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString PathKey = QStringLiteral("path");
const QString LabelKey = QStringLiteral("label");
// 1 January 2001 UTC in seconds since 1970.
constexpr qint64 ReferenceDate = 978307200;

} // namespace

MCNewFileTemplatesModel::MCNewFileTemplatesModel(MCOptions *options, const QString &templatesPath,
                                                 QObject *parent)
    : QAbstractListModel(parent)
    , m_options(options)
    , m_templatesPath(QDir::cleanPath(templatesPath))
    , m_now([] { return QDateTime::currentDateTimeUtc(); })
{
    connect(m_options, &MCOptions::valueChanged, this,
            [this](const QString &dictionary, const QString &key) {
                if (!m_storing && dictionary == MCOptions::AppDelegate &&
                    key == MCOptions::NewFileSettings)
                    loadNewFilesInfo();
            });
    connect(m_options, &MCOptions::dictionaryReplaced, this, [this](const QString &dictionary) {
        if (dictionary == MCOptions::AppDelegate)
            loadNewFilesInfo();
    });
    loadNewFilesInfo();
}

int MCNewFileTemplatesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_elements.size();
}

QVariant MCNewFileTemplatesModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    const QVariantMap values = entry(index.row());
    const QString path = values.value(PathKey).toString();
    const QString extension = QFileInfo(path).suffix();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return values.value(LabelKey).toString();
    case Qt::DecorationRole:
        return MCWorkspace::iconForFileType(extension);
    case Qt::ToolTipRole:
    case PathRole:
        return path;
    case SecondLineRole:
        return QStringLiteral("%1 - %2").arg(
            extension, MCWorkspace::humanReadableFileTypeForFileExtension(extension));
    default:
        return QVariant();
    }
}

QVariant MCNewFileTemplatesModel::headerData(int section, Qt::Orientation orientation,
                                             int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return tr("Template");
    return QAbstractListModel::headerData(section, orientation, role);
}

bool MCNewFileTemplatesModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    // A menu item needs a title: blank labels are refused.
    const QString label = value.toString().simplified();
    if (label.isEmpty())
        return false;
    QVariantMap values = entry(index.row());
    values.insert(LabelKey, label);
    QVariantList elements = m_elements;
    elements[index.row()] = values;
    store(elements);
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags MCNewFileTemplatesModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (index.isValid())
        flags |= Qt::ItemIsEditable;
    return flags;
}

void MCNewFileTemplatesModel::loadNewFilesInfo()
{
    beginResetModel();
    m_elements = m_options->value(MCOptions::AppDelegate, MCOptions::NewFileSettings).toList();
    endResetModel();
}

QString MCNewFileTemplatesModel::addElement(const QString &path, bool fromExternal, int row)
{
    if (!fromExternal)
        return tr("Please, download the file. Direct operation is not supported yet");
    const QFileInfo source(path);
    if (source.isDir())
        return tr("You can't add a folder");
    const QString extension = source.suffix();
    if (extension.isEmpty())
        return tr("You can't add a file with no extension");
    if (!source.isFile())
        return tr("The file could not be found");

    const QString kind = MCWorkspace::humanReadableFileType(extension);
    const QString label = tr("%1 %2").arg(tr("New"), kind.isEmpty() ? extension : kind);
    QDir().mkpath(m_templatesPath);
    // Named after the moment; two files added within one second get a suffix, not one file.
    const QString stem =
        QString::number(qMax<qint64>(0, m_now().toSecsSinceEpoch() - ReferenceDate));
    QString copy = QDir(m_templatesPath).filePath(stem + QLatin1Char('.') + extension);
    for (int n = 1; QFileInfo::exists(copy) || QFileInfo(copy).isSymLink(); ++n)
        copy = QDir(m_templatesPath)
                   .filePath(QStringLiteral("%1-%2.%3").arg(stem).arg(n).arg(extension));
    if (!QFile::copy(path, copy)) {
        qCWarning(lcShell) << "Could not copy a template into" << m_templatesPath;
        return tr("The file could not be copied into the templates folder");
    }
    QVariantList elements = m_elements;
    elements.insert(qBound(0, row, elements.size()),
                    QVariantMap{{PathKey, copy}, {LabelKey, label}});
    store(elements);
    loadNewFilesInfo();
    return QString();
}

void MCNewFileTemplatesModel::removeElement(int row)
{
    if (row < 0 || row >= m_elements.size())
        return;
    const QVariant removed = m_elements.at(row);
    QVariantList elements = m_elements;
    elements.removeAll(removed);
    const QString path = removed.toMap().value(PathKey).toString();
    const bool stillUsed = std::any_of(elements.cbegin(), elements.cend(), [&](const QVariant &e) {
        return e.toMap().value(PathKey).toString() == path;
    });
    // The stored list may name any path: only our own copies are deleted.
    if (!stillUsed && isInsideTemplates(path) && !QFile::remove(path) && QFileInfo::exists(path))
        qCWarning(lcShell) << "Could not delete a template file";
    store(elements);
    loadNewFilesInfo();
}

int MCNewFileTemplatesModel::moveUpDownElement(int row, bool up)
{
    const int other = up ? row - 1 : row + 1;
    if (m_elements.size() < 2 || row < 0 || row >= m_elements.size() || other < 0 ||
        other >= m_elements.size())
        return -1;
    QVariantList elements = m_elements;
    elements.swapItemsAt(row, other);
    store(elements);
    loadNewFilesInfo();
    return other;
}

QVariantMap MCNewFileTemplatesModel::entry(int row) const
{
    return m_elements.value(row).toMap();
}

void MCNewFileTemplatesModel::store(const QVariantList &elements)
{
    m_storing = true;
    m_options->setValue(MCOptions::AppDelegate, MCOptions::NewFileSettings, elements);
    m_storing = false;
    m_elements = elements;
}

bool MCNewFileTemplatesModel::isInsideTemplates(const QString &path) const
{
    if (path.isEmpty() || QDir::isRelativePath(path) || m_templatesPath.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(path);
    if (!clean.startsWith(m_templatesPath + QLatin1Char('/')))
        return false;
    // A folder in between that is a link could lead elsewhere: the real folder must match too.
    const QString canonicalFolder = QFileInfo(QFileInfo(clean).path()).canonicalFilePath();
    const QString canonicalTemplates = QFileInfo(m_templatesPath).canonicalFilePath();
    return !canonicalTemplates.isEmpty() && canonicalFolder == canonicalTemplates;
}
