#include "service/service_requests.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/support/seams.h"

namespace {

using namespace std::string_literals;

std::string Host() {
  return "http://"s + ServiceHost;
}

TEST(ServiceRequestsTest, UrlsCarryTheirLiteralPiecesInOrder) {
  EXPECT_EQ(MakeRegisterUrl("a@b.c", "a@b.c", "pw", "pw"),
            Host() +
                "/vexmora/registerclient.jsp?EMAIL=a%40b.c&EMAIL2=a%40b.c&PASSWORD=pw"
                "&PASSWORD2=pw&REGBUT=AGREE");
  EXPECT_EQ(MakeNewAddressUrl("a@b.c", "pw", "shop", "Fwd", ""),
            Host() +
                "/vexmora/generateaccountclient.jsp?username=a%40b.c&password=pw"
                "&MESSAGE=shop&sub=Fwd&customsub=");
  EXPECT_EQ(MakeViewLogUrl("", ""), Host() + "/vexmora/validate.jsp?username=&password=");
}

TEST(ServiceRequestsTest, ValuesReachTheServerAsTyped) {
  const std::pair<std::string, std::string> cases[] = {
      {"a&b=c", "a%26b%3Dc"},     {"100%", "100%25"},    {"#tag", "%23tag"},
      {"hi there", "hi%20there"}, {"caf\xE9", "caf%E9"}, {"Az09-._~", "Az09-._~"},
      {"+/?", "%2B%2F%3F"},
  };
  for (const auto& [typed, sent] : cases) {
    EXPECT_EQ(MakeNewAddressUrl("e", "p", typed, "Custom", typed),
              Host() + "/vexmora/generateaccountclient.jsp?username=e&password=p&MESSAGE=" + sent +
                  "&sub=Custom&customsub=" + sent);
    EXPECT_EQ(MakeViewLogUrl(typed, "p"),
              Host() + "/vexmora/validate.jsp?username=" + sent + "&password=p");
  }
}

TEST(ServiceRequestsTest, AddressFromReplyTrimsLineEndsOnly) {
  const std::string at = "@"s + MailDomain;
  const std::pair<std::string, std::string> cases[] = {
      {"\n\nword\n\n\n", "word"},
      {"x7k2 \n", "x7k2 "},
      {"one\ntwo\n", "one\ntwo"},
      {"", ""},
      {"\n\n", ""},
      {"Error", "Error"},
      {"\n\r\nmixed", "\r\nmixed"},  // each step removes one kind of byte only
      {"\r\r\nabc\n\r", "abc\n"},
      {"\tpad\t", "\tpad\t"},
  };
  for (const auto& [reply, local] : cases) EXPECT_EQ(AddressFromReply(reply), local + at);
}

TEST(ServiceHostSeamTest, RedirectsTheRequestsOnlyWhileItLives) {
  {
    ScopedServiceHost host("127.0.0.1:8123");
    EXPECT_EQ(MakeViewLogUrl("a", "b"),
              "http://127.0.0.1:8123/vexmora/validate.jsp?username=a&password=b");
  }
  EXPECT_EQ(MakeViewLogUrl("a", "b"),
            std::string("http://") + ServiceHost + "/vexmora/validate.jsp?username=a&password=b");
}

}  // namespace
