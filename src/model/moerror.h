#ifndef MOERROR_H
#define MOERROR_H

#include <QMetaType>
#include <QString>
#include <QVariantMap>

// A failure as the model layer reports it: a domain (one of the *Domain constants), a code
// within it and details under named keys. A default-constructed error is null.
class MOError
{
public:
    MOError() = default;
    MOError(const QString &domain, qint64 code, const QVariantMap &userInfo = QVariantMap());

    bool isNull() const { return m_domain.isNull(); }
    QString domain() const { return m_domain; }
    qint64 code() const { return m_code; }
    QVariantMap userInfo() const { return m_userInfo; }
    // What went wrong, as a sentence for the user (MOErrorDescriptionKey); empty when the error
    // does not say.
    QString description() const;

    bool operator==(const MOError &other) const;
    bool operator!=(const MOError &other) const { return !(*this == other); }

private:
    QString m_domain;
    qint64 m_code = 0;
    QVariantMap m_userInfo;
};

extern const QString MOErrorDescriptionKey;

Q_DECLARE_METATYPE(MOError)

#endif // MOERROR_H
