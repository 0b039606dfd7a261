#ifndef TOLVO_H
#define TOLVO_H

#include <QDataStream>
#include <QMetaType>
#include <QObject>

// The shared vocabulary of the core: numbered request actions, error codes and the values
// of a transfer request's fields.
namespace Tolvo {
Q_NAMESPACE

// Each request the core sends to the service is built from one of these numbers.
// 12-15 name the action of a transfer; 1001 is the live-update (delta) poll.
enum ObjectAction {
    ListObjects = 1,
    ObjectsMetadata = 2,
    DeleteObjects = 3,
    MakeDirectory = 4,
    RenameObject = 5,
    CopyObject = 6,
    CreateShareLink = 7,
    RevokeShareLink = 8,
    ListShareLinks = 9,
    EmailShareLink = 10,
    FetchThumbnails = 11,
    UploadObject = 12,
    DownloadObject = 13,
    UploadCachedObject = 14,
    DownloadToCache = 15,
    SendInvitation = 16,
    AcceptInvitation = 17,
    UnusedObjectAction = 18,
    RejectInvitation = 19,
    ReceivedInvitations = 20,
    SentInvitations = 21,
    SentInvitationNotifications = 22,
    ListContacts = 23,
    SearchContacts = 24,
    InviteContact = 25,
    ListConversations = 26,
    ConversationUsers = 27,
    ConversationMessages = 28,
    PostMessage = 29,
    StartConversation = 30,
    ConversationNotifications = 31,
    DownloadAvatar = 32,
    UploadAvatar = 33,
    AcceptContactInvitation = 34,
    ContactInvitations = 35,
    DeclineContactInvitation = 36,
    ListDevices = 37,
    DeltaPoll = 1001
};
Q_ENUM_NS(ObjectAction)

// Error codes carried by object errors, transfers and notifications.
enum Error {
    NoError = 0,
    TransferFailed = 42,
    TransferStepFailed = 43,
    CannotContinue = 61,
    LocalFileExists = 101,
    DirectoryExists = 102,
    LocalIOError = 104,
    LocalDiskFull = 105, // no room left where a local file is written
    QuotaExceeded = 507,
    RemoteFileExists = 801,
    RemoteNotFound = 805,
    ObjectCacheError = 813
};
Q_ENUM_NS(Error)

// A transfer request's direction(). Consumers test for Upload and take every other value as a
// download.
enum TransferDirection { Upload = 0, Download = 1 };
Q_ENUM_NS(TransferDirection)

// Bits of a transfer request's mode(). Bit 0 means one thing to an upload, another to a
// download.
enum TransferModeFlag {
    SynchronisingUpload = 0x1,   // upload to the synchronising endpoint, with the base hash
    MakeParentDirectories = 0x1, // download: make the destination's parent folders first
    ForceUpload = 0x2            // upload over an existing remote object
};
Q_DECLARE_FLAGS(TransferMode, TransferModeFlag)
Q_FLAG_NS(TransferMode)

// What a download does about an existing local destination (a transfer request's
// overwriteStrategy()). Any other value appends the body to whatever is there.
enum OverwriteStrategy {
    RefuseExisting = 0,   // the file-exists notification; the transfer fails
    TruncateExisting = 1, // the destination is emptied before the request is sent
    PickFreeName = 2,     // the download goes to a free name with a numeric suffix
    ResumeExisting = 3    // a partial destination is resumed with a byte range
};
Q_ENUM_NS(OverwriteStrategy)

} // namespace Tolvo

Q_DECLARE_OPERATORS_FOR_FLAGS(Tolvo::TransferMode)

// Actions are stored as plain integers.
inline QDataStream &operator<<(QDataStream &stream, Tolvo::ObjectAction action)
{
    return stream << static_cast<qint32>(action);
}

inline QDataStream &operator>>(QDataStream &stream, Tolvo::ObjectAction &action)
{
    qint32 value = 0;
    stream >> value;
    action = static_cast<Tolvo::ObjectAction>(value);
    return stream;
}

Q_DECLARE_METATYPE(Tolvo::ObjectAction)
Q_DECLARE_METATYPE(Tolvo::Error)

#endif // TOLVO_H
