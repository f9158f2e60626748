#include "tools/service-sim/service_sim.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace service_sim {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(const std::string& text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+' && plusIsSpace) {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(const std::string& text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    int extra = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c < 0x80) {
      ++p;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (end - p <= extra) return false;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char lo = k == 1 ? low : 0x80, hi = k == 1 ? high : 0xBF;
      if (p[k] < lo || p[k] > hi) return false;
    }
    p += extra + 1;
  }
  return true;
}

std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string HtmlPage(const std::string& title, const std::vector<std::string>& lines) {
  std::string page = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n<title>" +
                     EscapeHtml(title) + "</title>\r\n</head>\r\n<body>\r\n";
  for (const auto& line : lines) page += line + "\r\n";
  return page + "</body>\r\n</html>\r\n";
}

Reply ErrorPage(int status, const std::string& title, const std::string& text, std::string note) {
  return {status, HtmlPage(title, {"<h1>" + EscapeHtml(title) + "</h1>", "<p>" + text + "</p>"}),
          std::move(note)};
}

std::string Get(const Params& params, const std::string& name) {
  const auto it = params.find(name);
  return it == params.end() ? std::string() : it->second;
}

std::string RandomLocalPart() {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
  std::string local(8, ' ');
  for (char& c : local) c = kAlphabet[pick(engine)];
  return local;
}

const char* const kPrefixWords[] = {"Fwd", "Spam", "Urgent", "Custom"};

nlohmann::json ToJson(const std::vector<AccountEntry>& accounts) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& account : accounts) {
    nlohmann::json addresses = nlohmann::json::array();
    for (const auto& a : account.addresses) {
      addresses.push_back({{"local", a.localPart},
                           {"message", a.message},
                           {"sub", a.prefixWord},
                           {"customsub", a.customPrefix},
                           {"created", a.created}});
    }
    list.push_back({{"email", account.email},
                    {"password", account.password},
                    {"registered", account.registered},
                    {"addresses", std::move(addresses)}});
  }
  return {{"accounts", std::move(list)}};
}

std::vector<AccountEntry> FromJson(const nlohmann::json& state) {
  std::vector<AccountEntry> accounts;
  for (const auto& item : state.at("accounts")) {
    AccountEntry account{item.at("email").get<std::string>(),
                         item.at("password").get<std::string>(),
                         item.value("registered", std::string()),
                         {}};
    for (const auto& a : item.at("addresses")) {
      account.addresses.push_back(
          {a.at("local").get<std::string>(), a.at("message").get<std::string>(),
           a.at("sub").get<std::string>(), a.value("customsub", std::string()),
           a.value("created", std::string())});
    }
    accounts.push_back(std::move(account));
  }
  return accounts;
}

// Writes the whole state to a temporary file beside the state file and renames it over the
// old one, so a crash leaves either the old or the new state, never half of one.
void WriteState(const std::string& path, const std::vector<AccountEntry>& accounts) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  std::string temp = (folder / (target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "cannot create " + temp);
  const std::string bytes = ToJson(accounts).dump(2) + "\n";
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  const int writeError = ok ? 0 : errno;
  ok = ok && ::fsync(fd) == 0;
  const int syncError = ok ? 0 : errno;
  ::close(fd);
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = writeError ? writeError : (syncError ? syncError : errno);
    ::unlink(temp.c_str());
    throw std::system_error(error, std::generic_category(), "cannot write " + path);
  }
}

}  // namespace

std::string DecodeComponent(const std::string& text) {
  std::string decoded = PercentDecode(text, true);
  return IsUtf8(decoded) ? decoded : Latin1ToUtf8(decoded);
}

Params ParseQuery(const std::string& query) {
  Params params;
  std::size_t start = 0;
  while (start <= query.size()) {
    std::size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    const std::string pair = query.substr(start, end - start);
    if (!pair.empty()) {
      const std::size_t eq = pair.find('=');
      const std::string name = DecodeComponent(pair.substr(0, eq));
      const std::string value = eq == std::string::npos ? "" : DecodeComponent(pair.substr(eq + 1));
      params.emplace(name, value);  // keeps the first value of a repeated name
    }
    start = end + 1;
  }
  return params;
}

std::string UtcNow(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  char text[64];
  return std::string(text, std::strftime(text, sizeof text, format, &utc));
}

std::string EscapeHtml(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

ServiceSim::ServiceSim(std::string statePath, std::string mailDomain)
    : ServiceSim(std::move(statePath), std::move(mailDomain), Hooks{}) {}

ServiceSim::ServiceSim(std::string statePath, std::string mailDomain, Hooks hooks)
    : m_statePath(std::move(statePath)),
      m_mailDomain(std::move(mailDomain)),
      m_hooks(std::move(hooks)) {
  if (!m_hooks.candidateLocalPart) m_hooks.candidateLocalPart = RandomLocalPart;
  if (!m_hooks.now) m_hooks.now = [] { return UtcNow("%Y-%m-%d %H:%M:%S UTC"); };
  Load();
}

void ServiceSim::Load() {
  std::error_code error;
  if (!std::filesystem::exists(m_statePath, error) && !error) return;  // no accounts yet
  std::ifstream in(m_statePath, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + m_statePath + ": " + std::strerror(errno));
  try {
    m_accounts = FromJson(nlohmann::json::parse(in));
  } catch (const nlohmann::json::exception& e) {
    throw std::runtime_error(m_statePath + " is not a state file of this stand-in (" + e.what() +
                             "); move it away or pass another --state");
  }
}

std::vector<AccountEntry> ServiceSim::Accounts() const {
  const std::lock_guard<std::mutex> lock(m_mutex);
  return m_accounts;
}

Reply ServiceSim::HandleTarget(const std::string& target) {
  std::string rest = target;
  const auto schemeEnd = rest.find("://");
  if (rest.compare(0, 1, "/") != 0 && schemeEnd != std::string::npos) {
    const auto pathStart = rest.find_first_of("/?", schemeEnd + 3);
    rest = pathStart == std::string::npos ? "/" : rest.substr(pathStart);
    if (rest[0] == '?') rest = "/" + rest;
  }
  const auto question = rest.find('?');
  const std::string path = PercentDecode(rest.substr(0, question), false);
  const std::string query = question == std::string::npos ? "" : rest.substr(question + 1);
  return Handle(path, ParseQuery(query));
}

Reply ServiceSim::Handle(const std::string& path, const Params& params) {
  try {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (path == "/vexmora/registerclient.jsp") return Register(params);
    if (path == "/vexmora/generateaccountclient.jsp") return NewAddress(params);
    if (path == "/vexmora/validate.jsp") return LogPage(params);
    return ErrorPage(404, "Not found", "There is no page " + EscapeHtml(path) + " here.",
                     "no such page");
  } catch (const std::exception& e) {
    return ErrorPage(500, "Server error", EscapeHtml(e.what()), e.what());
  }
}

AccountEntry* ServiceSim::FindAccount(const std::string& email) {
  const auto it = std::find_if(m_accounts.begin(), m_accounts.end(),
                               [&](const AccountEntry& a) { return a.email == email; });
  return it == m_accounts.end() ? nullptr : &*it;
}

Reply ServiceSim::Register(const Params& params) {
  const std::string email = Get(params, "EMAIL"), email2 = Get(params, "EMAIL2");
  const std::string password = Get(params, "PASSWORD"), password2 = Get(params, "PASSWORD2");
  if (Get(params, "REGBUT") != "AGREE") {
    return ErrorPage(400, "Terms not accepted",
                     "An account is registered only after the terms of service are accepted.",
                     "refused: REGBUT is not AGREE");
  }
  if (email.empty() || password.empty() || email != email2 || password != password2) {
    return ErrorPage(400, "Registration incomplete",
                     "Both copies of the e-mail address and of the password must be given and "
                     "must match.",
                     "refused: copies missing or different");
  }
  if (const AccountEntry* known = FindAccount(email)) {
    if (known->password != password) {
      return ErrorPage(
          409, "Already registered",
          "The account " + EscapeHtml(email) + " is already registered with another password.",
          "refused: " + email + " is registered with another password");
    }
    return {200,
            HtmlPage("Registered",
                     {"<p>The account " + EscapeHtml(email) + " is registered already.</p>"}),
            "registered again: " + email};
  }
  auto next = m_accounts;
  next.push_back({email, password, m_hooks.now(), {}});
  WriteState(m_statePath, next);
  m_accounts = std::move(next);
  return {200,
          HtmlPage("Registered", {"<p>The account " + EscapeHtml(email) + " is registered.</p>"}),
          "registered: " + email};
}

std::string ServiceSim::FreshLocalPart() const {
  std::set<std::string> taken;
  for (const auto& account : m_accounts)
    for (const auto& a : account.addresses) taken.insert(a.localPart);
  for (;;) {
    std::string candidate = m_hooks.candidateLocalPart();
    if (!taken.count(candidate)) return candidate;
  }
}

Reply ServiceSim::NewAddress(const Params& params) {
  const std::string email = Get(params, "username");
  AccountEntry* account = FindAccount(email);
  if (account == nullptr || account->password != Get(params, "password")) {
    return ErrorPage(403, "Access denied", "Unknown account or wrong password.",
                     "refused: unknown account or wrong password for " + email);
  }
  const auto message = params.find("MESSAGE");
  if (message == params.end()) {
    return ErrorPage(400, "No message", "The request carries no MESSAGE.", "refused: no MESSAGE");
  }
  const std::string word = Get(params, "sub");
  if (std::find(std::begin(kPrefixWords), std::end(kPrefixWords), word) == std::end(kPrefixWords)) {
    return ErrorPage(400, "Unknown prefix",
                     "The subject prefix must be Fwd, Spam, Urgent or Custom.",
                     "refused: sub is not Fwd, Spam, Urgent or Custom");
  }
  const std::string local = FreshLocalPart();
  auto next = m_accounts;
  const auto index = static_cast<std::size_t>(account - m_accounts.data());
  next[index].addresses.push_back(
      {local, message->second, word, Get(params, "customsub"), m_hooks.now()});
  WriteState(m_statePath, next);
  m_accounts = std::move(next);
  // The address stands on a line of its own, so a client that drops the markup and the
  // surrounding line ends is left with exactly the local part.
  return {200, "<html>\r\n<body>\r\n<p>\r\n" + local + "\r\n</p>\r\n</body>\r\n</html>\r\n",
          "new address " + local + " for " + email};
}

Reply ServiceSim::LogPage(const Params& params) {
  const std::string email = Get(params, "username");
  const AccountEntry* account = FindAccount(email);
  if (account == nullptr || account->password != Get(params, "password")) {
    return ErrorPage(403, "Access denied", "Unknown account or wrong password.",
                     "refused: unknown account or wrong password for " + email);
  }
  std::vector<std::string> lines = {
      "<h1>Addresses of " + EscapeHtml(email) + "</h1>", "<table border=\"1\">",
      "<tr><th>Address</th><th>Message</th><th>Prefix</th><th>Created</th></tr>"};
  for (const auto& a : account->addresses) {
    const std::string prefix =
        a.prefixWord == "Custom" ? "Custom: " + a.customPrefix : a.prefixWord;
    lines.push_back("<tr><td>" + EscapeHtml(a.localPart + "@" + m_mailDomain) + "</td><td>" +
                    EscapeHtml(a.message) + "</td><td>" + EscapeHtml(prefix) + "</td><td>" +
                    EscapeHtml(a.created) + "</td></tr>");
  }
  lines.push_back("</table>");
  if (account->addresses.empty()) lines.push_back("<p>No addresses yet.</p>");
  const std::size_t count = account->addresses.size();
  return {200, HtmlPage("Vexmora log", lines),
          "log page of " + email + ", " + std::to_string(count) +
              (count == 1 ? " address" : " addresses")};
}

}  // namespace service_sim
