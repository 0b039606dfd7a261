#ifndef MACTIONREQUEST_H
#define MACTIONREQUEST_H

#include "mnetworkrequest.h"
#include "tolvo.h"

#include <QString>
#include <QVariant>

// Turns a numbered action and its parameter (a map, a path or a list of paths) into a
// request signed by the application's sign-in manager, with its request-info map. ok is
// false when nobody is signed in; the request must then not be sent.
MNetworkRequest mActionRequest(const QVariant &params, int action, const QVariant &userData,
                               bool *ok, bool internal = false);

// The path component of the object actions 1 to 6 ("list" ... "copy"); empty otherwise.
QString mObjectAction(Tolvo::ObjectAction action);

// Keys of the request-info map that travels with every action request.
extern const QString ReqActionKey; // "ReqAction"
extern const QString ReqPathKey;   // "ReqPath"
extern const QString ReqPathsKey;  // "ReqPaths"
extern const QString ReqMapKey;    // "ReqMap"
extern const QString ReqArgKey;    // "ReqArg"
extern const QString MObjectRequestUserDataKey;
extern const QString MObjectRequestIsInternalKey;

#endif // MACTIONREQUEST_H
