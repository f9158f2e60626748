#include "store/account_store.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/file.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

constexpr std::size_t kFirstReadSize = 64 * 1024;  // a full table's file fits at once

bool Holds(std::string_view text, std::string_view bytes) {
  return text.find_first_of(bytes) != std::string_view::npos;
}

// Opens `path` for one operation, waiting up to kHeldFileWait while another copy holds it. The
// other copy lets go between two operations for a moment only, so the file is tried again soon
// and often; each try costs a few microseconds.
void OpenWaiting(CFile& file, const std::string& path, CFile::Access access) {
  constexpr auto kPause = std::chrono::microseconds(100);
  const auto deadline = std::chrono::steady_clock::now() + kHeldFileWait;
  for (;;) {
    try {
      file.Open(path, access);
      return;
    } catch (const CFileException& e) {
      if (e.Cause() != FileErrorCause::kSharingViolation ||
          std::chrono::steady_clock::now() + kPause > deadline) {
        throw;
      }
    }
    std::this_thread::sleep_for(kPause);
  }
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
  OpenWaiting(file, m_path, CFile::Access::kReadWrite);

  std::size_t capacity = kFirstReadSize;
  std::unique_ptr<char[]> bytes(new char[capacity]);
  std::size_t size = 0;
  try {
    for (;;) {
      if (size == capacity) {
        std::unique_ptr<char[]> larger(new char[capacity * 2]);
        std::memcpy(larger.get(), bytes.get(), size);
        bytes = std::move(larger);
        capacity *= 2;
      }
      const std::size_t n = file.Read(bytes.get() + size, capacity - size);
      if (n == 0) break;
      size += n;
    }
  } catch (const CFileException&) {
    // The lines that were read completely still count.
    const std::string_view read(bytes.get(), size);
    const auto lastLf = read.rfind('\n');
    if (lastLf != std::string_view::npos) ParseAccountFile(read.substr(0, lastLf), table, list);
    throw;
  }
  if (!ParseAccountFile(std::string_view(bytes.get(), size), table, list)) {
    std::cerr << "vexmora: " << m_path << " holds more than " << kMaxAccounts
              << " accounts; only the first " << kMaxAccounts
              << " are loaded, the others stay in the file\n";
  }
  file.Close();
}

void AccountStore::Append(const AccountRecord& record, bool savePassword) const {
  using namespace std::string_view_literals;
  // A "," or LF in the name or e-mail would split the line; a NUL password byte is stored as LF.
  // A line with neither name nor e-mail holds no account when it is read again.
  if (Holds(record.name, ",\n"sv) || Holds(record.email, ",\n"sv) ||
      Holds(record.password, "\0"sv) || (record.name.empty() && record.email.empty())) {
    throw std::invalid_argument("an account field holds a character the account file cannot keep");
  }
  std::string line = record.name + ',' + record.email + ',';
  if (savePassword) line += ShiftBytes(record.password, kPasswordShift);
  line += "\r\n";

  CFile file;
  OpenWaiting(file, m_path, CFile::Access::kWriteOnly);
  file.Seek(0, CFile::SeekFrom::kEnd);
  file.Write(line.data(), line.size());
  file.Close();
}

bool AccountStore::Erase() const {
  return CFile::Remove(m_path);
}
