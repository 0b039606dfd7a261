#ifndef MJSONELEMENTS_H
#define MJSONELEMENTS_H

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <functional>

// Reads a JSON object whose member key holds a long array, one element at a time: the
// elements are parsed and handed to element one by one, so that a reply of many thousands
// never becomes one document (which costs several times its bytes). rest gets the other
// members. False, with nothing more handed over, when json is not such an object, an
// element is not an object, or element answers false; the caller then parses it whole.
bool mForEachJsonArrayElement(const QByteArray &json, const QString &key, QJsonObject *rest,
                              const std::function<bool(const QJsonObject &element)> &element);

#endif // MJSONELEMENTS_H
