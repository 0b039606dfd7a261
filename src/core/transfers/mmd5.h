#ifndef MMD5_H
#define MMD5_H

#include <QByteArray>

#include <memory>

struct evp_md_ctx_st;

// MD5 through libcrypto's EVP interface, which runs faster here than QCryptographicHash's
// own implementation; transfers hash every byte they move.
class MMd5
{
public:
    MMd5();
    ~MMd5();
    MMd5(MMd5 &&other) noexcept;
    MMd5 &operator=(MMd5 &&other) noexcept;

    void addData(const char *data, qint64 length);
    void addData(const QByteArray &data) { addData(data.constData(), data.size()); }
    // Lower-case hex of everything added since the last reset; the hash starts over after it.
    QByteArray hexResult();
    // Lower-case hex of what was added so far; adding may go on after it.
    QByteArray hexSoFar() const;
    void reset();

    static QByteArray hexHash(const char *data, qint64 length);

private:
    Q_DISABLE_COPY(MMd5)
    struct Free
    {
        void operator()(evp_md_ctx_st *context) const;
    };
    std::unique_ptr<evp_md_ctx_st, Free> context;
};

#endif // MMD5_H
