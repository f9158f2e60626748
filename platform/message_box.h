#pragma once

#include <string>

class CDialog;

// Answers a message box gives.
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

enum class BoxButtons { kOk, kYesNo };
enum class BoxIcon { kNone, kInformation, kQuestion, kExclamation, kStop };

// Shows a modal message box over `owner` (the active window when nullptr) and returns the
// button pressed: IDOK, IDYES or IDNO. `defaultButton` 0 means the first button.
int ShowMessageBox(CDialog* owner, const std::string& text, const std::string& caption,
                   BoxButtons buttons = BoxButtons::kOk, BoxIcon icon = BoxIcon::kNone,
                   int defaultButton = 0);
