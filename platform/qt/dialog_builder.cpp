#include "platform/qt/dialog_builder.h"

#include <QBuffer>
#include <QButtonGroup>
#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/qt/text.h"
#include "platform/resource_table.h"

namespace {

Qt::FocusPolicy FocusFor(const ControlTemplate& control) {
  return (control.style & kTabStop) != 0 ? Qt::StrongFocus : Qt::ClickFocus;
}

QWidget* CreateControl(QWidget& window, const ControlTemplate& control) {
  const QString text = control.text != nullptr ? ToQt(control.text) : QString();
  switch (control.kind) {
    case ControlKind::kLabel: {
      auto* label = new QLabel(text, &window);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::kPicture: {
      auto* picture = new QLabel(&window);
      picture->setPixmap(ProgramIconImages(control.iconId).pixmap(32, 32));
      return picture;
    }
    case ControlKind::kEdit: {
      auto* edit = new QLineEdit(text, &window);
      edit->setFrame((control.style & kBorder) != 0);
      if ((control.style & kPassword) != 0) edit->setEchoMode(QLineEdit::Password);
      edit->setReadOnly((control.style & kReadOnly) != 0);
      edit->setFocusPolicy(FocusFor(control));
      return edit;
    }
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton: {
      auto* button = new QPushButton(text, &window);
      const bool isDefault = control.kind == ControlKind::kDefaultPushButton;
      button->setDefault(isDefault);
      button->setProperty(kTemplateDefaultProperty, isDefault);
      button->setFocusPolicy(FocusFor(control));
      return button;
    }
    case ControlKind::kCheckBox: {
      auto* box = new QCheckBox(text, &window);
      box->setFocusPolicy(FocusFor(control));
      return box;
    }
    case ControlKind::kRadioButton: {
      auto* radio = new QRadioButton(text, &window);
      radio->setAutoExclusive(false);  // the template's groups decide, not the parent
      radio->setFocusPolicy(FocusFor(control));
      return radio;
    }
    case ControlKind::kDropDownList: {
      auto* list = new QComboBox(&window);
      list->setEditable(false);
      list->setFocusPolicy(FocusFor(control));
      return list;
    }
  }
  return new QWidget(&window);
}

void Place(QWidget& widget, const ControlTemplate& control, DialogBaseUnits units) {
  const PixelRect r = ToPixels(control.rect, units);
  if (control.kind == ControlKind::kPicture) {
    widget.setGeometry(r.x, r.y, 32, 32);  // an icon shows at its own size
  } else if (control.kind == ControlKind::kDropDownList) {
    // The template's height is that of the dropped list; the closed box is as high as the
    // font needs.
    auto& list = static_cast<QComboBox&>(widget);
    const int closed = list.sizeHint().height();
    widget.setGeometry(r.x, r.y, r.width, closed);
    const int itemHeight = std::max(1, QFontMetrics(list.font()).height() + 2);
    list.setMaxVisibleItems(std::max(1, (r.height - closed) / itemHeight));
  } else {
    widget.setGeometry(r.x, r.y, r.width, r.height);
  }
}

void Connect(QWidget* widget, const ControlTemplate& control,
             const std::function<void(Notify, int)>& notify) {
  const int id = control.id;
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    QObject::connect(button, &QAbstractButton::clicked,
                     [notify, id] { notify(Notify::kClicked, id); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    QObject::connect(edit, &QLineEdit::textChanged, [notify, id] {
      notify(Notify::kUpdate, id);
      notify(Notify::kChange, id);
    });
  } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
    QObject::connect(list, &QComboBox::currentIndexChanged,
                     [notify, id] { notify(Notify::kSelChange, id); });
    QObject::connect(list, &QComboBox::activated, [notify, id] { notify(Notify::kSelEndOk, id); });
  }
}

}  // namespace

QIcon ProgramIconImages(int iconId) {
  // Decoded once per icon: a dialog sets its icon as the large and the small one, and the
  // About box shows it again. The images outlive the toolkit session, so no pixmaps are kept.
  static auto* const decoded = new std::map<int, std::vector<QImage>>;
  auto found = decoded->find(iconId);
  if (found == decoded->end()) {
    std::vector<QImage> images;
    if (const IconResource* resource = FindIcon(iconId)) {
      for (const IconImage& image : resource->images) {
        QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(image.png.data()),
                                                   static_cast<qsizetype>(image.png.size()));
        QBuffer buffer(&bytes);
        // The format is known: without this the reader first asks every image plugin whether
        // it recognises the bytes, loading each plugin and its codec library to do so.
        QImageReader reader(&buffer, "png");
        reader.setAutoDetectImageFormat(false);
        QImage read = reader.read();
        if (!read.isNull()) images.push_back(std::move(read));
      }
    }
    found = decoded->emplace(iconId, std::move(images)).first;
  }
  QIcon icon;
  for (const QImage& image : found->second) icon.addPixmap(QPixmap::fromImage(image));
  return icon;
}

std::vector<BuiltControl> BuildDialog(QWidget& window, const DialogTemplate& dialogTemplate,
                                      bool hasOwner, const std::function<void(Notify, int)>& notify,
                                      QObject* focusWatcher) {
  const QFont font = DialogFontFor(dialogTemplate.font);
  const DialogBaseUnits units = LayoutUnitsOf(dialogTemplate, font);
  window.setFont(font);
  window.setWindowTitle(ToQt(dialogTemplate.caption));

  Qt::WindowFlags flags = (dialogTemplate.style & kAppWindow) != 0 && !hasOwner
                              ? Qt::WindowFlags(Qt::Window)
                              : Qt::WindowFlags(Qt::Dialog);
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if ((dialogTemplate.style & kSystemMenu) != 0) {
    flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  }
  if ((dialogTemplate.style & kMinimizeBox) != 0) flags |= Qt::WindowMinimizeButtonHint;
  window.setWindowFlags(flags);
  window.setFixedSize(ToPixelsX(dialogTemplate.cx, units), ToPixelsY(dialogTemplate.cy, units));

  std::vector<BuiltControl> built;
  built.reserve(dialogTemplate.controls.size());
  QButtonGroup* radioGroup = nullptr;
  QWidget* previousFocusable = nullptr;
  for (const ControlTemplate& control : dialogTemplate.controls) {
    QWidget* widget = CreateControl(window, control);
    widget->setObjectName(QString::number(control.id));
    widget->setFont(font);
    Place(*widget, control, units);
    widget->setEnabled((control.style & kDisabled) == 0);

    if ((control.style & kGroup) != 0) radioGroup = nullptr;
    if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
      if (radioGroup == nullptr) {
        radioGroup = new QButtonGroup(&window);
        radioGroup->setExclusive(true);
      }
      radioGroup->addButton(radio);
    }
    if (widget->focusPolicy() != Qt::NoFocus) {
      if (previousFocusable != nullptr) QWidget::setTabOrder(previousFocusable, widget);
      previousFocusable = widget;
    }
    if (notify) {
      Connect(widget, control, notify);
      if (focusWatcher != nullptr) widget->installEventFilter(focusWatcher);
    }
    built.push_back({&control, widget});
  }
  // A focused push button acts as the default one, as long as the template has a default at
  // all; otherwise the toolkit would crown the first button and Enter would press it.
  const bool hasDefault = std::any_of(
      dialogTemplate.controls.begin(), dialogTemplate.controls.end(),
      [](const ControlTemplate& c) { return c.kind == ControlKind::kDefaultPushButton; });
  for (const BuiltControl& control : built) {
    if (auto* button = qobject_cast<QPushButton*>(control.widget))
      button->setAutoDefault(hasDefault);
  }
  return built;
}

void ClearMark(QAbstractButton& button) {
  if (!button.isChecked()) return;
  QButtonGroup* group = button.group();
  const bool exclusive = group != nullptr && group->exclusive();
  if (exclusive) group->setExclusive(false);
  button.setChecked(false);
  if (exclusive) group->setExclusive(true);
}
