#include "service/page_fetcher.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <string_view>

namespace {

// The agent the service has always seen from this client.
constexpr const char* kUserAgent = "TEAR - MFC Sample App";
constexpr std::size_t kMaxUrlPart = 2083;  // host and object each, as the service's clients allow
constexpr std::size_t kMaxClientText = 1023;
// Larger blocks than the client's default 16 KiB: fewer calls into the reader for a large page.
constexpr long kReceiveBlock = 256 * 1024;

// The HTTP library is loaded on the first fetch rather than linked: linking it would load it
// and the dozens of libraries behind it (TLS, Kerberos, LDAP, SSH, ...) at every start of the
// program, before any window shows.
struct CurlApi {
  decltype(&curl_global_init) globalInit = nullptr;
  decltype(&curl_easy_strerror) easyStrerror = nullptr;
  decltype(&curl_free) free = nullptr;
  decltype(&curl_url) url = nullptr;
  decltype(&curl_url_set) urlSet = nullptr;
  decltype(&curl_url_get) urlGet = nullptr;
  decltype(&curl_url_cleanup) urlCleanup = nullptr;
  decltype(&curl_easy_init) easyInit = nullptr;
  decltype(&curl_easy_cleanup) easyCleanup = nullptr;
  decltype(&curl_easy_setopt) easySetopt = nullptr;
  decltype(&curl_easy_perform) easyPerform = nullptr;
  decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
  decltype(&curl_slist_append) slistAppend = nullptr;
  decltype(&curl_slist_free_all) slistFreeAll = nullptr;
};

template <typename Function>
bool Resolve(void* library, const char* name, Function& into) {
  into = reinterpret_cast<Function>(dlsym(library, name));
  return into != nullptr;
}

CurlApi LoadCurl() {
  void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    throw HttpClientError(std::string("Could not load the HTTP client library: ") +
                          (why != nullptr ? why : "libcurl.so.4"));
  }
  CurlApi api;
  const bool complete = Resolve(library, "curl_global_init", api.globalInit) &&
                        Resolve(library, "curl_easy_strerror", api.easyStrerror) &&
                        Resolve(library, "curl_free", api.free) &&
                        Resolve(library, "curl_url", api.url) &&
                        Resolve(library, "curl_url_set", api.urlSet) &&
                        Resolve(library, "curl_url_get", api.urlGet) &&
                        Resolve(library, "curl_url_cleanup", api.urlCleanup) &&
                        Resolve(library, "curl_easy_init", api.easyInit) &&
                        Resolve(library, "curl_easy_cleanup", api.easyCleanup) &&
                        Resolve(library, "curl_easy_setopt", api.easySetopt) &&
                        Resolve(library, "curl_easy_perform", api.easyPerform) &&
                        Resolve(library, "curl_easy_getinfo", api.easyGetinfo) &&
                        Resolve(library, "curl_slist_append", api.slistAppend) &&
                        Resolve(library, "curl_slist_free_all", api.slistFreeAll);
  if (!complete) {
    dlclose(library);
    throw HttpClientError("Could not load the HTTP client library: it lacks a function.");
  }
  const CURLcode result = api.globalInit(CURL_GLOBAL_DEFAULT);
  if (result != CURLE_OK) {
    throw HttpClientError(std::string("Could not start the HTTP client: ") +
                          api.easyStrerror(result));
  }
  return api;  // the library stays loaded for the process's life
}

// The loaded library: the first call loads and starts it, and tries again on a later call if
// that failed.
const CurlApi& Curl() {
  static const CurlApi api = LoadCurl();
  return api;
}

struct CurlFree {
  void operator()(char* p) const { Curl().free(p); }
  void operator()(CURLU* u) const { Curl().urlCleanup(u); }
  void operator()(CURL* c) const { Curl().easyCleanup(c); }
  void operator()(curl_slist* l) const { Curl().slistFreeAll(l); }
};
using CurlText = std::unique_ptr<char, CurlFree>;

bool IsUnsafeInPath(unsigned char c) {
  return c <= 0x20 || c >= 0x7F ||
         std::string_view("\"<>\\^`{|}").find(static_cast<char>(c)) != std::string_view::npos;
}

using ParsedUrl = std::unique_ptr<CURLU, CurlFree>;

// Reads an http URL for the client, or gives nothing when it is no usable http URL. Only the
// part before the query is normalised (dot segments resolved, unsafe bytes percent-encoded);
// the query goes on exactly as built, to the server and to a proxy alike.
ParsedUrl ParseHttpUrl(const std::string& url) {
  const auto queryAt = url.find('?');
  const std::string beforeQuery = url.substr(0, queryAt);

  const CurlApi& curl = Curl();
  ParsedUrl parsed(curl.url());
  if (!parsed || curl.urlSet(parsed.get(), CURLUPART_URL, beforeQuery.c_str(),
                             CURLU_URLENCODE | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
    return nullptr;
  }
  const auto part = [&](CURLUPart which) -> std::string {
    char* raw = nullptr;
    if (curl.urlGet(parsed.get(), which, &raw, 0) != CURLUE_OK || raw == nullptr) return {};
    return CurlText(raw).get();
  };
  const std::string host = part(CURLUPART_HOST);
  if (part(CURLUPART_SCHEME) != "http" || host.empty() || host.size() > kMaxUrlPart) {
    return nullptr;
  }

  // The parser encodes spaces and bytes above 127 but leaves a few characters that may not
  // stand raw in a request line.
  std::string object;
  for (const unsigned char c : part(CURLUPART_PATH)) {
    if (IsUnsafeInPath(c)) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      object += '%';
      object += kHex[c >> 4];
      object += kHex[c & 0xF];
    } else {
      object += static_cast<char>(c);
    }
  }
  if (object.empty()) object = "/";
  if (curl.urlSet(parsed.get(), CURLUPART_PATH, object.c_str(), 0) != CURLUE_OK) return nullptr;
  if (queryAt != std::string::npos) {
    const std::string query = url.substr(queryAt + 1);
    if (curl.urlSet(parsed.get(), CURLUPART_QUERY, query.c_str(), 0) != CURLUE_OK) {
      return nullptr;
    }
    object += "?" + query;
  }
  if (object.size() > kMaxUrlPart) return nullptr;
  return parsed;
}

// What one transfer gathers while it runs.
struct Transfer {
  CURL* curl = nullptr;
  PieceReader* reader = nullptr;
  std::size_t maxBody = 0;
  std::size_t received = 0;
  long refusedStatus = 0;  // a non-2xx status that stopped the transfer
  bool tooLarge = false;
  std::chrono::milliseconds idleLimit{0};
  std::chrono::steady_clock::time_point lastActivity = std::chrono::steady_clock::now();
  curl_off_t lastBytes = -1;
  bool wentQuiet = false;
};

// Fails the transfer once no byte has moved for the idle limit. The client's own low-speed
// check averages over several seconds, which makes it both late and coarse.
int OnProgress(void* context, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
  auto& transfer = *static_cast<Transfer*>(context);
  const auto now = std::chrono::steady_clock::now();
  if (downloaded + uploaded != transfer.lastBytes) {
    transfer.lastBytes = downloaded + uploaded;
    transfer.lastActivity = now;
  } else if (now - transfer.lastActivity >= transfer.idleLimit) {
    transfer.wentQuiet = true;
    return 1;
  }
  return 0;
}

size_t OnBody(char* data, size_t size, size_t count, void* context) {
  auto& transfer = *static_cast<Transfer*>(context);
  const size_t n = size * count;
  if (transfer.received == 0) {
    long status = 0;
    Curl().easyGetinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &status);
    // No reason to read an error page we are not going to use.
    if (status < 200 || status > 299) {
      transfer.refusedStatus = status;
      return 0;  // anything but n stops the transfer
    }
  }
  transfer.received += n;
  if (transfer.received > transfer.maxBody) {
    transfer.tooLarge = true;
    return 0;  // anything but n stops the transfer
  }
  transfer.reader->Feed(std::string_view(data, n));
  return n;
}

Page Failed(long status, long code, std::string_view text) {
  text = text.substr(0, kMaxClientText);
  std::cerr << "Error: (" << code << ") " << text << '\n' << std::flush;
  return Page{"Error", true, static_cast<int>(status), std::string(text)};
}

}  // namespace

Page FetchPage(std::string url, char (&piece)[kPieceBufferSize]) {
  return FetchPage(std::move(url), piece, FetchLimits{});
}

Page FetchPage(std::string url, char (&piece)[kPieceBufferSize], const FetchLimits& limits) {
  const CurlApi& api = Curl();
  std::unique_ptr<CURL, CurlFree> curl(api.easyInit());
  if (!curl) throw HttpClientError("Could not create an HTTP client.");

  const ParsedUrl target = ParseHttpUrl(url);
  if (!target) {
    std::cerr << "Error: can only use URLs beginning with http://\n" << std::flush;
    return Page{"Error", true, 0, "The address is not an http:// URL."};
  }

  ResetMarkupState();
  std::string text;
  PieceReader reader(piece, text);
  Transfer transfer{curl.get(), &reader, limits.maxBodyBytes};
  transfer.idleLimit = limits.idleTimeout;
  char errorText[CURL_ERROR_SIZE] = {};

  std::unique_ptr<curl_slist, CurlFree> headers(api.slistAppend(nullptr, "Accept: text/*"));
  if (!headers) throw HttpClientError("Could not create an HTTP client.");
  CURL* c = curl.get();
  const CURLcode setup[] = {
      // A parsed URL goes out as it stands: the client does not read the query again.
      api.easySetopt(c, CURLOPT_CURLU, target.get()),
      api.easySetopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0)),
      api.easySetopt(c, CURLOPT_USERAGENT, kUserAgent),
      api.easySetopt(c, CURLOPT_HTTPHEADER, headers.get()),
      api.easySetopt(c, CURLOPT_FOLLOWLOCATION, 0L),
      api.easySetopt(c, CURLOPT_PROTOCOLS_STR, "http"),
      api.easySetopt(c, CURLOPT_NOSIGNAL, 1L),
      api.easySetopt(c, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(limits.connectTimeout.count())),
      api.easySetopt(c, CURLOPT_NOPROGRESS, 0L),
      api.easySetopt(c, CURLOPT_XFERINFOFUNCTION, &OnProgress),
      api.easySetopt(c, CURLOPT_XFERINFODATA, &transfer),
      api.easySetopt(c, CURLOPT_ERRORBUFFER, errorText),
      api.easySetopt(c, CURLOPT_WRITEFUNCTION, &OnBody),
      api.easySetopt(c, CURLOPT_WRITEDATA, &transfer),
      api.easySetopt(c, CURLOPT_BUFFERSIZE, kReceiveBlock),
  };
  for (const CURLcode result : setup) {
    if (result != CURLE_OK) {
      throw HttpClientError(std::string("Could not set up the HTTP client: ") +
                            api.easyStrerror(result));
    }
  }

  const CURLcode result = api.easyPerform(c);
  long status = 0;
  api.easyGetinfo(c, CURLINFO_RESPONSE_CODE, &status);
  const bool statusRefused = transfer.refusedStatus != 0 || status < 200 || status > 299;
  if (transfer.tooLarge) {
    return Failed(status, result,
                  "The reply is larger than " + std::to_string(limits.maxBodyBytes) + " bytes.");
  }
  if (transfer.wentQuiet) {
    return Failed(status, CURLE_OPERATION_TIMEDOUT,
                  "No data arrived for " + std::to_string(limits.idleTimeout.count()) + " ms.");
  }
  if (result != CURLE_OK && transfer.refusedStatus == 0) {
    return Failed(status, result, errorText[0] != '\0' ? errorText : api.easyStrerror(result));
  }
  if (statusRefused) {
    return Failed(status, status,
                  "The server answered with HTTP status " + std::to_string(status) + ".");
  }
  reader.Finish();
  return Page{std::move(text), false, static_cast<int>(status), {}};
}
