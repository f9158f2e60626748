#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A one-connection-at-a-time HTTP server on loopback for tests: it records the exact bytes of
// each request and answers with scripted raw bytes, so replies can be malformed on purpose
// (lone CRs, a body cut off, no reply at all, silence).
class FakeHttpServer {
 public:
  struct Reply {
    std::string bytes;      // sent as they are, then the connection closes
    bool holdOpen = false;  // after the bytes, keep the connection open until the server ends
  };

  FakeHttpServer();
  ~FakeHttpServer();
  FakeHttpServer(const FakeHttpServer&) = delete;
  FakeHttpServer& operator=(const FakeHttpServer&) = delete;

  // Queues the answer for the next connection; a connection with nothing queued is closed
  // without a reply.
  void Answer(Reply reply);
  // "HTTP/1.0 <status>" with a text/html header block and `body`.
  void AnswerWith(int status, const std::string& body);

  int Port() const { return m_port; }
  // "http://127.0.0.1:<port>" followed by `pathAndQuery`.
  std::string Url(const std::string& pathAndQuery) const;
  std::vector<std::string> Requests() const;

  // A loopback port on which nothing listens, for refused connections.
  static int UnusedPort();

 private:
  void Serve();
  void Handle(int client);

  int m_listener = -1;
  int m_stop[2] = {-1, -1};
  int m_port = 0;
  mutable std::mutex m_mutex;
  std::deque<Reply> m_replies;
  std::vector<std::string> m_requests;
  std::thread m_thread;
};
