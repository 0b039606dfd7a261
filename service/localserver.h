#ifndef LOCALSERVER_H
#define LOCALSERVER_H

#include <memory>

struct ServiceOptions;

// The HTTP(S) server of kerlo-local on 127.0.0.1: routing, and with --control the request
// log and fault injection in front of it.
class LocalServer
{
public:
    explicit LocalServer(const ServiceOptions &options);
    ~LocalServer();

    // Binds, prints the "listening on" line, and serves until SIGTERM or SIGINT.
    // Returns the process exit code.
    int run();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif // LOCALSERVER_H
