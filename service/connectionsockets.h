#ifndef CONNECTIONSOCKETS_H
#define CONNECTIONSOCKETS_H

#include <httplib.h>

// The HTTP layer hands handlers no socket, yet dropping a connection and stopping without
// waiting for idle keep-alive connections need one. The process's own descriptors are
// searched for the TCP connection with the request's addresses instead.
namespace ConnectionSockets {

// Shuts down the connection that carried request: the peer sees it closed, and whatever the
// HTTP layer still writes fails. False if it was not found.
bool shutDown(const httplib::Request &request);
// Shuts down every accepted connection on localPort.
void shutDownAll(int localPort);
// The HTTP layer listens with a backlog of 5: a burst of connections overflows it, and each
// connection dropped then waits a second or more for its retry. Listening again on the
// bound socket takes the system's largest backlog instead.
void widenBacklog(int localPort);

} // namespace ConnectionSockets

#endif // CONNECTIONSOCKETS_H
