#ifndef MCHISTORYPLACE_H
#define MCHISTORYPLACE_H

#include <QString>

// A place of the back and forward history, recorded with what it is: a folder of the store
// (keyed by its path), a page shown instead of the browser (its pseudo-URL, "transfers://"), or
// a person's or group's chat (the entity's title). The kind never comes from the key's
// spelling: a group's name is chosen by other users and may look like a path.
class MCHistoryPlace
{
public:
    enum Kind { Folder, Page, Chat };

    MCHistoryPlace() = default;
    MCHistoryPlace(Kind kind, const QString &key)
        : m_kind(kind)
        , m_key(key)
    {}
    static MCHistoryPlace folder(const QString &path) { return {Folder, path}; }

    Kind kind() const { return m_kind; }
    QString key() const { return m_key; }
    bool isNull() const { return m_key.isNull(); }
    bool isFolder() const { return m_kind == Folder; }

    bool operator==(const MCHistoryPlace &other) const
    {
        return m_kind == other.m_kind && m_key == other.m_key;
    }
    bool operator!=(const MCHistoryPlace &other) const { return !(*this == other); }

private:
    Kind m_kind = Folder;
    QString m_key;
};

#endif // MCHISTORYPLACE_H
