#ifndef STOREERROR_H
#define STOREERROR_H

#include <QString>

// Why the object store refused an operation, as the HTTP status the API answers with.
struct StoreError
{
    int status = 0; // 0: no error
    QString message;
    int code = 0; // the reply's "error_code"; 0: none

    explicit operator bool() const { return status != 0; }
};

#endif // STOREERROR_H
