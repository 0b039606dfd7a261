#ifndef MOOBJECTERROR_H
#define MOOBJECTERROR_H

#include <QMetaType>
#include <QString>

#include <optional>

#include "moerror.h"
#include "moobjecttransfer.h"

// The failure of one remote action on one object: a copy of the core's code, path and message.
class MOObjectError
{
public:
    MOObjectError() = default;
    qint64 code() const { return m_code; }
    void setCode(qint64 code) { m_code = code; }
    QString path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }
    QString message() const { return m_message; }
    void setMessage(const QString &message) { m_message = message; }

private:
    qint64 m_code = 0;
    QString m_path;
    QString m_message;
};

Q_DECLARE_METATYPE(MOObjectError)

// An error in domain with the object error's code, carrying the object error under
// "MOObjectErrorKey" and, when there is one, the transfer it belongs to under
// "MOObjectTransferKey".
MOError errorWithObjectError(const MOObjectError &error, const QString &domain,
                             const std::optional<MOObjectTransfer> &transfer = std::nullopt);

#endif // MOOBJECTERROR_H
