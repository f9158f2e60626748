#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// The local stand-in for the Vexmora web service, without any sockets: it takes a request's
// target and answers with a status and an HTML page, keeping its accounts and addresses in one
// JSON file. The HTTP server in main.cpp only hands requests to it.
namespace service_sim {

// Query parameters after decoding, by name. When a name comes more than once the first value
// counts, as a servlet's getParameter gives it.
using Params = std::map<std::string, std::string>;

struct Reply {
  int status = 200;
  std::string body;  // HTML, CR LF line ends
  std::string note;  // what happened, for the request log; never holds a password
};

struct AddressEntry {
  std::string localPart;
  std::string message;
  std::string prefixWord;    // Fwd, Spam, Urgent or Custom
  std::string customPrefix;  // as sent, whichever word was chosen
  std::string created;       // UTC, "YYYY-MM-DD hh:mm:ss UTC"
};

struct AccountEntry {
  std::string email;
  std::string password;
  std::string registered;
  std::vector<AddressEntry> addresses;
};

// Percent-decodes one query component: "%XY" becomes that byte, "+" a space; a "%" that does
// not start a valid escape stays as it is. Bytes that are not valid UTF-8 are read as Latin-1,
// as a servlet container does by default, so every value can be stored as JSON text.
std::string DecodeComponent(const std::string& text);

// Splits a raw query ("a=1&b=2") into decoded parameters.
Params ParseQuery(const std::string& query);

// Escapes &, <, >, " and ' for HTML text and attribute values.
std::string EscapeHtml(const std::string& text);

// The current time in UTC, formatted by strftime.
std::string UtcNow(const char* format);

class ServiceSim {
 public:
  struct Hooks {
    std::function<std::string()> candidateLocalPart;  // default: 8 random [a-z0-9]
    std::function<std::string()> now;                 // default: the UTC clock
  };

  // Loads `statePath` when it exists (throws std::runtime_error when it cannot be read or
  // parsed, so a damaged file is never overwritten); `mailDomain` completes the addresses
  // shown on the log page.
  ServiceSim(std::string statePath, std::string mailDomain);
  ServiceSim(std::string statePath, std::string mailDomain, Hooks hooks);

  // Answers one GET request. `target` is the request target as it arrived: origin form
  // ("/path?query") or absolute form ("http://host/path?query", as a proxy would pass it).
  Reply HandleTarget(const std::string& target);
  Reply Handle(const std::string& path, const Params& params);

  std::vector<AccountEntry> Accounts() const;

 private:
  Reply Register(const Params& params);
  Reply NewAddress(const Params& params);
  Reply LogPage(const Params& params);
  AccountEntry* FindAccount(const std::string& email);
  std::string FreshLocalPart() const;
  void Load();
  void Save() const;

  std::string m_statePath;
  std::string m_mailDomain;
  Hooks m_hooks;
  mutable std::mutex m_mutex;
  std::vector<AccountEntry> m_accounts;
};

}  // namespace service_sim
