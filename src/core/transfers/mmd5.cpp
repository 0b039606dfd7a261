#include "mmd5.h"

#include <openssl/evp.h>

void MMd5::Free::operator()(evp_md_ctx_st *context) const
{
    EVP_MD_CTX_free(context);
}

MMd5::MMd5()
    : context(EVP_MD_CTX_new())
{
    reset();
}

MMd5::~MMd5() = default;
MMd5::MMd5(MMd5 &&other) noexcept = default;
MMd5 &MMd5::operator=(MMd5 &&other) noexcept = default;

void MMd5::reset()
{
    // Only fails when the allocation above did, which the first use would show anyway.
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1)
        qFatal("MMd5: libcrypto cannot compute MD5");
}

void MMd5::addData(const char *data, qint64 length)
{
    if (length > 0)
        EVP_DigestUpdate(context.get(), data, size_t(length));
}

QByteArray MMd5::hexResult()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest, &length);
    reset();
    return QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex();
}

QByteArray MMd5::hexSoFar() const
{
    MMd5 copy;
    EVP_MD_CTX_copy_ex(copy.context.get(), context.get());
    return copy.hexResult();
}

QByteArray MMd5::hexHash(const char *data, qint64 length)
{
    MMd5 md5;
    md5.addData(data, length);
    return md5.hexResult();
}
