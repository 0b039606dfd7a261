#ifndef DEVICEIDENTITY_H
#define DEVICEIDENTITY_H

#include <QString>

#include <string>

// Which client sent a request, from its User-Agent:
// "os: <os>; name: <host>; uuid: <32 hex>;[ app-identifier: <app>;]".
struct DeviceIdentity
{
    QString uuid; // empty when the User-Agent carries none
    QString name;

    static DeviceIdentity fromUserAgent(const std::string &userAgent);
};

#endif // DEVICEIDENTITY_H
