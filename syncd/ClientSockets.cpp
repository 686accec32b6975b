#include "syncd/ClientSockets.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

struct Connection
{
    int localPort = 0;
    int remotePort = 0;
    bool busy = false;
    Clock::time_point done;
};

struct Known
{
    std::mutex mutex;
    std::map<int, Connection> sockets;
};

Known& known()
{
    static Known instance;
    return instance;
}

int portOf(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

} // namespace

bool ClientSockets::isConnection(int socket, int localPort, int remotePort)
{
    sockaddr_storage local {};
    sockaddr_storage peer {};
    socklen_t localLength = sizeof(local);
    socklen_t peerLength = sizeof(peer);
    return ::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &localLength) == 0
        && ::getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0 && portOf(local) == localPort
        && portOf(peer) == remotePort;
}

int ClientSockets::find(int localPort, int remotePort)
{
    // A request thread serves one connection at a time, so the socket found
    // last is nearly always the one again.
    thread_local int last = -1;
    if (last >= 0 && isConnection(last, localPort, remotePort))
        return last;
    last = -1;
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder)
        return -1;
    while (dirent* entry = ::readdir(folder)) {
        const int socket = std::atoi(entry->d_name);
        if (socket > 2 && isConnection(socket, localPort, remotePort)) {
            last = socket;
            break;
        }
    }
    ::closedir(folder);
    if (last >= 0) {
        int on = 1;
        // The answer goes out in pieces too; none of them should wait.
        ::setsockopt(last, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
        std::lock_guard<std::mutex> lock(known().mutex);
        Connection& connection = known().sockets[last];
        connection.localPort = localPort;
        connection.remotePort = remotePort;
    }
    return last;
}

void ClientSockets::acknowledgeNow(int localPort, int remotePort)
{
    const int socket = find(localPort, remotePort);
    if (socket >= 0) {
        std::lock_guard<std::mutex> lock(known().mutex);
        known().sockets[socket].busy = true;
    }
#ifdef TCP_QUICKACK
    if (socket >= 0) {
        int on = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof(on));
    }
#else
    (void)socket;
#endif
}

void ClientSockets::requestDone(int localPort, int remotePort)
{
    const int socket = find(localPort, remotePort);
    if (socket < 0)
        return;
    std::lock_guard<std::mutex> lock(known().mutex);
    Connection& connection = known().sockets[socket];
    connection.busy = false;
    connection.done = Clock::now();
}

bool ClientSockets::endIdle(int idleMs)
{
    std::lock_guard<std::mutex> lock(known().mutex);
    const Clock::time_point now = Clock::now();
    for (auto it = known().sockets.begin(); it != known().sockets.end();) {
        const Connection& connection = it->second;
        if (connection.busy || now - connection.done < std::chrono::milliseconds(idleMs)) {
            ++it;
            continue;
        }
        // Only a socket that is still that connection: the number may have
        // been given to another file since.
        if (isConnection(it->first, connection.localPort, connection.remotePort))
            ::shutdown(it->first, SHUT_RD);
        it = known().sockets.erase(it);
    }
    return known().sockets.empty();
}
