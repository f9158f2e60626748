// The page fetcher on Windows' own HTTP library (WinINet).

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "service/body_reader.h"
#include "service/page_fetcher.h"

namespace {

// The agent the service has always seen from this client, and the request's own header block.
constexpr const char* kAgent = "TEAR - MFC Sample App";
constexpr const char* kHeaders = "Accept: text/*\r\nUser-Agent: MFC_Tear_Sample\r\n";
constexpr DWORD kUrlPartSize = 2084;  // host and object each, terminator included
constexpr std::size_t kMaxClientText = 1023;
constexpr std::size_t kMaxSessionText = 511;
constexpr DWORD kReadBlockSize = 4096;

// Texts for the library's commonest failures, for a library build that carries none.
std::string_view KnownText(DWORD code) {
  switch (code) {
    case ERROR_INTERNET_TIMEOUT:
      return "The operation timed out";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
      return "The server name or address could not be resolved";
    case ERROR_INTERNET_CANNOT_CONNECT:
      return "A connection with the server could not be established";
    case ERROR_INTERNET_CONNECTION_ABORTED:
      return "The connection with the server was terminated abnormally";
    case ERROR_INTERNET_CONNECTION_RESET:
      return "The connection with the server was reset";
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
      return "The server returned an invalid or unrecognized response";
    case ERROR_INTERNET_OPERATION_CANCELLED:
      return "The operation was canceled";
    default:
      return {};
  }
}

// The library's text for one of its failure codes, without its line end; empty when it has none.
std::string ClientText(DWORD code) {
  char text[kMaxClientText + 1] = {};
  DWORD length = 0;
  if (code == ERROR_INTERNET_EXTENDED_ERROR) {
    DWORD error = 0;
    DWORD size = sizeof text;
    if (::InternetGetLastResponseInfoA(&error, text, &size)) length = size;
  } else {
    length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        ::GetModuleHandleA("wininet.dll"), code, 0, text, sizeof text, nullptr);
  }
  std::string result(text, length < sizeof text ? length : sizeof text - 1);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  if (result.empty()) result = KnownText(code);
  return result.substr(0, kMaxClientText);
}

// One library handle, closed when it goes. Declared in the order they are opened, the session,
// the connection and the request close in the opposite order.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle = nullptr) : m_handle(handle) {}
  ~InternetHandle() {
    if (m_handle != nullptr) ::InternetCloseHandle(m_handle);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;

  HINTERNET Get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }
  HINTERNET Release() {
    HINTERNET handle = m_handle;
    m_handle = nullptr;
    return handle;
  }

 private:
  HINTERNET m_handle;
};

// What the worker that talks to the server hands to the waiting side.
struct Exchange {
  std::mutex mutex;
  std::condition_variable changed;
  bool answered = false;  // the reply's head is in
  DWORD status = 0;
  std::optional<DWORD> announced;  // the body's length as the head gives it
  std::deque<std::string> blocks;  // body bytes not yet taken
  bool finished = false;           // no more blocks will come
  DWORD error = 0;                 // why the exchange ended early; 0 at the end of the body
  std::string errorText;           // the library's text for it, which only its thread can ask
  bool abandoned = false;          // the waiting side gave up: read no further
};

// A number from the reply's head, or nothing when the reply carries none.
std::optional<DWORD> NumberFromHead(HINTERNET request, DWORD which) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (!::HttpQueryInfoA(request, which | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr)) {
    return std::nullopt;
  }
  return value;
}

// Sends the request and reads the reply, on a thread of its own, so that the waiting side can
// give up on a server that goes quiet even where the library's receive time-out is not honoured
// (wine ignores it, and closing the handle does not end a blocked read there). Owns the handles
// and closes them, request first, when it ends.
void Converse(const std::shared_ptr<Exchange>& exchange, HINTERNET sessionHandle,
              HINTERNET connectionHandle, HINTERNET requestHandle) {
  const InternetHandle session(sessionHandle);
  const InternetHandle connection(connectionHandle);
  const InternetHandle request(requestHandle);
  const auto finish = [&](DWORD error) {
    std::string text = error != 0 ? ClientText(error) : std::string();
    {
      const std::lock_guard lock(exchange->mutex);
      exchange->error = error;
      exchange->errorText = std::move(text);
      exchange->finished = true;
    }
    exchange->changed.notify_all();
  };

  if (!::HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0)) return finish(::GetLastError());
  const DWORD status = NumberFromHead(request.Get(), HTTP_QUERY_STATUS_CODE).value_or(0);
  {
    const std::lock_guard lock(exchange->mutex);
    exchange->answered = true;
    exchange->status = status;
    exchange->announced = NumberFromHead(request.Get(), HTTP_QUERY_CONTENT_LENGTH);
  }
  exchange->changed.notify_all();
  if (status < 200 || status > 299) return finish(0);  // a page that will not be used

  char block[kReadBlockSize];
  for (;;) {
    {
      const std::lock_guard lock(exchange->mutex);
      if (exchange->abandoned) break;
    }
    DWORD n = 0;
    if (!::InternetReadFile(request.Get(), block, sizeof block, &n))
      return finish(::GetLastError());
    if (n == 0) break;
    {
      const std::lock_guard lock(exchange->mutex);
      exchange->blocks.emplace_back(block, n);
    }
    exchange->changed.notify_all();
  }
  finish(0);
}

struct Target {
  std::string host;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  std::string object;  // path and query
};

// Reads an http URL for the library, or gives nothing when it is no usable http URL. Only the
// part before the query is canonicalised (dot segments resolved, unsafe bytes percent-encoded);
// the query goes on exactly as built.
std::optional<Target> CrackHttpUrl(const std::string& url) {
  const auto queryAt = url.find('?');
  const std::string beforeQuery = url.substr(0, queryAt);

  std::string canonical(beforeQuery.size() * 3 + 16, '\0');
  DWORD size = static_cast<DWORD>(canonical.size());
  if (!::InternetCanonicalizeUrlA(beforeQuery.c_str(), canonical.data(), &size, ICU_BROWSER_MODE)) {
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    canonical.resize(size + 1);
    if (!::InternetCanonicalizeUrlA(beforeQuery.c_str(), canonical.data(), &size,
                                    ICU_BROWSER_MODE)) {
      return std::nullopt;
    }
  }
  canonical.resize(size);

  char host[kUrlPartSize] = {};
  char path[kUrlPartSize] = {};
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = kUrlPartSize;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = kUrlPartSize;
  if (!::InternetCrackUrlA(canonical.c_str(), static_cast<DWORD>(canonical.size()), 0, &parts) ||
      parts.nScheme != INTERNET_SCHEME_HTTP || parts.dwHostNameLength == 0) {
    return std::nullopt;
  }
  Target target{std::string(host, parts.dwHostNameLength), parts.nPort,
                std::string(path, parts.dwUrlPathLength)};
  if (target.object.empty()) target.object.push_back('/');
  if (queryAt != std::string::npos) target.object.append(url, queryAt, std::string::npos);
  if (target.object.size() >= kUrlPartSize) return std::nullopt;
  return target;
}

Page Failed(DWORD status, DWORD code, std::string_view text) {
  text = text.substr(0, kMaxClientText);
  std::cerr << "Error: (" << code << ") " << text << '\n' << std::flush;
  return Page{"Error", true, static_cast<int>(status), std::string(text)};
}

Page Failed(DWORD status, DWORD code) {
  return Failed(status, code, ClientText(code));
}

std::string TooLargeText(std::size_t limit) {
  return "The reply is larger than " + std::to_string(limit) + " bytes.";
}

}  // namespace

Page FetchPage(std::string url, char (&piece)[kPieceBufferSize]) {
  return FetchPage(std::move(url), piece, FetchLimits{});
}

Page FetchPage(std::string url, char (&piece)[kPieceBufferSize], const FetchLimits& limits) {
  // The system's proxy settings, synchronous.
  InternetHandle session(
      ::InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) {
    const std::string text = ClientText(::GetLastError()).substr(0, kMaxSessionText);
    throw HttpClientError(text.empty() ? "Could not start the HTTP client." : text);
  }

  const std::optional<Target> target = CrackHttpUrl(url);
  if (!target) {
    std::cerr << "Error: can only use URLs beginning with http://\n" << std::flush;
    return Page{"Error", true, 0, "The address is not an http:// URL."};
  }

  DWORD connectMs = static_cast<DWORD>(limits.connectTimeout.count());
  DWORD idleMs = static_cast<DWORD>(limits.idleTimeout.count());
  ::InternetSetOptionA(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs,
                       sizeof connectMs);
  ::InternetSetOptionA(session.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &idleMs, sizeof idleMs);
  ::InternetSetOptionA(session.Get(), INTERNET_OPTION_SEND_TIMEOUT, &idleMs, sizeof idleMs);

  InternetHandle connection(::InternetConnectA(session.Get(), target->host.c_str(), target->port,
                                               nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return Failed(0, ::GetLastError());

  // Every reply comes from the server itself: the service hands out a new address each time,
  // so nothing is taken from or put into the cache.
  const DWORD options = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_KEEP_CONNECTION |
                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI;
  InternetHandle request(::HttpOpenRequestA(connection.Get(), "GET", target->object.c_str(),
                                            "HTTP/1.0", nullptr, nullptr, options, 0));
  // A request that could not be opened fails as its send would.
  if (!request) return Failed(0, ::GetLastError());
  // Each header goes in only when the request has none of that name yet.
  ::HttpAddRequestHeadersA(request.Get(), kHeaders, static_cast<DWORD>(-1),
                           HTTP_ADDREQ_FLAG_ADD_IF_NEW);

  ResetMarkupState();
  std::string text;
  PieceReader reader(piece, text);
  std::size_t received = 0;

  const auto exchange = std::make_shared<Exchange>();
  std::thread worker(Converse, exchange, session.Release(), connection.Release(),
                     request.Release());
  std::unique_lock lock(exchange->mutex);
  // Waits for the worker to end where it is sure to end at once, and otherwise leaves it to end
  // by itself: it reads no further once abandoned.
  const auto leave = [&] {
    exchange->abandoned = true;
    const bool finished = exchange->finished;
    lock.unlock();
    if (finished) {
      worker.join();
    } else {
      worker.detach();
    }
  };
  bool headTaken = false;
  for (;;) {
    const bool moved = exchange->changed.wait_for(lock, limits.idleTimeout, [&] {
      return !exchange->blocks.empty() || exchange->finished || (exchange->answered && !headTaken);
    });
    if (!moved) {
      const DWORD status = exchange->status;
      leave();
      return Failed(status, ERROR_INTERNET_TIMEOUT,
                    "No data arrived for " + std::to_string(limits.idleTimeout.count()) + " ms.");
    }
    const DWORD status = exchange->status;
    if (exchange->answered && !headTaken) {
      headTaken = true;
      const std::optional<DWORD> announced = exchange->announced;
      if (status == 0) {
        leave();
        return Failed(0, ERROR_HTTP_INVALID_SERVER_RESPONSE);
      }
      if (status < 200 || status > 299) {
        leave();
        return Failed(status, status,
                      "The server answered with HTTP status " + std::to_string(status) + ".");
      }
      if (announced && *announced > limits.maxBodyBytes) {
        leave();
        return Failed(status, ERROR_INSUFFICIENT_BUFFER, TooLargeText(limits.maxBodyBytes));
      }
    }
    while (!exchange->blocks.empty()) {
      const std::string block = std::move(exchange->blocks.front());
      exchange->blocks.pop_front();
      received += block.size();
      if (received > limits.maxBodyBytes) {
        leave();
        return Failed(status, ERROR_INSUFFICIENT_BUFFER, TooLargeText(limits.maxBodyBytes));
      }
      lock.unlock();
      reader.Feed(block);
      lock.lock();
    }
    if (exchange->finished && exchange->blocks.empty()) break;
  }
  const DWORD status = exchange->status;
  const DWORD error = exchange->error;
  const std::string errorText = exchange->errorText;
  const std::optional<DWORD> announced = exchange->announced;
  leave();
  if (error != 0) return Failed(status, error, errorText);
  // The library takes a connection that ends early for the end of the body.
  if (announced && received < *announced) {
    return Failed(status, ERROR_INTERNET_CONNECTION_ABORTED,
                  "The connection closed after " + std::to_string(received) + " of " +
                      std::to_string(*announced) + " bytes.");
  }
  reader.Finish();
  return Page{std::move(text), false, static_cast<int>(status), {}};
}
