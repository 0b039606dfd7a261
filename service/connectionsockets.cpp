#include "connectionsockets.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <functional>

namespace {

struct Endpoint
{
    std::string address;
    int port = -1;
};

bool endpointOf(int fd, int (*query)(int, sockaddr *, socklen_t *), Endpoint *endpoint)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof(storage);
    if (query(fd, reinterpret_cast<sockaddr *>(&storage), &length) != 0)
        return false;
    char text[INET6_ADDRSTRLEN] = {};
    if (storage.ss_family == AF_INET) {
        const auto *address = reinterpret_cast<const sockaddr_in *>(&storage);
        inet_ntop(AF_INET, &address->sin_addr, text, sizeof(text));
        endpoint->port = ntohs(address->sin_port);
    } else if (storage.ss_family == AF_INET6) {
        const auto *address = reinterpret_cast<const sockaddr_in6 *>(&storage);
        inet_ntop(AF_INET6, &address->sin6_addr, text, sizeof(text));
        endpoint->port = ntohs(address->sin6_port);
    } else {
        return false;
    }
    endpoint->address = text;
    return true;
}

// Calls visit for every socket of this process whose local port is localPort, until it
// returns false.
void forEachSocket(int localPort, const std::function<bool(int fd)> &visit)
{
    DIR *directory = opendir("/proc/self/fd");
    if (!directory)
        return;
    while (const dirent *entry = readdir(directory)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == dirfd(directory))
            continue;
        Endpoint local;
        if (!endpointOf(int(fd), getsockname, &local) || local.port != localPort)
            continue;
        if (!visit(int(fd)))
            break;
    }
    closedir(directory);
}

// The same for connected sockets, with their peer.
void forEachConnection(int localPort, const std::function<bool(int fd, const Endpoint &)> &visit)
{
    forEachSocket(localPort, [&visit](int fd) {
        Endpoint peer;
        return !endpointOf(fd, getpeername, &peer) || visit(fd, peer);
    });
}

} // namespace

bool ConnectionSockets::shutDown(const httplib::Request &request)
{
    bool found = false;
    forEachConnection(request.local_port, [&](int fd, const Endpoint &peer) {
        if (peer.port != request.remote_port || peer.address != request.remote_addr)
            return true;
        shutdown(fd, SHUT_RDWR);
        found = true;
        return false;
    });
    return found;
}

void ConnectionSockets::shutDownAll(int localPort)
{
    forEachConnection(localPort, [](int fd, const Endpoint &) {
        shutdown(fd, SHUT_RDWR);
        return true;
    });
}

void ConnectionSockets::widenBacklog(int localPort)
{
    forEachSocket(localPort, [](int fd) {
        int listening = 0;
        socklen_t length = sizeof(listening);
        if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) != 0 || !listening)
            return true;
        listen(fd, SOMAXCONN);
        return false;
    });
}
