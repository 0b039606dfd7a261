#ifndef MFORMENCODING_H
#define MFORMENCODING_H

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// "name=value&..." with every name and value fully percent-encoded, so that "+", "&" and "="
// reach the service as typed (a form decoder reads a bare "+" as a space).
QByteArray mFormEncode(const QList<QPair<QString, QString>> &fields);

#endif // MFORMENCODING_H
