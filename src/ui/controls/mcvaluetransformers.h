#ifndef MCVALUETRANSFORMERS_H
#define MCVALUETRANSFORMERS_H

#include <QPixmap>
#include <QString>
#include <QVariant>

// The value-to-image and value-to-text rules the chat, contacts and browser rows bind their
// cells to. Each answers the image name (empty for none) so that a model can hand the name out
// and a delegate can load it with MCImages; image() does both.
namespace MCValueTransformers {

// A file row's collaboration response status: 1 or 2 waiting, 3 accepted, 4 rejected,
// 5 revoked; anything else, or no number, gives no image.
QString iconCollaboration(const QVariant &responseStatus);
// Contact presence: 0 or no value is "gray.png", anything else "green.png".
QString statusImageName(const QVariant &onlineStatus);
// A badge count's text; a null string for anything that is not a number.
QString notifications(const QVariant &count);
// A node's state bits: the first of downloading (1), uploading (2), syncing (8), cached (4)
// that is set picks the badge; no value or none of them gives no image.
QString states(const QVariant &stateBits);

QPixmap image(const QString &name);

} // namespace MCValueTransformers

#endif // MCVALUETRANSFORMERS_H
