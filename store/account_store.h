#pragma once

#include <string>

#include "platform/file_exception.h"
#include "store/account_table.h"

// Added to each byte of a saved password (modulo 256) in the file.
inline constexpr int kPasswordShift = 10;

#ifdef _WIN32
inline constexpr const char* kStorePath = "c:\\vxconfig.qdz";
#endif

// Where the accounts are kept: vxconfig.qdz in $XDG_CONFIG_HOME/vexmora (default
// ~/.config/vexmora), the folder created owner-only when missing; kStorePath on Windows.
std::string DefaultStorePath();

#ifdef VEXMORA_TEST_SEAMS
// Test builds only: DefaultStorePath() gives `path` while it is not empty. Nothing a user can
// set reaches it; the shipped program has no such function.
void SetStorePathForTests(std::string path);
#endif

// The account file: one line per account, "name,email,stored password\r\n", where the stored
// password is every byte of the password plus kPasswordShift, or empty when it was not saved.
// Each operation opens and closes the file itself and holds it unshared meanwhile.
class AccountStore {
 public:
  explicit AccountStore(std::string path = DefaultStorePath());

  const std::string& Path() const noexcept { return m_path; }

  // Creates the file when missing, then adds each of its accounts to `table` in file order and
  // appends its name to `list`. Throws CFileException; what was loaded before a failure stays.
  void Load(AccountTable& table, AccountList& list) const;
  // Appends the line of `record`, with its password only when `savePassword`, and flushes it
  // to the disk. Throws CFileException, or std::invalid_argument (nothing written) for a record
  // whose line would not read back as itself: a "," or LF in the name or e-mail address, or a
  // NUL byte in the password.
  void Append(const AccountRecord& record, bool savePassword) const;
  // Deletes the file; true when it was deleted. Never throws.
  bool Erase() const;

 private:
  std::string m_path;
};
