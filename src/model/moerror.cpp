#include "moerror.h"

MOError::MOError(const QString &domain, qint64 code, const QVariantMap &userInfo)
    : m_domain(domain)
    , m_code(code)
    , m_userInfo(userInfo)
{}

const QString MOErrorDescriptionKey = QStringLiteral("MOErrorDescriptionKey");

QString MOError::description() const
{
    return m_userInfo.value(MOErrorDescriptionKey).toString();
}

bool MOError::operator==(const MOError &other) const
{
    return m_domain == other.m_domain && m_code == other.m_code && m_userInfo == other.m_userInfo;
}
