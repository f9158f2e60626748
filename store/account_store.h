#pragma once

#include <chrono>
#include <string>

#include "platform/file_exception.h"
#include "store/account_file.h"
#include "store/account_table.h"

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
// Each operation opens and closes the file itself and holds it unshared meanwhile. A file that
// another running copy holds is waited for, up to kHeldFileWait, before the operation fails with
// a sharing violation: the other copy holds it only for one load or append.
inline constexpr std::chrono::milliseconds kHeldFileWait{2000};

class AccountStore {
 public:
  explicit AccountStore(std::string path = DefaultStorePath());

  const std::string& Path() const noexcept { return m_path; }

  // Creates the file when missing, reads it and adds each of its accounts to `table` in file
  // order, appending its name to `list` (see ParseAccountFile). Throws CFileException; the
  // accounts of the lines read completely before a failure stay loaded.
  void Load(AccountTable& table, AccountList& list) const;
  // Appends the line of `record`, with its password only when `savePassword`, and flushes it
  // to the disk. Throws CFileException, or std::invalid_argument (nothing written) for a record
  // whose line would not read back as itself: a "," or LF in the name or e-mail address, a NUL
  // byte in the password, or neither a name nor an e-mail address.
  void Append(const AccountRecord& record, bool savePassword) const;
  // Deletes the file; true when it was deleted. Never throws.
  bool Erase() const;

 private:
  std::string m_path;
};
