#include "store/account_store.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/file.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

constexpr std::size_t kReadBlockSize = 4096;

std::string ShiftBytes(std::string_view text, int shift) {
  std::string shifted(text);
  for (char& c : shifted) c = static_cast<char>(static_cast<unsigned char>(c) + shift);
  return shifted;
}

// Cuts one line (without its LF) into a record. Returns false for a line that holds no account.
bool ParseLine(std::string_view line, AccountRecord& record) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return false;

  const auto firstComma = line.find(',');
  record.name = std::string(line.substr(0, firstComma));
  record.email.clear();
  record.password.clear();
  if (firstComma != std::string_view::npos) {
    const std::string_view rest = line.substr(firstComma + 1);
    const auto secondComma = rest.find(',');
    record.email = std::string(rest.substr(0, secondComma));
    if (secondComma != std::string_view::npos) {
      record.password = ShiftBytes(rest.substr(secondComma + 1), -kPasswordShift);
    }
  }
  // A nameless account would count as a free slot and be overwritten by the next merge while
  // its list item stays; list it under its e-mail address instead.
  if (record.name.empty()) record.name = record.email;
  return !record.name.empty();
}

bool Holds(std::string_view text, std::string_view bytes) {
  return text.find_first_of(bytes) != std::string_view::npos;
}

}  // namespace

#ifdef VEXMORA_TEST_SEAMS
namespace {
std::string g_storePathForTests;
}  // namespace

void SetStorePathForTests(std::string path) {
  g_storePathForTests = std::move(path);
}
#endif

std::string DefaultStorePath() {
#ifdef VEXMORA_TEST_SEAMS
  if (!g_storePathForTests.empty()) return g_storePathForTests;
#endif
#ifdef _WIN32
  return kStorePath;
#else
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
      const passwd* user = ::getpwuid(::getuid());
      home = user != nullptr ? user->pw_dir : "/";
    }
    base = std::filesystem::path(home) / ".config";
  }
  const std::filesystem::path folder = base / "vexmora";
  std::error_code ignored;  // a folder that cannot be made shows up as a file error on Load
  if (std::filesystem::create_directories(folder, ignored)) {
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, ignored);
  }
  return (folder / "vxconfig.qdz").string();
#endif
}

AccountStore::AccountStore(std::string path) : m_path(std::move(path)) {}

void AccountStore::Load(AccountTable& table, AccountList& list) const {
  CFile file;
  file.Open(m_path, CFile::Access::kReadWrite);

  std::string line;
  char block[kReadBlockSize];
  AccountRecord record;
  bool full = false;
  // Adds the record of a complete line; false once the table has no room for it.
  const auto take = [&](std::string_view text) {
    if (!ParseLine(text, record)) return true;
    if (table.FirstFree() == kMaxAccounts) return false;
    table.Add(record.name, record.email, record.password);
    list.AppendName(record.name);
    return true;
  };

  while (!full) {
    const std::size_t n = file.Read(block, sizeof block);
    if (n == 0) {
      if (!take(line)) full = true;
      break;
    }
    std::string_view data(block, n);
    for (auto end = data.find('\n'); end != std::string_view::npos; end = data.find('\n')) {
      line.append(data.substr(0, end));
      data.remove_prefix(end + 1);
      if (!take(line)) {
        full = true;
        break;
      }
      line.clear();
    }
    line.append(data);
  }
  if (full) {
    std::cerr << "vexmora: " << m_path << " holds more than " << kMaxAccounts
              << " accounts; only the first " << kMaxAccounts
              << " are loaded, the others stay in the file\n";
  }
  file.Close();
}

void AccountStore::Append(const AccountRecord& record, bool savePassword) const {
  using namespace std::string_view_literals;
  // A "," or LF in the name or e-mail would split the line; a NUL password byte is stored as LF.
  if (Holds(record.name, ",\n"sv) || Holds(record.email, ",\n"sv) ||
      Holds(record.password, "\0"sv)) {
    throw std::invalid_argument("an account field holds a character the account file cannot keep");
  }
  std::string line = record.name + ',' + record.email + ',';
  if (savePassword) line += ShiftBytes(record.password, kPasswordShift);
  line += "\r\n";

  CFile file;
  file.Open(m_path, CFile::Access::kWriteOnly);
  file.Seek(0, CFile::SeekFrom::kEnd);
  file.Write(line.data(), line.size());
  file.Close();
}

bool AccountStore::Erase() const {
  return CFile::Remove(m_path);
}
