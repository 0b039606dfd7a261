#include "mcoptions.h"

MCOptions::MCOptions(QObject *parent)
    : QObject(parent)
{}

QStringList MCOptions::dictionaryNames() const
{
    QStringList names = m_dictionaries.keys();
    names.sort();
    return names;
}

bool MCOptions::hasDictionary(const QString &dictionary) const
{
    return m_dictionaries.contains(dictionary);
}

QVariantMap MCOptions::dictionary(const QString &dictionary) const
{
    return m_dictionaries.value(dictionary);
}

void MCOptions::setDictionary(const QString &dictionary, const QVariantMap &values)
{
    m_dictionaries.insert(dictionary, values);
    emit dictionaryReplaced(dictionary);
}

bool MCOptions::contains(const QString &dictionary, const QString &key) const
{
    const auto found = m_dictionaries.constFind(dictionary);
    return found != m_dictionaries.constEnd() && found->contains(key);
}

QVariant MCOptions::value(const QString &dictionary, const QString &key,
                          const QVariant &defaultValue) const
{
    const auto found = m_dictionaries.constFind(dictionary);
    if (found == m_dictionaries.constEnd())
        return defaultValue;
    return found->value(key, defaultValue);
}

void MCOptions::setValue(const QString &dictionary, const QString &key, const QVariant &value)
{
    QVariantMap &values = m_dictionaries[dictionary];
    const auto found = values.constFind(key);
    if (found != values.constEnd() && *found == value && found->type() == value.type())
        return;
    values.insert(key, value);
    emit valueChanged(dictionary, key, value);
}
