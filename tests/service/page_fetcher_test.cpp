#include "service/page_fetcher.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <stdexcept>
#endif

#include "service/service_requests.h"
#include "tests/support/fake_http_server.h"

namespace {

using namespace std::string_literals;

// The HTTP client's own codes for the failures the tests stage.
#ifdef _WIN32
constexpr int kRefusedCode = 12029;  // cannot connect
constexpr int kNoReplyCode = 12152;  // invalid server response
constexpr int kCutOffCode = 12030;   // connection aborted
constexpr int kTimedOutCode = 12002;
#else
constexpr int kRefusedCode = 7;
constexpr int kNoReplyCode = 52;
constexpr int kCutOffCode = 18;
constexpr int kTimedOutCode = 28;
#endif

std::string Diagnostic(int code) {
  return "Error: (" + std::to_string(code) + ") ";
}

void UnsetEnv(const char* name) {
#ifdef _WIN32
  ::_putenv_s(name, "");
#else
  ::unsetenv(name);
#endif
}

// Counts the header lines named `name` (case-insensitively) in a request head.
int CountHeader(const std::string& request, std::string name) {
  std::string lower = request;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  int count = 0;
  for (auto at = lower.find("\r\n" + name + ":"); at != std::string::npos;
       at = lower.find("\r\n" + name + ":", at + 1)) {
    ++count;
  }
  return count;
}

class PageFetcherTest : public testing::Test {
 protected:
  PageFetcherTest() {
    // Loopback requests must not be sent to a proxy the environment may name.
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
      UnsetEnv(name);
    }
  }

  Page Fetch(const std::string& url, const FetchLimits& limits = {}) {
    testing::internal::CaptureStderr();
    Page page = FetchPage(url, m_piece, limits);
    m_stderr = testing::internal::GetCapturedStderr();
    return page;
  }

  FakeHttpServer m_server;
  char m_piece[kPieceBufferSize] = {};
  std::string m_stderr;
};

TEST_F(PageFetcherTest, SendsOneHttp10GetWithTheTargetAsBuilt) {
  std::string url = MakeNewAddressUrl("a@b.c", "p&q", "hi there", "Fwd", "");
  url.replace(0, std::strlen("http://") + std::strlen(ServiceHost), m_server.Url(""));
  m_server.AnswerWith(200, "<html>\r\n<b>x7k2</b>\r\n</html>\r\n");

  const Page page = Fetch(url);

  ASSERT_EQ(m_server.Requests().size(), 1u);
  const std::string request = m_server.Requests()[0];
  EXPECT_EQ(request.substr(0, request.find("\r\n")),
            "GET /vexmora/generateaccountclient.jsp?username=a%40b.c&password=p%26q"
            "&MESSAGE=hi%20there&sub=Fwd&customsub= HTTP/1.0");
  EXPECT_EQ(CountHeader(request, "User-Agent"), 1) << request;
  EXPECT_EQ(CountHeader(request, "Accept"), 1) << request;
  EXPECT_NE(request.find("\r\nAccept: text/*\r\n"), std::string::npos) << request;
  EXPECT_FALSE(page.failed);
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.text, "\nx7k2\n\n");
  EXPECT_EQ(page.reason, "");
  EXPECT_EQ(AddressFromReply(page.text), "x7k2@"s + MailDomain);
  EXPECT_EQ(m_stderr, "");
}

TEST_F(PageFetcherTest, NormalisesThePathButNotTheQuery) {
  struct TargetCase {
    std::string pathAndQuery;
    std::string requestLine;
  };
  const TargetCase cases[] = {
      // A query as the URL builders make it: nothing in it is decoded or resolved.
      {"/a/./b/../c d/x?q=a.b..%40..%zz%20&r=..",
       "GET /a/c%20d/x?q=a.b..%40..%zz%20&r=.. HTTP/1.0"},
#ifndef _WIN32
      // Characters that may not stand raw go on as built, trailing spaces too. The Windows
      // library escapes spaces, drops trailing ones and resolves dot segments in the whole
      // target; the URL builders encode all of those.
      {"/a/./b/../c d/x?q=a b/../%zz#f ", "GET /a/c%20d/x?q=a b/../%zz#f  HTTP/1.0"},
#endif
  };
  for (const auto& c : cases) {
    m_server.AnswerWith(200, "ok");
    Fetch(m_server.Url(c.pathAndQuery));
  }
  const auto requests = m_server.Requests();
  ASSERT_EQ(requests.size(), std::size(cases));
  for (std::size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].substr(0, requests[i].find("\r\n")), cases[i].requestLine);
  }
}

#ifdef _WIN32
// Points the user's internet settings at a proxy while it lives; the settings go as they came.
class ScopedSystemProxy {
 public:
  explicit ScopedSystemProxy(const std::string& server) {
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                          &m_key, nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error("cannot open the internet settings");
    }
    m_hadEnable = Save("ProxyEnable", m_enable);
    m_hadServer = Save("ProxyServer", m_server);
    const DWORD on = 1;
    ::RegSetValueExA(m_key, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                     sizeof on);
    ::RegSetValueExA(m_key, "ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                     static_cast<DWORD>(server.size() + 1));
  }
  ~ScopedSystemProxy() {
    Restore("ProxyEnable", m_hadEnable, m_enable);
    Restore("ProxyServer", m_hadServer, m_server);
    ::RegCloseKey(m_key);
  }
  ScopedSystemProxy(const ScopedSystemProxy&) = delete;
  ScopedSystemProxy& operator=(const ScopedSystemProxy&) = delete;

 private:
  struct Value {
    DWORD type = 0;
    std::vector<BYTE> bytes = std::vector<BYTE>(1024);
  };
  static constexpr const char* kKey =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

  bool Save(const char* name, Value& value) {
    DWORD size = static_cast<DWORD>(value.bytes.size());
    if (::RegQueryValueExA(m_key, name, nullptr, &value.type, value.bytes.data(), &size) !=
        ERROR_SUCCESS) {
      return false;
    }
    value.bytes.resize(size);
    return true;
  }
  void Restore(const char* name, bool had, const Value& value) {
    if (had) {
      ::RegSetValueExA(m_key, name, 0, value.type, value.bytes.data(),
                       static_cast<DWORD>(value.bytes.size()));
    } else {
      ::RegDeleteValueA(m_key, name);
    }
  }

  HKEY m_key = nullptr;
  bool m_hadEnable = false;
  bool m_hadServer = false;
  Value m_enable;
  Value m_server;
};

TEST_F(PageFetcherTest, GoesThroughTheProxyTheSystemSettingsName) {
  Page page;
  {
    const ScopedSystemProxy proxy("127.0.0.1:" + std::to_string(m_server.Port()));
    m_server.AnswerWith(200, "via proxy");
    page = Fetch(MakeViewLogUrl("a@b.c", "p w"));
  }
  const std::string origin = "http://"s + ServiceHost + ":80";  // the library names the port
#else
TEST_F(PageFetcherTest, GoesThroughTheProxyTheEnvironmentNames) {
  ::setenv("http_proxy", m_server.Url("").c_str(), 1);
  m_server.AnswerWith(200, "via proxy");
  const Page page = Fetch(MakeViewLogUrl("a@b.c", "p w"));
  ::unsetenv("http_proxy");
  const std::string origin = "http://"s + ServiceHost;
#endif
  EXPECT_EQ(page.text, "via proxy");
  ASSERT_EQ(m_server.Requests().size(), 1u);
  const std::string request = m_server.Requests()[0];
  EXPECT_EQ(request.substr(0, request.find("\r\n")),
            "GET " + origin + "/vexmora/validate.jsp?username=a%40b.c&password=p%20w HTTP/1.0");
}

struct BodyCase {
  const char* what;
  std::string body;
  std::string text;
};

TEST_F(PageFetcherTest, ReadsTheBodyWithoutCarriageReturnsAndMarkup) {
  const BodyCase cases[] = {
      {"three lines", "<html>\r\n<b>x7k2</b>\r\n</html>\r\n", "\nx7k2\n\n"},
      {"tag across lines", "one<a\nhref=x>two\n", "onetwo\n"},
      {"> outside a tag", "a > b\n", "a > b\n"},
      {"empty body", "", ""},
      {"2500 bytes without LF", std::string(2500, 'z'), std::string(2500, 'z')},
      {"CR LF and lone CR", "a\r\nb\rc\r\n", "a\nbc\n"},
      {"NUL ends its piece only", "ab\0cd\nef\n"s, "abef\n"},
      // 1020 x, NUL and y fill the first piece of 1022 bytes; z starts the second.
      {"pieces of 1022 bytes", std::string(1020, 'x') + "\0yzW\n"s,
       std::string(1020, 'x') + "zW\n"},
      {"comments end at the first >", "&amp;<!-- a > b -->\n", "&amp; b -->\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    m_server.AnswerWith(200, c.body);
    const Page page = Fetch(m_server.Url("/page"));
    EXPECT_FALSE(page.failed);
    EXPECT_EQ(page.text, c.text);
  }
}

TEST_F(PageFetcherTest, LastPieceOfALongLineHoldsTheRest) {
  m_server.AnswerWith(200, std::string(2500, 'z'));
  Fetch(m_server.Url("/long"));
  EXPECT_EQ(std::strlen(m_piece), 456u);  // 2500 = 1022 + 1022 + 456
}

TEST_F(PageFetcherTest, UnclosedTagDoesNotSpillIntoTheNextFetch) {
  m_server.AnswerWith(200, "before<open tag");
  EXPECT_EQ(Fetch(m_server.Url("/1")).text, "before");
  m_server.AnswerWith(200, "lost>kept\n");
  EXPECT_EQ(Fetch(m_server.Url("/2")).text, "lost>kept\n");
}

struct FailureCase {
  const char* what;
  FakeHttpServer::Reply reply;
  int status;
  std::string diagnostic;  // the start of the line on standard error
};

TEST_F(PageFetcherTest, FailuresGiveErrorAndADiagnosticLine) {
  const std::string page = "<html><body>Not here</body></html>\r\n";
  const FailureCase cases[] = {
      {"404", {"HTTP/1.0 404 Not Found\r\n\r\n" + page}, 404, "Error: (404) "},
      {"500", {"HTTP/1.0 500 Oops\r\n\r\n" + page}, 500, "Error: (500) "},
      {"302 not followed",
       {"HTTP/1.0 302 Found\r\nLocation: /elsewhere\r\n\r\nmoved"},
       302,
       "Error: (302) "},
      {"status without a body", {"HTTP/1.0 304 Not Modified\r\n\r\n"}, 304, "Error: (304) "},
      {"closed without a reply", {""}, 0, Diagnostic(kNoReplyCode)},
      {"cut off mid-body",
       {"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nhalf a page"},
       200,
       Diagnostic(kCutOffCode)},
#ifndef _WIN32  // the Windows library takes a reply without a status line for an HTTP/0.9 body
      {"no status line", {"garbage\r\n\r\n"}, 0, "Error: ("},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    m_server.Answer(c.reply);
    const Page result = Fetch(m_server.Url("/fail"));
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.text, "Error");
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(m_stderr.substr(0, c.diagnostic.size()), c.diagnostic) << m_stderr;
    EXPECT_EQ(m_stderr.back(), '\n');
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(m_stderr.substr(m_stderr.find(") ") + 2), result.reason + "\n");
  }
  EXPECT_EQ(m_server.Requests().size(), std::size(cases));  // the 302 led nowhere else
}

TEST_F(PageFetcherTest, RefusedConnectionFails) {
  const Page page = Fetch("http://127.0.0.1:" + std::to_string(FakeHttpServer::UnusedPort()) + "/");
  EXPECT_TRUE(page.failed);
  EXPECT_EQ(page.text, "Error");
  EXPECT_EQ(m_stderr.substr(0, Diagnostic(kRefusedCode).size()), Diagnostic(kRefusedCode))
      << m_stderr;
}

TEST_F(PageFetcherTest, OversizeBodyFails) {
  FetchLimits limits;
  limits.maxBodyBytes = 1000;
  m_server.AnswerWith(200, std::string(1000, 'a'));
  EXPECT_EQ(Fetch(m_server.Url("/exact"), limits).text, std::string(1000, 'a'));
  m_server.AnswerWith(200, std::string(1001, 'a'));
  const Page page = Fetch(m_server.Url("/big"), limits);
  EXPECT_TRUE(page.failed);
  EXPECT_EQ(page.text, "Error");
  EXPECT_NE(m_stderr.find("larger than 1000 bytes"), std::string::npos) << m_stderr;
}

TEST_F(PageFetcherTest, SilentServerTimesOut) {
  FetchLimits limits;
  limits.idleTimeout = std::chrono::milliseconds(300);
  for (const std::string& sent : {""s, "HTTP/1.0 200 OK\r\n\r\npartial"s}) {
    SCOPED_TRACE(sent);
    m_server.Answer({sent, true});
    const Page page = Fetch(m_server.Url("/silent"), limits);
    EXPECT_TRUE(page.failed);
    EXPECT_EQ(page.text, "Error");
    EXPECT_EQ(m_stderr, Diagnostic(kTimedOutCode) + "No data arrived for 300 ms.\n");
  }
}

TEST_F(PageFetcherTest, UnusableUrlsFailWithoutConnecting) {
  const std::string cases[] = {
      m_server.Url("/").replace(0, 4, "https"),
      "ftp://127.0.0.1/",
      "no url at all",
      m_server.Url("/x?q=" + std::string(2080, 'a')),
      "http://" + std::string(2100, 'h') + "/",
  };
  for (const auto& url : cases) {
    SCOPED_TRACE(url.substr(0, 40));
    const Page page = Fetch(url);
    EXPECT_TRUE(page.failed);
    EXPECT_EQ(page.text, "Error");
    EXPECT_EQ(m_stderr, "Error: can only use URLs beginning with http://\n");
  }
  EXPECT_TRUE(m_server.Requests().empty());
  // The longest target that fits still goes out.
  m_server.AnswerWith(200, "fits");
  const std::string path = "/x?q=";
  EXPECT_EQ(Fetch(m_server.Url(path + std::string(2083 - path.size(), 'a'))).text, "fits");
}

}  // namespace
