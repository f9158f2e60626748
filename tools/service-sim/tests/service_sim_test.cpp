#include "tools/service-sim/service_sim.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "service/page_fetcher.h"
#include "service/service_requests.h"
#include "tests/support/temp_dir.h"

using namespace std::string_literals;
using service_sim::Params;
using service_sim::Reply;
using service_sim::ServiceSim;

namespace {

// What the client makes of a reply body: markup and CRs dropped, then the address rule.
std::string ClientAddress(const std::string& body) {
  std::string text;
  for (const char c : body)
    if (c != '\r') text += c;
  ResetMarkupState();
  RemoveMarkup(text.data());
  return AddressFromReply(text.c_str());
}

class ServiceSimTest : public testing::Test {
 protected:
  ServiceSimTest() : m_state(m_dir.File("state.json")) {}

  ServiceSim::Hooks FixedHooks() {
    ServiceSim::Hooks hooks;
    hooks.candidateLocalPart = [this] {
      if (m_candidates.empty()) return RandomFallback();
      std::string next = m_candidates.front();
      m_candidates.pop_front();
      return next;
    };
    hooks.now = [] { return "2026-12-11 10:20:30 UTC"s; };
    return hooks;
  }
  std::string RandomFallback() { return "zz" + std::to_string(100000 + m_fallbacks++); }

  static Reply Register(ServiceSim& sim, const std::string& email, const std::string& password) {
    return sim.Handle("/vexmora/registerclient.jsp", {{"EMAIL", email},
                                                      {"EMAIL2", email},
                                                      {"PASSWORD", password},
                                                      {"PASSWORD2", password},
                                                      {"REGBUT", "AGREE"}});
  }
  static Reply NewAddress(ServiceSim& sim, const std::string& email, const std::string& password,
                          const std::string& message = "for the shop",
                          const std::string& word = "Fwd", const std::string& custom = "") {
    return sim.Handle("/vexmora/generateaccountclient.jsp", {{"username", email},
                                                             {"password", password},
                                                             {"MESSAGE", message},
                                                             {"sub", word},
                                                             {"customsub", custom}});
  }

  TempDir m_dir;
  std::string m_state;
  std::deque<std::string> m_candidates;
  int m_fallbacks = 0;
};

TEST(ServiceSimDecoding, DecodesComponentsAsAServerDoes) {
  const struct {
    const char* raw;
    std::string decoded;
  } cases[] = {
      {"a%40b.c", "a@b.c"},
      {"hi+there", "hi there"},
      {"%2B%26%3D%25", "+&=%"},
      {"%zz%4", "%zz%4"},
      {"50%", "50%"},
      {"%c3%a9t%C3%A9", "\xC3\xA9t\xC3\xA9"},
      {"caf%E9", "caf\xC3\xA9"},  // not UTF-8: read as Latin-1
      {"a%00b", "a\0b"s},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.raw);
    EXPECT_EQ(service_sim::DecodeComponent(c.raw), c.decoded);
  }
}

TEST(ServiceSimDecoding, SplitsTheQueryAndKeepsTheFirstOfARepeatedName) {
  const Params params = service_sim::ParseQuery(
      "MESSAGE=x%26y%3Dz&sub=Fwd&&customsub&sub=Spam&"
      "a+b=c+d");
  const Params expected = {{"MESSAGE", "x&y=z"}, {"sub", "Fwd"}, {"customsub", ""}, {"a b", "c d"}};
  EXPECT_EQ(params, expected);
}

TEST(ServiceSimDecoding, EscapesWhatUsersTyped) {
  EXPECT_EQ(service_sim::EscapeHtml("<b a=\"1\">Tom & Jerry's</b>"),
            "&lt;b a=&quot;1&quot;&gt;Tom &amp; Jerry&#39;s&lt;/b&gt;");
}

TEST_F(ServiceSimTest, RegistrationChecksBothCopiesTheTermsAndKnownAccounts) {
  ServiceSim sim(m_state, "vexmora.com", FixedHooks());
  ASSERT_EQ(Register(sim, "a@b.c", "pw").status, 200);

  const struct {
    const char* what;
    Params params;
    int status;
  } cases[] = {
      {"same account, same password",
       {{"EMAIL", "a@b.c"},
        {"EMAIL2", "a@b.c"},
        {"PASSWORD", "pw"},
        {"PASSWORD2", "pw"},
        {"REGBUT", "AGREE"}},
       200},
      {"same account, other password",
       {{"EMAIL", "a@b.c"},
        {"EMAIL2", "a@b.c"},
        {"PASSWORD", "px"},
        {"PASSWORD2", "px"},
        {"REGBUT", "AGREE"}},
       409},
      {"terms not agreed",
       {{"EMAIL", "n@b.c"}, {"EMAIL2", "n@b.c"}, {"PASSWORD", "p"}, {"PASSWORD2", "p"}},
       400},
      {"REGBUT other than AGREE",
       {{"EMAIL", "n@b.c"},
        {"EMAIL2", "n@b.c"},
        {"PASSWORD", "p"},
        {"PASSWORD2", "p"},
        {"REGBUT", "agree"}},
       400},
      {"e-mail copies differ",
       {{"EMAIL", "n@b.c"},
        {"EMAIL2", "m@b.c"},
        {"PASSWORD", "p"},
        {"PASSWORD2", "p"},
        {"REGBUT", "AGREE"}},
       400},
      {"password copies differ",
       {{"EMAIL", "n@b.c"},
        {"EMAIL2", "n@b.c"},
        {"PASSWORD", "p"},
        {"PASSWORD2", "q"},
        {"REGBUT", "AGREE"}},
       400},
      {"empty password",
       {{"EMAIL", "n@b.c"},
        {"EMAIL2", "n@b.c"},
        {"PASSWORD", ""},
        {"PASSWORD2", ""},
        {"REGBUT", "AGREE"}},
       400},
      {"no e-mail", {{"PASSWORD", "p"}, {"PASSWORD2", "p"}, {"REGBUT", "AGREE"}}, 400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = sim.Handle("/vexmora/registerclient.jsp", c.params);
    EXPECT_EQ(reply.status, c.status);
    EXPECT_NE(reply.body.find("<html>"), std::string::npos);
    EXPECT_EQ(reply.note.find("pw"), std::string::npos) << reply.note;
  }
  const auto accounts = sim.Accounts();
  ASSERT_EQ(accounts.size(), 1u);
  EXPECT_EQ(accounts[0].email, "a@b.c");
  EXPECT_EQ(accounts[0].password, "pw");
}

TEST_F(ServiceSimTest, NewAddressIsAFreshLocalPartTheClientReadsBack) {
  ServiceSim sim(m_state, "vexmora.com");
  ASSERT_EQ(Register(sim, "a@b.c", "pw").status, 200);

  const Reply first = NewAddress(sim, "a@b.c", "pw", "shop & co", "Custom", "[shop]");
  const Reply second = NewAddress(sim, "a@b.c", "pw");
  ASSERT_EQ(first.status, 200);
  ASSERT_EQ(second.status, 200);

  const auto accounts = sim.Accounts();
  ASSERT_EQ(accounts[0].addresses.size(), 2u);
  const auto& stored = accounts[0].addresses[0];
  EXPECT_TRUE(std::regex_match(stored.localPart, std::regex("[a-z0-9]{8}"))) << stored.localPart;
  EXPECT_NE(stored.localPart, accounts[0].addresses[1].localPart);
  EXPECT_EQ(stored.message, "shop & co");
  EXPECT_EQ(stored.prefixWord, "Custom");
  EXPECT_EQ(stored.customPrefix, "[shop]");

  EXPECT_EQ(ClientAddress(first.body), stored.localPart + "@" + MailDomain);
  // The address is on a line of its own, and every line ends with CR LF.
  EXPECT_NE(first.body.find("\r\n" + stored.localPart + "\r\n"), std::string::npos) << first.body;
  EXPECT_EQ(std::regex_search(first.body, std::regex("[^\r]\n")), false) << first.body;
}

TEST_F(ServiceSimTest, NewAddressRefusesWrongCredentialsAndBadParameters) {
  ServiceSim sim(m_state, "vexmora.com", FixedHooks());
  ASSERT_EQ(Register(sim, "a@b.c", "pw").status, 200);
  const struct {
    const char* what;
    Params params;
    int status;
  } cases[] = {
      {"unknown account",
       {{"username", "x@b.c"}, {"password", "pw"}, {"MESSAGE", "m"}, {"sub", "Fwd"}},
       403},
      {"wrong password",
       {{"username", "a@b.c"}, {"password", "PW"}, {"MESSAGE", "m"}, {"sub", "Fwd"}},
       403},
      {"no password", {{"username", "a@b.c"}, {"MESSAGE", "m"}, {"sub", "Fwd"}}, 403},
      {"no MESSAGE", {{"username", "a@b.c"}, {"password", "pw"}, {"sub", "Fwd"}}, 400},
      {"sub in lower case",
       {{"username", "a@b.c"}, {"password", "pw"}, {"MESSAGE", "m"}, {"sub", "fwd"}},
       400},
      {"no sub", {{"username", "a@b.c"}, {"password", "pw"}, {"MESSAGE", "m"}}, 400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = sim.Handle("/vexmora/generateaccountclient.jsp", c.params);
    EXPECT_EQ(reply.status, c.status);
    EXPECT_NE(reply.body.find("<html>"), std::string::npos);
  }
  EXPECT_TRUE(sim.Accounts()[0].addresses.empty());
  // Each of the four words is accepted, and customsub may be left out.
  for (const char* word : {"Fwd", "Spam", "Urgent", "Custom"}) {
    SCOPED_TRACE(word);
    EXPECT_EQ(
        sim.Handle("/vexmora/generateaccountclient.jsp",
                   {{"username", "a@b.c"}, {"password", "pw"}, {"MESSAGE", ""}, {"sub", word}})
            .status,
        200);
  }
}

TEST_F(ServiceSimTest, LocalPartsStayUniqueAcrossAccounts) {
  m_candidates = {"aaaa1111", "aaaa1111", "aaaa1111", "bbbb2222"};
  ServiceSim sim(m_state, "vexmora.com", FixedHooks());
  ASSERT_EQ(Register(sim, "a@b.c", "pw").status, 200);
  ASSERT_EQ(Register(sim, "d@e.f", "pw").status, 200);
  EXPECT_EQ(NewAddress(sim, "a@b.c", "pw").note, "new address aaaa1111 for a@b.c");
  EXPECT_EQ(NewAddress(sim, "d@e.f", "pw").note, "new address bbbb2222 for d@e.f");
}

TEST_F(ServiceSimTest, StateSurvivesARestartAndNoTemporaryFileIsLeft) {
  {
    ServiceSim sim(m_state, "vexmora.com", FixedHooks());
    ASSERT_EQ(Register(sim, "a@b.c", "p\"w\\\xC3\xA9").status, 200);
    ASSERT_EQ(NewAddress(sim, "a@b.c", "p\"w\\\xC3\xA9", "line\none", "Spam").status, 200);
  }
  ServiceSim again(m_state, "vexmora.com", FixedHooks());
  const auto accounts = again.Accounts();
  ASSERT_EQ(accounts.size(), 1u);
  EXPECT_EQ(accounts[0].password, "p\"w\\\xC3\xA9");
  ASSERT_EQ(accounts[0].addresses.size(), 1u);
  EXPECT_EQ(accounts[0].addresses[0].message, "line\none");
  EXPECT_EQ(accounts[0].addresses[0].prefixWord, "Spam");
  EXPECT_EQ(accounts[0].addresses[0].created, "2026-12-11 10:20:30 UTC");

  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
    files.push_back(entry.path().filename().string());
  EXPECT_EQ(files, std::vector<std::string>{"state.json"});
}

TEST_F(ServiceSimTest, ADamagedStateFileIsRefusedAndLeftAsItIs) {
  WriteBytes(m_state, "{\"accounts\": [ {\"email\": 1");
  EXPECT_THROW(ServiceSim(m_state, "vexmora.com"), std::runtime_error);
  EXPECT_EQ(ReadBytes(m_state), "{\"accounts\": [ {\"email\": 1");
}

TEST_F(ServiceSimTest, LogPageListsTheAccountsAddressesEscaped) {
  m_candidates = {"abcd1234", "efgh5678"};
  ServiceSim sim(m_state, "vexmora.com", FixedHooks());
  ASSERT_EQ(Register(sim, "a@b.c", "pw").status, 200);
  ASSERT_EQ(Register(sim, "other@b.c", "pw").status, 200);
  ASSERT_EQ(NewAddress(sim, "a@b.c", "pw", "<script>x</script> & co", "Custom", "<i>").status, 200);
  ASSERT_EQ(NewAddress(sim, "other@b.c", "pw", "not mine").status, 200);

  const Reply log =
      sim.Handle("/vexmora/validate.jsp", {{"username", "a@b.c"}, {"password", "pw"}});
  ASSERT_EQ(log.status, 200);
  EXPECT_NE(log.body.find("<td>abcd1234@vexmora.com</td><td>&lt;script&gt;x&lt;/script&gt; &amp; "
                          "co</td><td>Custom: &lt;i&gt;</td><td>2026-12-11 10:20:30 UTC</td>"),
            std::string::npos)
      << log.body;
  EXPECT_EQ(log.body.find("<script>"), std::string::npos);
  EXPECT_EQ(log.body.find("efgh5678"), std::string::npos);

  EXPECT_EQ(sim.Handle("/vexmora/validate.jsp", {{"username", "a@b.c"}, {"password", "p"}}).status,
            403);
  EXPECT_EQ(sim.Handle("/vexmora/validate.jsp", {{"username", "x@b.c"}}).status, 403);
}

TEST_F(ServiceSimTest, TakesTheRequestTargetInOriginAndAbsoluteForm) {
  ServiceSim sim(m_state, "vexmora.com", FixedHooks());
  const std::string query =
      "?EMAIL=a%40b.c&EMAIL2=a%40b.c&PASSWORD=p+w%26&PASSWORD2=p%20w%26&REGBUT=AGREE";
  EXPECT_EQ(sim.HandleTarget("/vexmora/registerclient.jsp" + query).status, 200);
  EXPECT_EQ(sim.Accounts().at(0).password, "p w&");
  EXPECT_EQ(sim.HandleTarget("http://127.0.0.1:8080/vexmora/validate.jsp?username=a%40b.c&"
                             "password=p%20w%26")
                .status,
            200);
  EXPECT_EQ(sim.HandleTarget("/vexmora/other.jsp").status, 404);
  EXPECT_EQ(sim.HandleTarget("http://127.0.0.1:8080").status, 404);
}

}  // namespace
