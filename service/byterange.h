#ifndef BYTERANGE_H
#define BYTERANGE_H

#include <QtGlobal>

#include <string>

// What a Range header asks of a body of a known size (RFC 7233). Only a single range of
// bytes is served; anything else is ignored, which the RFC allows, and gets the whole body.
struct ByteRange
{
    enum class Kind {
        Whole,
        Part, // first..last, both within the body
        Unsatisfiable,
    };

    Kind kind = Kind::Whole;
    qint64 first = 0;
    qint64 last = -1;

    static ByteRange parse(const std::string &header, qint64 size);
};

#endif // BYTERANGE_H
