#pragma once

#include <string>
#include <vector>

// System commands. The window manager's own (move, minimise, close) arrive here only where the
// platform hands them to the program; the close box always does, as kSysCommandClose.
inline constexpr unsigned kSysCommandClose = 0xF060;

class CDialog;

// The window's system menu. Where the window manager owns that menu (Linux), the items appear
// in a context menu of the dialog instead: right click, Shift+F10 or the Menu key. Either way a
// chosen item arrives as a system command with its id.
class SystemMenu {
 public:
  void AppendSeparator();
  void AppendItem(unsigned commandId, const std::string& text);
  int ItemCount() const;  // separators included

 private:
  friend class CDialog;
  friend struct ControlAccess;
  struct Item {
    bool separator;
    unsigned commandId;
    std::string text;
  };
  std::vector<Item> m_items;
};

// An icon of the program's resources, loaded by id.
struct ProgramIcon {
  int id = 0;
  explicit operator bool() const { return id != 0; }
};
ProgramIcon LoadIcon(int id);
