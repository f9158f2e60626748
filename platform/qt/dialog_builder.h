#pragma once

#include <functional>
#include <vector>

#include <QFont>
#include <QIcon>

#include "platform/dialog.h"
#include "platform/dialog_template.h"
#include "platform/dialog_units.h"
#include "platform/qt/dialog_font.h"
#include "platform/qt/typing_limit.h"

class QAbstractButton;
class QObject;
class QWidget;

// Marks the push button the template makes the default one.
inline constexpr char kTemplateDefaultProperty[] = "templateDefault";

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

// Clears a button's mark, also the last one of an exclusive group, which the toolkit keeps.
void ClearMark(QAbstractButton& button);
