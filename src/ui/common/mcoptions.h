#ifndef MCOPTIONS_H
#define MCOPTIONS_H

#include <QHash>
#include <QObject>
#include <QVariantMap>

// The interface's persistent options while the program runs: one dictionary per window or view
// ("MCAppDelegate", "MCIconController", ...), read and changed in place by every interface
// class, with a change signal per key so that several views can follow one option. The state
// hub owns one; MCUserDefaults copies it from and to the settings file.
class MCOptions : public QObject
{
    Q_OBJECT
public:
    // Names of the dictionaries and of the application-wide options.
    static inline const QString AppDelegate = QStringLiteral("MCAppDelegate");
    static inline const QString IconController = QStringLiteral("MCIconController");
    static inline const QString ListController = QStringLiteral("MCListController");
    static inline const QString ColumnController = QStringLiteral("MCColumnController");
    static inline const QString MyContacts = QStringLiteral("MyContacts");

    static inline const QString FinderMoveDefaultAction = QStringLiteral("FinderMoveDefaultAction");
    static inline const QString OpenArchiveDefaultAction =
        QStringLiteral("OpenArchiveDefaultAction");
    static inline const QString DeleteAskConfermation = QStringLiteral("DeleteAskConfermation");
    static inline const QString SoundsEnabled = QStringLiteral("SoundsEnabled");
    static inline const QString NewFileSettings = QStringLiteral("NewFileSettings");
    static inline const QString WillStartAtLogin = QStringLiteral("WillStartAtLogin");
    static inline const QString PathBarIsVisible = QStringLiteral("PathBarIsVisible");
    static inline const QString StatusBarIsInvisible = QStringLiteral("StatusBarIsInvisible");
    static inline const QString ShowWelcomeTour = QStringLiteral("ShowWelcomeTour");

    explicit MCOptions(QObject *parent = nullptr);

    QStringList dictionaryNames() const;
    bool hasDictionary(const QString &dictionary) const;
    QVariantMap dictionary(const QString &dictionary) const;
    void setDictionary(const QString &dictionary, const QVariantMap &values);

    bool contains(const QString &dictionary, const QString &key) const;
    QVariant value(const QString &dictionary, const QString &key,
                   const QVariant &defaultValue = QVariant()) const;
    void setValue(const QString &dictionary, const QString &key, const QVariant &value);

signals:
    // One key of a dictionary was set or removed (value is then invalid).
    void valueChanged(const QString &dictionary, const QString &key, const QVariant &value);
    // A whole dictionary was put in place.
    void dictionaryReplaced(const QString &dictionary);

private:
    QHash<QString, QVariantMap> m_dictionaries;
};

#endif // MCOPTIONS_H
