// Appends one arbitrary record to a fresh account file and loads the file again: a record that
// Append takes comes back as it went in (a nameless one under its e-mail address, the password
// only when it was saved), and a refused one leaves no file behind.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "fuzz/fuzz_input.h"
#include "store/account_store.h"
#include "tests/support/name_list.h"
#include "tests/support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TempDir dir;  // run.sh points TMPDIR at a memory file system: fsync costs nothing
  static const AccountStore store(dir.File("vxconfig.qdz"));
  FuzzInput input(data, size);
  const bool savePassword = (input.Byte() & 1) != 0;
  AccountRecord record;
  record.name = input.String();
  record.email = input.String();
  record.password = input.String();

  store.Erase();
  try {
    store.Append(record, savePassword);
  } catch (const std::invalid_argument&) {
    if (record.name.find_first_of(",\n") == std::string::npos &&
        record.email.find_first_of(",\n") == std::string::npos &&
        record.password.find('\0') == std::string::npos &&
        !(record.name.empty() && record.email.empty())) {
      Finding("a record that reads back was refused");
    }
    if (store.Erase()) Finding("a refused record left a file");
    return 0;
  }
  static AccountTable table;  // one for every run: slot 0 is emptied again below
  NameList list;
  store.Load(table, list);
  const std::string name = record.name.empty() ? record.email : record.name;
  const std::string password = savePassword ? record.password : std::string();
  if (list.names.size() != 1 || list.names[0] != name) Finding("not listed once under its name");
  if (table.At(0).name != name || table.At(0).email != record.email ||
      table.At(0).password != password) {
    Finding("the record came back changed");
  }
  table.Fill(0, {}, {}, {});
  return 0;
}
