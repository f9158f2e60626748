#pragma once

#include <string>
#include <string_view>

#include "store/account_table.h"

// Added to each byte of a saved password (modulo 256) in the file.
inline constexpr int kPasswordShift = 10;

// Every byte of `text` plus `shift`, modulo 256.
std::string ShiftBytes(std::string_view text, int shift);

// How the bytes of an account file become accounts, without the file. Lines end at LF (the last
// one may lack it) and lose one trailing CR; each is "name,email,stored password", where the
// e-mail address runs to the second "," and the stored password is the rest of the line, every
// byte minus kPasswordShift. A missing field is empty; a line without a name is listed under its
// e-mail address, and a line with neither is skipped. Each account goes into the table's next
// free slot and its name onto `list`, in file order, until the table is full. Returns false when
// an account was left out because the table was full.
bool ParseAccountFile(std::string_view bytes, AccountTable& table, AccountList& list);
