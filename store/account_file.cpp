#include "store/account_file.h"

#include <cstring>

namespace {

struct Fields {
  std::string_view name, email, storedPassword;
};

// Cuts one line (without its LF) into fields. Returns false for a line that holds no account.
bool CutLine(std::string_view line, Fields& fields) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return false;

  const auto firstComma = line.find(',');
  fields.name = line.substr(0, firstComma);
  fields.email = {};
  fields.storedPassword = {};
  if (firstComma != std::string_view::npos) {
    const std::string_view rest = line.substr(firstComma + 1);
    const auto secondComma = rest.find(',');
    fields.email = rest.substr(0, secondComma);
    if (secondComma != std::string_view::npos) fields.storedPassword = rest.substr(secondComma + 1);
  }
  // A nameless account would count as a free slot and be overwritten by the next merge while
  // its list item stays; list it under its e-mail address instead.
  if (fields.name.empty()) fields.name = fields.email;
  return !fields.name.empty();
}

void ShiftInPlace(std::string& text, int shift) {
  for (char& c : text) c = static_cast<char>(static_cast<unsigned char>(c) + shift);
}

}  // namespace

std::string ShiftBytes(std::string_view text, int shift) {
  std::string shifted(text);
  ShiftInPlace(shifted, shift);
  return shifted;
}

bool ParseAccountFile(std::string_view bytes, AccountTable& table, AccountList& list) {
  int slot = table.FirstFree();
  std::string password;
  Fields fields;
  const char* at = bytes.data();
  const char* const end = at + bytes.size();
  for (;;) {
    const auto* lf =
        at == end ? nullptr : static_cast<const char*>(std::memchr(at, '\n', end - at));
    const char* lineEnd = lf != nullptr ? lf : end;
    if (CutLine(std::string_view(at, lineEnd - at), fields)) {
      if (slot == kMaxAccounts) return false;
      password.assign(fields.storedPassword);
      ShiftInPlace(password, -kPasswordShift);
      table.Fill(slot, fields.name, fields.email, password);
      list.AppendName(table.At(slot).name);
      slot = table.FirstFreeFrom(slot + 1);
    }
    if (lf == nullptr) return true;
    at = lf + 1;
  }
}
