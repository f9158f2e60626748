#include "platform/message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "platform/dialog.h"
#include "platform/qt/dialog_impl.h"
#include "platform/qt/text.h"

namespace {

QMessageBox::Icon ToQtIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kNone:
      return QMessageBox::NoIcon;
    case BoxIcon::kInformation:
      return QMessageBox::Information;
    case BoxIcon::kQuestion:
      return QMessageBox::Question;
    case BoxIcon::kExclamation:
      return QMessageBox::Warning;
    case BoxIcon::kStop:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

int ShowMessageBox(CDialog* owner, const std::string& text, const std::string& caption,
                   BoxButtons buttons, BoxIcon icon, int defaultButton) {
  QMessageBox box(ToQtIcon(icon), ToQt(caption), ToQt(text), QMessageBox::NoButton,
                  OwnerWindowFor(owner));
  box.setTextFormat(Qt::PlainText);
  struct Choice {
    int id;
    const char* label;
    QMessageBox::ButtonRole role;
  };
  const std::vector<Choice> choices =
      buttons == BoxButtons::kYesNo ? std::vector<Choice>{{IDYES, "&Yes", QMessageBox::YesRole},
                                                          {IDNO, "&No", QMessageBox::NoRole}}
                                    : std::vector<Choice>{{IDOK, "OK", QMessageBox::AcceptRole}};
  std::vector<std::pair<QPushButton*, int>> made;
  for (const Choice& choice : choices) {
    QPushButton* button = box.addButton(QString::fromLatin1(choice.label), choice.role);
    button->setObjectName(QString::number(choice.id));  // tests answer the box by id
    made.emplace_back(button, choice.id);
  }
  QPushButton* initial = made.front().first;
  for (const auto& [button, id] : made) {
    if (id == defaultButton) initial = button;
  }
  box.setDefaultButton(initial);
  box.setEscapeButton(made.back().first);
  box.exec();
  if (owner != nullptr && owner->IsOpen() && ControlAccess::Of(*owner).quietDepth > 0) {
    ControlAccess::Of(*owner).reactivationOwed = true;
  }
  for (const auto& [button, id] : made) {
    if (box.clickedButton() == button) return id;
  }
  return made.back().second;
}
