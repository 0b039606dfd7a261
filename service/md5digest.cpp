#include "md5digest.h"

#include <openssl/evp.h>

struct Md5Digest::Context
{
    EVP_MD_CTX *md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
};

Md5Digest::Md5Digest()
    : context(new Context)
{
    EVP_DigestInit_ex(context->md, EVP_md5(), nullptr);
}

Md5Digest::~Md5Digest() = default;

void Md5Digest::add(const char *bytes, size_t size)
{
    EVP_DigestUpdate(context->md, bytes, size);
}

QString Md5Digest::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context->md, digest, &length);
    return QString::fromLatin1(
        QByteArray::fromRawData(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

QString Md5Digest::of(const char *bytes, size_t size)
{
    Md5Digest digest;
    digest.add(bytes, size);
    return digest.hex();
}
