#pragma once

// The network between an office's desktops and a server in another room or building, on one
// machine: a TCP proxy on 127.0.0.1 that passes the bytes between each client and a server's
// Unix socket, each way after half the round trip it is given.
//
//     DelayProxy proxy("/tmp/qd-pg.x/.s.PGSQL.5432", 50);   // 50 ms round trip
//     connect to 127.0.0.1:proxy.port()

#include <QString>

#include <memory>

namespace qd::bench {

class DelayProxy {
public:
    DelayProxy(const QString& unixSocket, int roundTripMs);
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    int port() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace qd::bench
