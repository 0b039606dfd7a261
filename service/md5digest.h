#ifndef MD5DIGEST_H
#define MD5DIGEST_H

#include <QString>

#include <cstddef>
#include <memory>

// An MD5 fed in parts, on libcrypto, whose assembly is much quicker than QCryptographicHash
// on the gigabytes an upload brings (every byte is hashed twice: as its chunk, and as part of
// the file).
class Md5Digest
{
public:
    Md5Digest();
    ~Md5Digest();

    void add(const char *bytes, size_t size);
    QString hex(); // lower case; ends the digest

    static QString of(const char *bytes, size_t size);

private:
    struct Context;
    std::unique_ptr<Context> context;
};

#endif // MD5DIGEST_H
