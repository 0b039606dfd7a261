#ifndef MCFUNCTIONS_H
#define MCFUNCTIONS_H

#include <QIcon>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class AlertPresenter;
class MCOptions;
class QSettings;
class QWidget;

// Small rules shared by the windows and views: e-mail syntax, time-left texts, preview size
// buckets, the shared colours, the default new-file template, kinds of local files, and the
// standard confirmations and warnings of file actions.
//
// The confirmations and warnings go through the alert presenter: they never block, and a
// confirmation answers through its callback once the user has chosen (never when the parent
// window went away first). Their "Don't ask me again" boxes write the application-wide options
// ("MCAppDelegate" in options; nothing is written once options is gone).
class MCFunctions
{
public:
    using Answer = std::function<void(bool)>;

    // The picture of the store's root "/": the icon theme's home folder, else the bundled one.
    static QIcon getHomeIcon();
    // The desktop's generic folder icon (a bundled one without an icon theme).
    static QIcon getFolderIcon();
    // The kind of the local file ("~" expanded); empty when there is no such file.
    static QString humanReadableFileType(const QString &path);
    static bool fileExistsAtPath(const QString &path);
    // The entries of a local folder for path completion. Nothing is listed: always empty.
    static QStringList getFilesListAtPath(const QString &path, bool withFullPath);

    // The whole text is an e-mail address with a top-level domain of 2 to 6 letters
    // (stringIsValidEmail: 2 to 4).
    static bool validateEmail(const QString &email);
    static bool stringIsValidEmail(const QString &email);
    // n letters and digits drawn at random; empty for n below 1.
    static QString genRandStringLength(int n);
    // "2 hours and 5 minutes", "1 minute", "0 seconds"; the largest signed 64-bit value, which
    // stands for a rate not yet known, gives "Calculating time".
    static QString formatSecondAsTimeLeft(quint64 seconds);
    // The thumbnail size to ask for: 32, 128 or 512 by the larger side.
    static unsigned sizeOfPreview(const QSizeF &size);

    // "MediumColor", "DarkColor" and "LightColor" as QColor values. They are stored under
    // "Colors" in settings on first use and read from there afterwards.
    static QVariantMap getColors(QSettings &settings);
    // The default new-file template list: the bundled empty text file copied into
    // templatesPath (an existing copy is kept), as [{"label": "New Text Document",
    // "path": <copy>}].
    static QVariantList generateNewFileDictionary(const QString &templatesPath);

    // Whether the file name names an archive (zip, tar, gzip, bzip2, xz, 7-zip, rar); office
    // documents that are zip files inside do not count.
    static bool isArchive(const QString &fileName);

    // Opening a remote archive uploads everything in it: asks first, unless the user said not
    // to ask again ("OpenArchiveDefaultAction") or the file is no archive. true for "Open".
    static void ifArchiveAskUser(const QString &path, MCOptions &options, AlertPresenter &alerts,
                                 QWidget *parent, Answer answer);
    // Asks before deleting unless "DeleteAskConfermation" is off. true for "Delete".
    static void alertCanDelete(MCOptions &options, AlertPresenter &alerts, QWidget *parent,
                               Answer answer);
    // Warns that a name cannot be used; code is an MCString::FilenameValidity.
    static void alertFilenameValidity(unsigned code, AlertPresenter &alerts, QWidget *parent);
    // Warns that a name is taken in the folder.
    static void alertFilenameTaken(const QString &name, AlertPresenter &alerts, QWidget *parent);
};

#endif // MCFUNCTIONS_H
