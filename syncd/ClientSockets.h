#pragma once

// The sockets of the connections that requests arrived on, found by their
// two ports (httplib hands its handlers the ports, not the socket).
//
// acknowledgeNow(): Qt (and other clients) write a request's head and body
// in two pieces without TCP_NODELAY. On a kept-alive connection Nagle's rule
// then holds the body back until the head is acknowledged, and Linux delays
// that acknowledgement by some 40 ms: every request would wait that long.
// Asking for a quick acknowledgement once the head has been read sends it
// at once.
//
// endIdle(): at shutdown, idle kept-alive connections would hold the server
// for their whole keep-alive time; ending their reading side lets them close
// at once. Only connections whose last answer went out a while ago are
// ended: ending one whose answer is still on its way could lose the answer
// to a change the server has stored.
class ClientSockets
{
public:
    // A request arrived on the connection (its head is read) ...
    static void acknowledgeNow(int localPort, int remotePort);
    // ... and was handled; its answer goes out next.
    static void requestDone(int localPort, int remotePort);
    // Ends the connections idle for at least idleMs; false while some are busy.
    static bool endIdle(int idleMs);

private:
    static int find(int localPort, int remotePort);
    static bool isConnection(int socket, int localPort, int remotePort);
};
