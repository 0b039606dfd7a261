#ifndef MCSESSIONSERVICES_H
#define MCSESSIONSERVICES_H

#include <QString>
#include <QStringList>

class AlertPresenter;
class MCOptions;
class MCThirdPartyServicesDiscoverer;

// What lives from sign-in to the end of the process: the options, where questions are asked,
// the folders of other providers, the support folder's scratch space.
class MCSessionServices
{
public:
    virtual ~MCSessionServices() = default;

    // The user-defaults dictionaries by key ("MCAppDelegate", "MCIconController", ...).
    // Readers and writers change them in place.
    virtual MCOptions *options() const = 0;
    // Where questions are asked once the session is up (null before).
    virtual AlertPresenter *alerts() const = 0;
    // Null before the session's services started.
    virtual MCThirdPartyServicesDiscoverer *servicesDiscoverer() const = 0;
    // The providers whose folders the user linked: the account's, and those linked since it
    // was read.
    virtual QStringList linkedProviders() const = 0;
    // The folder of the stand-in files shown for remote ones, made on first use.
    virtual QString fakeFilesPath() const = 0;
};

#endif // MCSESSIONSERVICES_H
