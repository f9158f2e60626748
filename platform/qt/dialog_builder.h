#pragma once

#include <functional>
#include <vector>

#include <QFont>
#include <QIcon>

#include "platform/dialog.h"
#include "platform/dialog_template.h"
#include "platform/dialog_units.h"

class QAbstractButton;
class QObject;
class QWidget;

// Marks the push button the template makes the default one.
inline constexpr char kTemplateDefaultProperty[] = "templateDefault";

// The font a template asks for, or the desktop's sans-serif at the same size.
QFont DialogFontFor(const DialogFont& font);
DialogBaseUnits BaseUnitsOf(const QFont& font);
// Whether `control`'s text fits its rectangle in the dialog laid out from `dialogTemplate`.
bool TextFits(const ControlTemplate& control, const DialogTemplate& dialogTemplate);

// All images of a program icon; null when the program has no such icon.
QIcon ProgramIconImages(int iconId);

struct BuiltControl {
  const ControlTemplate* source;
  QWidget* widget;
};

// Gives `window` the template's caption, font, frame and fixed client size, then creates its
// controls in template order. When `notify` is set, every control reports its notifications
// through it and `focusWatcher` sees the controls' events.
std::vector<BuiltControl> BuildDialog(QWidget& window, const DialogTemplate& dialogTemplate,
                                      bool hasOwner, const std::function<void(Notify, int)>& notify,
                                      QObject* focusWatcher);

// The edit's typing limit (0 = none) and the length the program last allowed.
void SetTypingLimit(QWidget& edit, int maxChars);
int TypingLimit(const QWidget& edit);
// Lets the program put a longer text than the limit into the edit.
void AllowLength(QWidget& edit, int length);

// Clears a button's mark, also the last one of an exclusive group, which the toolkit keeps.
void ClearMark(QAbstractButton& button);
