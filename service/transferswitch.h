#ifndef TRANSFERSWITCH_H
#define TRANSFERSWITCH_H

#include <QJsonObject>
#include <QString>

#include <optional>

// One injected misbehaviour of the transfer calls, for the next matching transfers.
struct TransferSwitch
{
    enum class Kind {
        CutDownload,    // send bytes of the body, then drop the connection
        IgnoreRange,    // answer a ranged download with 200 and the whole body
        OmitMetadata,   // leave out x-kerlo-metadata
        MetadataHash,   // put hash into x-kerlo-metadata instead of the real one
        ReverseMissing, // list the missing chunks of a new upload last first
        SlowDownload,   // send the body at bytes per second
    };

    Kind kind = Kind::CutDownload;
    QString path;  // the object's path; empty: any
    int count = 1; // -1: forever
    qint64 bytes = 0;
    QString hash;

    bool matches(Kind wanted, const QString &objectPath) const;

    static std::optional<TransferSwitch> fromJson(const QJsonObject &json, QString *error);
};

#endif // TRANSFERSWITCH_H
