#include "tests/support/fake_http_server.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <stdexcept>

namespace {

#ifdef _WIN32
// Winsock under the POSIX names this server uses. A socket is a kernel handle, and Windows
// keeps those within 32 bits on 64-bit systems too, so it fits into the int that holds it.
using socklen_t = int;
constexpr int SOCK_CLOEXEC = 0;
constexpr int MSG_NOSIGNAL = 0;
constexpr int SHUT_RDWR = SD_BOTH;
int poll(pollfd* fds, unsigned long count, int timeout) {
  return ::WSAPoll(fds, count, timeout);
}
int close(int fd) {
  return ::closesocket(static_cast<SOCKET>(fd));
}
int accept4(int fd, sockaddr* address, socklen_t* size, int) {
  return static_cast<int>(::accept(static_cast<SOCKET>(fd), address, size));
}
int write(int fd, const char* data, int size) {
  return ::send(static_cast<SOCKET>(fd), data, size, 0);
}
// A connected pair of loopback sockets, standing in for a pipe.
int pipe(int fds[2]) {
  const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  if (listener == INVALID_SOCKET ||
      ::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
      ::listen(listener, 1) != 0) {
    ::closesocket(listener);
    return -1;
  }
  const SOCKET writer = ::socket(AF_INET, SOCK_STREAM, 0);
  if (writer == INVALID_SOCKET ||
      ::connect(writer, reinterpret_cast<sockaddr*>(&address), size) != 0) {
    ::closesocket(listener);
    ::closesocket(writer);
    return -1;
  }
  const SOCKET reader = ::accept(listener, nullptr, nullptr);
  ::closesocket(listener);
  if (reader == INVALID_SOCKET) {
    ::closesocket(writer);
    return -1;
  }
  fds[0] = static_cast<int>(reader);
  fds[1] = static_cast<int>(writer);
  return 0;
}
struct WinsockUser {
  WinsockUser() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  }
  ~WinsockUser() { ::WSACleanup(); }
};
#endif

pollfd Readable(int fd) {
  pollfd watched{};
  watched.fd = fd;
  watched.events = POLLIN;
  return watched;
}

int LoopbackSocket(int& port) {
#ifdef _WIN32
  static const WinsockUser winsock;
#endif
  const int fd = static_cast<int>(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    close(fd);
    throw std::runtime_error("bind failed");
  }
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

FakeHttpServer::FakeHttpServer() {
  m_listener = LoopbackSocket(m_port);
  if (::listen(m_listener, 8) != 0 || pipe(m_stop) != 0) {
    close(m_listener);
    throw std::runtime_error("listen failed");
  }
  m_thread = std::thread([this] { Serve(); });
}

FakeHttpServer::~FakeHttpServer() {
  const char byte = 's';
  (void)!write(m_stop[1], &byte, 1);
  m_thread.join();
  close(m_listener);
  close(m_stop[0]);
  close(m_stop[1]);
}

void FakeHttpServer::Answer(Reply reply) {
  const std::lock_guard lock(m_mutex);
  m_replies.push_back(std::move(reply));
}

void FakeHttpServer::AnswerWith(int status, const std::string& body) {
  Answer({"HTTP/1.0 " + std::to_string(status) + " Scripted\r\nContent-Type: text/html\r\n\r\n" +
          body});
}

std::string FakeHttpServer::Url(const std::string& pathAndQuery) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + pathAndQuery;
}

std::vector<std::string> FakeHttpServer::Requests() const {
  const std::lock_guard lock(m_mutex);
  return m_requests;
}

int FakeHttpServer::UnusedPort() {
  int port = 0;
  close(LoopbackSocket(port));  // bound but never listening: connections are refused
  return port;
}

void FakeHttpServer::Serve() {
  for (;;) {
    pollfd fds[2] = {Readable(m_stop[0]), Readable(m_listener)};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents != 0) return;
    const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0) Handle(client);
  }
}

void FakeHttpServer::Handle(int client) {
  // Read the request head; a client that says nothing for 5 s is given up.
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    pollfd fds[2] = {Readable(m_stop[0]), Readable(client)};
    if (poll(fds, 2, 5000) <= 0 || fds[0].revents != 0) break;
    const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  Reply reply;
  bool scripted = false;
  {
    const std::lock_guard lock(m_mutex);
    m_requests.push_back(request);
    if (!m_replies.empty()) {
      reply = std::move(m_replies.front());
      m_replies.pop_front();
      scripted = true;
    }
  }
  if (scripted) {
    std::size_t sent = 0;
    while (sent < reply.bytes.size()) {
      const ssize_t n =
          ::send(client, reply.bytes.data() + sent, reply.bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    if (reply.holdOpen) {
      // Silent until the client gives up or the server ends.
      pollfd fds[2] = {Readable(m_stop[0]), Readable(client)};
      while (poll(fds, 2, -1) > 0 && fds[0].revents == 0) {
        if (::recv(client, buffer, sizeof buffer, 0) <= 0) break;
      }
    }
  }
  ::shutdown(client, SHUT_RDWR);
  close(client);
}
