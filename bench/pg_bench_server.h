// For the benchmarks on a PostgreSQL server: a schema of their own on the server that
// ORB_BENCH_POSTGRES names (dropped at the end), and a TCP proxy that delays every
// message by a given time each way, to show how the figures grow with the round trip
// time of a network (ORB_BENCH_DELAY_MS, the added round trip in milliseconds).
#pragma once

#include <arpa/inet.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <thread>
#include <vector>

namespace orb::bench {

inline bool RunSql(const std::string& conninfo, const std::string& sql) {
  PGconn* conn = PQconnectdb(conninfo.c_str());
  bool ok = PQstatus(conn) == CONNECTION_OK;
  if (ok) {
    PGresult* r = PQexec(conn, sql.c_str());
    ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
  }
  PQfinish(conn);
  return ok;
}

// Forwards TCP connections on 127.0.0.1 to the server's Unix socket, holding each chunk
// for half the added round trip in each direction.
class DelayProxy {
 public:
  DelayProxy(std::string socket_path, int round_trip_ms)
      : socket_path_(std::move(socket_path)), half_(std::chrono::microseconds(round_trip_ms * 500)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listener_, 64);
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }
  ~DelayProxy() {
    stop_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
    for (std::thread& t : pumps_) t.join();
  }
  int Port() const { return port_; }

 private:
  void Accept() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      const int one = 1;
      ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un addr{};
      addr.sun_family = AF_UNIX;
      std::strncpy(addr.sun_path, socket_path_.c_str(), sizeof addr.sun_path - 1);
      if (::connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(client);
        ::close(server);
        continue;
      }
      pumps_.emplace_back([this, client, server] { Pump(client, server); });
    }
  }
  // Both directions of one connection: what arrives is sent on once its time has come.
  void Pump(int a, int b) {
    using Clock = std::chrono::steady_clock;
    struct Chunk { Clock::time_point due; std::string bytes; };
    std::deque<Chunk> to_b, to_a;
    char buf[65536];
    bool open = true;
    while (open && !stop_) {
      const auto now = Clock::now();
      for (auto* q : {&to_b, &to_a}) {
        const int fd = q == &to_b ? b : a;
        while (!q->empty() && q->front().due <= now) {
          const std::string& s = q->front().bytes;
          size_t sent = 0;
          while (sent < s.size()) {
            const ssize_t n = ::send(fd, s.data() + sent, s.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) { open = false; break; }
            sent += static_cast<size_t>(n);
          }
          q->pop_front();
        }
      }
      int wait_ms = 50;
      for (auto* q : {&to_b, &to_a}) {
        if (!q->empty()) {
          const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
              q->front().due - Clock::now()).count();
          wait_ms = std::max<int>(0, std::min<int>(wait_ms, static_cast<int>(left)));
        }
      }
      pollfd p[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
      if (::poll(p, 2, wait_ms) < 0) break;
      for (int i = 0; i < 2; ++i) {
        if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t n = ::recv(p[i].fd, buf, sizeof buf, 0);
        if (n <= 0) { open = false; break; }
        (i == 0 ? to_b : to_a).push_back({Clock::now() + half_, std::string(buf, static_cast<size_t>(n))});
      }
    }
    ::close(a);
    ::close(b);
  }

  std::string socket_path_;
  std::chrono::microseconds half_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread acceptor_;
  std::vector<std::thread> pumps_;
};

// The server the benchmark uses, from ORB_BENCH_POSTGRES ("host=/socket/dir user=...
// dbname=..."), in a fresh schema, through the delaying proxy when ORB_BENCH_DELAY_MS is
// set. Empty when no server is named: the benchmark runs on SQLite files.
class BenchServer {
 public:
  BenchServer() {
    const char* base = std::getenv("ORB_BENCH_POSTGRES");
    if (base == nullptr || *base == '\0') return;
    base_ = base;
    schema_ = "bench_" + std::to_string(::getpid());
    if (!RunSql(base_, "CREATE SCHEMA " + schema_)) {
      schema_.clear();
      return;
    }
    std::string target = base_;
    if (const char* delay = std::getenv("ORB_BENCH_DELAY_MS"); delay && std::atoi(delay) > 0) {
      const size_t at = base_.find("host=");
      const std::string host = base_.substr(at + 5, base_.find(' ', at) - at - 5);
      proxy_ = std::make_unique<DelayProxy>(host + "/.s.PGSQL.5432", std::atoi(delay));
      target = base_.substr(0, at) + "host=127.0.0.1 port=" + std::to_string(proxy_->Port()) +
               base_.substr(base_.find(' ', at) == std::string::npos ? base_.size()
                                                                     : base_.find(' ', at));
      delay_ms_ = std::atoi(delay);
    }
    conninfo_ = target + " options='-csearch_path=" + schema_ + "'";
  }
  ~BenchServer() {
    if (!schema_.empty()) RunSql(base_, "DROP SCHEMA " + schema_ + " CASCADE");
  }
  const std::string& Conninfo() const { return conninfo_; }
  int DelayMs() const { return delay_ms_; }

 private:
  std::string base_, schema_, conninfo_;
  std::unique_ptr<DelayProxy> proxy_;
  int delay_ms_ = 0;
};

}  // namespace orb::bench
