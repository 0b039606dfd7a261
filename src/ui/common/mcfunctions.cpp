#include "mcfunctions.h"

#include "alertpresenter.h"
#include "mcimages.h"
#include "mcoptions.h"
#include "mcstring.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMimeDatabase>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>

#include <limits>

Q_LOGGING_CATEGORY(lcMCFunctions, "lumarin.ui.shell.functions")

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MCFunctions", text);
}

QString expandTilde(const QString &path)
{
    if (path == QLatin1String("~"))
        return QDir::homePath();
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

bool matchesWhole(const QString &text, const QString &pattern)
{
    const QRegularExpression expression(QRegularExpression::anchoredPattern(pattern));
    return expression.match(text).hasMatch();
}

// A question with a "Don't ask me again" box. When the box is ticked, rememberChoice runs
// whichever button was pressed; answer gets true only for the first, confirming button.
void askWithSuppression(AlertPresenter &alerts, QWidget *parent, Alert alert,
                        const QString &confirmTitle, std::function<void()> rememberChoice,
                        MCFunctions::Answer answer)
{
    alert.style = Alert::Warning;
    alert.buttons = QStringList{confirmTitle, tr("Cancel")};
    alert.suppressionText = tr("Don't ask me again");
    alerts.present(alert, parent, [rememberChoice, answer](const AlertAnswer &chosen) {
        if (chosen.suppressed)
            rememberChoice();
        if (answer)
            answer(chosen.button == 0);
    });
}

void warn(AlertPresenter &alerts, QWidget *parent, const QString &title, const QString &text)
{
    Alert alert;
    alert.style = Alert::Warning;
    alert.windowTitle = title;
    alert.messageText = text;
    alert.buttons = QStringList{tr("OK")};
    alerts.present(alert, parent, [](const AlertAnswer &) {});
}

} // namespace

QIcon MCFunctions::getHomeIcon()
{
    static const QIcon home = QIcon::fromTheme(QStringLiteral("user-home"),
                                               QIcon(MCImages::named(QStringLiteral("home.png"))));
    return home;
}

QIcon MCFunctions::getFolderIcon()
{
    static const QIcon folder = QIcon::fromTheme(
        QStringLiteral("folder"), QIcon(MCImages::named(QStringLiteral("folder.png"))));
    return folder;
}

QString MCFunctions::humanReadableFileType(const QString &path)
{
    const QFileInfo info(expandTilde(path));
    if (!info.exists())
        return QString(QLatin1String(""));
    return QMimeDatabase().mimeTypeForFile(info).comment();
}

bool MCFunctions::fileExistsAtPath(const QString &path)
{
    return QFileInfo::exists(path);
}

QStringList MCFunctions::getFilesListAtPath(const QString &, bool)
{
    return QStringList();
}

bool MCFunctions::validateEmail(const QString &email)
{
    return matchesWhole(email, QStringLiteral("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,6}"));
}

bool MCFunctions::stringIsValidEmail(const QString &email)
{
    return matchesWhole(email, QStringLiteral("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}"));
}

QString MCFunctions::genRandStringLength(int n)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString text;
    for (int i = 0; i < n; ++i)
        text += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return text;
}

QString MCFunctions::formatSecondAsTimeLeft(quint64 seconds)
{
    if (seconds == quint64(std::numeric_limits<qint64>::max()))
        return tr("Calculating time");
    // Whole numbers throughout: single precision would be wrong above about 2^24 seconds.
    const quint64 hours = seconds / 3600;
    const quint64 minutes = seconds % 3600 / 60;
    const quint64 rest = seconds % 60;
    if (hours == 1) {
        if (minutes == 0)
            return tr("%1 hour").arg(hours);
        return (minutes == 1 ? tr("%1 hour and %2 minute") : tr("%1 hour and %2 minutes"))
            .arg(hours)
            .arg(minutes);
    }
    if (hours > 1) {
        if (minutes == 0)
            return tr("%1 hours").arg(hours);
        return (minutes == 1 ? tr("%1 hours and %2 minute") : tr("%1 hours and %2 minutes"))
            .arg(hours)
            .arg(minutes);
    }
    if (minutes == 1)
        return tr("1 minute");
    if (minutes > 1)
        return tr("%1 minutes").arg(minutes);
    if (rest == 1)
        return tr("1 second");
    return tr("%1 seconds").arg(rest);
}

unsigned MCFunctions::sizeOfPreview(const QSizeF &size)
{
    const float larger = float(qMax(size.width(), size.height()));
    if (larger <= 32)
        return 32;
    if (larger <= 128)
        return 128;
    return 512;
}

QVariantMap MCFunctions::getColors(QSettings &settings)
{
    static const QString key = QStringLiteral("Colors");
    const auto components = [](const QColor &color) {
        return QVariantList{color.redF(), color.greenF(), color.blueF(), color.alphaF()};
    };
    if (!settings.contains(key)) {
        const QColor cantaloupe(0xFF, 0xCC, 0x66);
        QColor light = cantaloupe;
        light.setAlphaF(0.4);
        settings.setValue(key, QVariantMap{
                                   {QStringLiteral("MediumColor"), components(cantaloupe)},
                                   {QStringLiteral("DarkColor"), components(QColor(0xFF, 0x80, 0))},
                                   {QStringLiteral("LightColor"), components(light)},
                               });
        settings.sync();
    }
    QVariantMap colors;
    const QVariantMap stored = settings.value(key).toMap();
    for (auto it = stored.constBegin(); it != stored.constEnd(); ++it) {
        const QVariantList rgba = it.value().toList();
        if (rgba.size() != 4)
            continue;
        colors.insert(it.key(), QColor::fromRgbF(rgba[0].toDouble(), rgba[1].toDouble(),
                                                 rgba[2].toDouble(), rgba[3].toDouble()));
    }
    return colors;
}

QVariantList MCFunctions::generateNewFileDictionary(const QString &templatesPath)
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(templates);
        return true;
    }();
    Q_UNUSED(registered);

    const QString copy = QDir(templatesPath).filePath(QStringLiteral("0.txt"));
    if (!QFileInfo::exists(copy)) {
        QDir().mkpath(templatesPath);
        if (QFile::copy(QStringLiteral(":/templates/0.txt"), copy))
            QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        else
            qCWarning(lcMCFunctions) << "Could not copy the text template into" << templatesPath;
    }
    return QVariantList{QVariantMap{
        {QStringLiteral("label"), tr("New Text Document")},
        {QStringLiteral("path"), copy},
    }};
}

bool MCFunctions::isArchive(const QString &fileName)
{
    // The type itself, not its ancestors: shared-mime-info makes office documents and jars
    // sub-classes of zip, and those open as documents.
    static const QStringList archives = {
        QStringLiteral("application/zip"),
        QStringLiteral("application/x-tar"),
        QStringLiteral("application/gzip"),
        QStringLiteral("application/x-compressed-tar"),
        QStringLiteral("application/x-bzip2"),
        QStringLiteral("application/x-bzip-compressed-tar"),
        QStringLiteral("application/x-xz"),
        QStringLiteral("application/x-xz-compressed-tar"),
        QStringLiteral("application/x-7z-compressed"),
        QStringLiteral("application/vnd.rar"),
        QStringLiteral("application/x-rar"),
    };
    const QList<QMimeType> types =
        QMimeDatabase().mimeTypesForFileName(QFileInfo(fileName).fileName());
    return !types.isEmpty() && archives.contains(types.first().name());
}

void MCFunctions::ifArchiveAskUser(const QString &path, MCOptions &options, AlertPresenter &alerts,
                                   QWidget *parent, Answer answer)
{
    if (options.value(MCOptions::AppDelegate, MCOptions::OpenArchiveDefaultAction).toBool() ||
        !isArchive(path)) {
        if (answer)
            answer(true);
        return;
    }
    Alert alert;
    alert.windowTitle = tr("Warning");
    alert.messageText =
        tr("Opening the archive will result in uploading all its content to your space.");
    alert.informativeText =
        tr("File: %1").arg(MCString::stringByIsolatingName(QFileInfo(path).fileName()));
    QPointer<MCOptions> store(&options);
    askWithSuppression(
        alerts, parent, alert, tr("Open"),
        [store] {
            if (store)
                store->setValue(MCOptions::AppDelegate, MCOptions::OpenArchiveDefaultAction, true);
        },
        answer);
}

void MCFunctions::alertCanDelete(MCOptions &options, AlertPresenter &alerts, QWidget *parent,
                                 Answer answer)
{
    // Only an explicit "no" skips the question: deleting is permanent.
    const QVariant ask = options.value(MCOptions::AppDelegate, MCOptions::DeleteAskConfermation);
    if (ask.isValid() && !ask.toBool()) {
        if (answer)
            answer(true);
        return;
    }
    Alert alert;
    alert.windowTitle = tr("Delete Warning");
    alert.messageText =
        tr("The file(s) will be removed permanently. Are you sure you want to continue?");
    QPointer<MCOptions> store(&options);
    askWithSuppression(
        alerts, parent, alert, tr("Delete"),
        [store] {
            if (store)
                store->setValue(MCOptions::AppDelegate, MCOptions::DeleteAskConfermation, false);
        },
        answer);
}

void MCFunctions::alertFilenameValidity(unsigned code, AlertPresenter &alerts, QWidget *parent)
{
    QString text = tr("You can't use this filename");
    switch (code) {
    case MCString::FilenameHasIllegalCharacter:
        text = QStringLiteral("%1, %2").arg(text, tr("because it contains illegal chars"));
        break;
    case MCString::FilenameHasSymbol:
        text = QStringLiteral("%1, %2").arg(text, tr("because it contains illegal symbols"));
        break;
    case MCString::FilenameNotAllowed:
        text = QStringLiteral("%1, %2").arg(text, tr("because some chars are not allowed"));
        break;
    default:
        break;
    }
    warn(alerts, parent, tr("Rename Warning"),
         QStringLiteral("%1. %2").arg(text, tr("Please choose another name.")));
}

void MCFunctions::alertFilenameTaken(const QString &name, AlertPresenter &alerts, QWidget *parent)
{
    warn(alerts, parent, tr("New Folder Warning"),
         QStringLiteral("%1 \u201C%2\u201D, %3")
             .arg(tr("The name"), MCString::stringByIsolatingName(name),
                  tr("is already taken. Please choose a different name.")));
}
