#ifndef MOCONSTANTS_H
#define MOCONSTANTS_H

#include <QString>

// The names of the model layer's notifications, the keys of their user info and the error
// domains. Each constant holds its own identifier as text; observers compare against these.

// MOAPIAvailabilityManager
extern const QString MOAPIAvailabilityChangedNotification;
extern const QString MOAvailabilityStatusFlagsKey;

// MOUserAuthenticationManager (the sizes notification goes on the default centre)
extern const QString MOUserAccountSizesChangedNotification;
extern const QString MOUserAuthenticationErrors;
extern const QString MOUserAuthenticationStatusCode;

// MOObjectsManager: listings, metadata and live updates
extern const QString MOObjectsListDidFetchNotification;
extern const QString MOObjectInfoDidFetchNotification;
extern const QString MOObjectsAddedUpdateNotification;
extern const QString MOObjectsDeletedUpdateNotification;
extern const QString MOObjectsModifiedUpdateNotification;
extern const QString MOObjectRenamedUpdateNotification;
extern const QString MOObjectCopiedUpdateNotification;
extern const QString MOObjectUncachedNotification;

// MOObjectsManager: share links
extern const QString MOObjectsDidGetShareLinkNotification;
extern const QString MOObjectsDidGetShareLinksListNotification;
extern const QString MOObjectsDidGetShareLinkRevokedNotification;
extern const QString MOObjectsDidSendShareLinkViaEmailNotification;

// MOObjectsManager: transfers
extern const QString MOObjectTransferWillStartNotification;
extern const QString MOObjectTransferDidStartNotification;
extern const QString MOObjectTransferDidResumeNotification;
extern const QString MOObjectTransferDidProgressNotification;
extern const QString MOObjectTransferDidPauseNotification;
extern const QString MOObjectTransferDidFinishNotification;
extern const QString MOObjectTransferDidCancelNotification;
extern const QString MOObjectTransferDidAbortNotification;

// MOObjectsManager: transfer groups
extern const QString MOObjectTransferGroupWillStartNotification;
extern const QString MOObjectTransferGroupDidStartNotification;
extern const QString MOObjectTransferGroupDidProgressNotification;
extern const QString MOObjectTransferGroupDidPauseNotification;
extern const QString MOObjectTransferGroupDidFinishNotification;

// MOObjectsManager: user-info keys
extern const QString MOStorageObjectsListKey;
extern const QString MOObjectsBasePathKey;
extern const QString MOObjectsManagerUserDataKey;
extern const QString MOStorageObjectKey;
extern const QString MOStorageObjectsMapKey;
extern const QString MOObjectsPairsKey;
extern const QString MOStorageObjectCurrent;
extern const QString MOStorageObjectOriginal;
extern const QString MOObjectShareLinkURLKey;
extern const QString MOObjectShareLinksListKey;
extern const QString MOObjectShareLinkRevokedKey;
extern const QString MOObjectShareLinkEmailsSentKey;
extern const QString MOObjectTransferKey;
extern const QString MOObjectTransferRequestTypeKey;
extern const QString kMOObjectsDomainKey;
extern const QString MOObjectTransferErrorKey;
extern const QString MOObjectTransferGroupKey;
extern const QString MOObjectErrorKey;

// MOObjectsManager: error domains
extern const QString kMObjectsFetchingDomain;
extern const QString kMObjectsCachingDomain;
extern const QString kMOObjectsTransferDomain;
extern const QString kMOObjectsActionDomain;

// MONotificationManager
extern const QString MONotification;
extern const QString MOInnerNotificationObjectKey;

// MOCollaborationManager
extern const QString MOCollaborationInvitesNotification;
extern const QString MOCollaborationInstancesKey;
extern const QString MOCollaborationAcceptErrorDomain;

// A social request (a message, a file send or answer, a contact invitation or its answer, a
// contact search) that did not go through: the code is the service's HTTP status, 0 when no
// answer came (the connection dropped, or stayed silent too long); the service's message, when
// it gave one, is the description.
extern const QString MOSocialRequestErrorDomain;

// Sign-in and token-refresh failures (code 403, key MOUserAuthenticationErrors). A sign-in's
// failure also holds the service's HTTP status under MOUserAuthenticationStatusCode: 401 for a
// refused password, 0 when no answer came, another for a service that failed or answered
// without what it should.
extern const QString MOAuthenticationErrorDomain; // "Authentication"

#endif // MOCONSTANTS_H
