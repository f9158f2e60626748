#pragma once

#include <cstdint>
#include <span>

// A dialog as data: what a resource compiler would have produced, kept in dialog units so the
// layout follows the dialog font the way the original layout intended.

// Command identifiers every dialog understands, also the results of a modal run.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Control and dialog identifier of controls that nothing refers to (plain labels, pictures).
inline constexpr int IDC_STATIC = -1;

enum class ControlKind : std::uint8_t {
  kLabel,    // left-aligned static text that wraps at word boundaries
  kPicture,  // an icon of the program at its natural size
  kEdit,
  kPushButton,
  kDefaultPushButton,  // the button Enter presses
  kCheckBox,           // two states, toggles on click
  kRadioButton,        // automatic: marking one clears the others of its group
  kDropDownList,       // a combo box without an edit field
};

// Styles of a control; combine with |.
enum ControlStyle : std::uint32_t {
  kNoStyle = 0,
  kTabStop = 1u << 0,
  kGroup = 1u << 1,  // begins a new control group (radio buttons exclude each other per group)
  kDisabled = 1u << 2,
  kBorder = 1u << 3,
  kAutoHScroll = 1u << 4,
  kVScroll = 1u << 5,
  kPassword = 1u << 6,  // every character shown masked
  kReadOnly = 1u << 7,  // text can be selected and copied, not changed
};

// Styles of the dialog window itself.
enum DialogStyle : std::uint32_t {
  kNoDialogStyle = 0,
  kSystemMenu = 1u << 0,  // title bar with system menu and close box
  kMinimizeBox = 1u << 1,
  kModalFrame = 1u << 2,  // fixed size
  kAppWindow = 1u << 3,   // a window of its own in the task bar
};

// A rectangle in dialog units: left, top, width, height.
struct DialogRect {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

struct ControlTemplate {
  ControlKind kind;
  int id;
  const char* text;  // 8-bit text; for kPicture unused
  DialogRect rect;
  std::uint32_t style;
  int iconId = 0;  // kPicture only
};

struct DialogFont {
  const char* face;
  int points;
};

struct DialogTemplate {
  int id;
  const char* caption;
  int cx;  // client size in dialog units
  int cy;
  DialogFont font;
  std::uint32_t style;
  std::span<const ControlTemplate> controls;  // template order = tab order
};
