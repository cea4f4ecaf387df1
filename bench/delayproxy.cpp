#include "bench/delayproxy.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace qd::bench {

namespace {

using Clock = std::chrono::steady_clock;

// One way of one connection: what is read now is written half a round trip later.
class Lane {
public:
    Lane(int from, int to, std::chrono::microseconds delay) : m_from(from), m_to(to), m_delay(delay) {
        m_reader = std::thread([this] { read(); });
        m_writer = std::thread([this] { write(); });
    }
    ~Lane() {
        m_reader.join();
        m_writer.join();
    }

private:
    struct Chunk {
        Clock::time_point due;
        QByteArray bytes;  // empty: the end
    };

    void read() {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(m_from, buffer, sizeof buffer);
            push({Clock::now() + m_delay, n > 0 ? QByteArray(buffer, int(n)) : QByteArray()});
            if (n <= 0) return;
        }
    }
    void push(Chunk chunk) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_chunks.push_back(std::move(chunk));
        m_ready.notify_one();
    }
    void write() {
        for (;;) {
            Chunk chunk;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_chunks.empty(); });
                chunk = std::move(m_chunks.front());
                m_chunks.pop_front();
            }
            std::this_thread::sleep_until(chunk.due);
            if (chunk.bytes.isEmpty()) {
                ::shutdown(m_to, SHUT_WR);
                return;
            }
            for (qsizetype sent = 0; sent < chunk.bytes.size();) {
                const ssize_t n = ::send(m_to, chunk.bytes.constData() + sent,
                                         std::size_t(chunk.bytes.size() - sent), MSG_NOSIGNAL);
                if (n <= 0) {
                    ::shutdown(m_from, SHUT_RD);
                    return;
                }
                sent += n;
            }
        }
    }

    int m_from, m_to;
    std::chrono::microseconds m_delay;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Chunk> m_chunks;
    std::thread m_reader, m_writer;
};

struct Link {
    int client, server;
    std::unique_ptr<Lane> up, down;
    ~Link() {
        ::shutdown(client, SHUT_RDWR);
        ::shutdown(server, SHUT_RDWR);
        up.reset();
        down.reset();
        ::close(client);
        ::close(server);
    }
};

}  // namespace

struct DelayProxy::State {
    QByteArray socketPath;
    std::chrono::microseconds oneWay;
    int listener = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::thread acceptor;
    std::mutex mutex;
    std::vector<std::unique_ptr<Link>> links;

    void accept() {
        for (;;) {
            const int client = ::accept(listener, nullptr, nullptr);
            if (client < 0 || stopping) {
                if (client >= 0) ::close(client);
                return;
            }
            const int one = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
            if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                ::close(server);
                ::close(client);
                continue;
            }
            auto link = std::make_unique<Link>();
            link->client = client;
            link->server = server;
            link->up = std::make_unique<Lane>(client, server, oneWay);
            link->down = std::make_unique<Lane>(server, client, oneWay);
            std::lock_guard<std::mutex> lock(mutex);
            links.push_back(std::move(link));
        }
    }
};

DelayProxy::DelayProxy(const QString& unixSocket, int roundTripMs) : m_state(std::make_unique<State>()) {
    m_state->socketPath = unixSocket.toLocal8Bit();
    m_state->oneWay = std::chrono::microseconds(roundTripMs * 500);
    m_state->listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_state->listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_state->listener, 64);
    socklen_t length = sizeof address;
    ::getsockname(m_state->listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_state->port = ntohs(address.sin_port);
    m_state->acceptor = std::thread([state = m_state.get()] { state->accept(); });
}

DelayProxy::~DelayProxy() {
    m_state->stopping = true;
    ::shutdown(m_state->listener, SHUT_RDWR);
    ::close(m_state->listener);
    m_state->acceptor.join();
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->links.clear();
}

int DelayProxy::port() const { return m_state->port; }

}  // namespace qd::bench
