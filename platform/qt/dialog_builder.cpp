#include "platform/qt/dialog_builder.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTextBoundaryFinder>
#include <QValidator>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "platform/qt/text.h"
#include "platform/resource_table.h"

namespace {

// Windows rounds dialog-unit conversions half away from zero; so do we, so that adjacent
// controls keep the gaps the template gives them.
int Scale(int value, double unit, int denominator) {
  return static_cast<int>(std::lround(value * unit / denominator));
}

// Room a push button's frame takes on each side of its text.
constexpr int kButtonTextMargin = 3;
// How far the horizontal unit may grow for a substitute font, and in which steps.
constexpr double kMostWidening = 1.25;
constexpr double kWideningStep = 0.02;

// A typing limit that never cuts what the program put into the edit: the user can shrink an
// over-long text but not grow it, and cannot type or paste past the limit.
class TypingLimitValidator : public QValidator {
 public:
  TypingLimitValidator(QLineEdit* edit, int limit) : QValidator(edit), m_limit(limit) {
    m_allowed = VisibleLength(edit->text());
    QObject::connect(edit, &QLineEdit::textChanged,
                     [this](const QString& text) { m_allowed = VisibleLength(text); });
  }
  State validate(QString& input, int&) const override {
    const int length = VisibleLength(input);
    return m_limit <= 0 || length <= m_limit || length <= m_allowed ? Acceptable : Invalid;
  }
  int Limit() const { return m_limit; }
  void SetLimit(int limit) { m_limit = limit; }
  void Allow(int length) { m_allowed = length; }

 private:
  int m_limit;
  int m_allowed;
};

TypingLimitValidator* LimitOf(const QWidget& edit) {
  const auto* lineEdit = qobject_cast<const QLineEdit*>(&edit);
  if (lineEdit == nullptr) return nullptr;
  return dynamic_cast<TypingLimitValidator*>(const_cast<QValidator*>(lineEdit->validator()));
}

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

int VisibleLength(const QString& text) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  int count = 0;
  while (finder.toNextBoundary() != -1) ++count;
  return count;
}

QFont DialogFontFor(const DialogFont& font) {
  QFont wanted(QString::fromLatin1(font.face), font.points);
  if (QFontInfo(wanted).family().compare(wanted.family(), Qt::CaseInsensitive) == 0) {
    return wanted;
  }
  QFont fallback = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  fallback.setStyleHint(QFont::SansSerif);
  fallback.setPointSize(font.points);
  return fallback;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int alphabet = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {static_cast<double>((alphabet / 26 + 1) / 2), static_cast<double>(metrics.height())};
}

static int TextRoomNeeded(const ControlTemplate& control, const QFont& font, const QStyle& style,
                          int width) {
  const QFontMetrics metrics(font);
  QString text = ToQt(control.text != nullptr ? control.text : "");
  switch (control.kind) {
    case ControlKind::kLabel:
      return metrics
          .boundingRect(QRect(0, 0, width, INT_MAX), Qt::AlignLeft | Qt::TextWordWrap, text)
          .height();
    case ControlKind::kCheckBox:
      text.remove(QLatin1Char('&'));
      return style.pixelMetric(QStyle::PM_IndicatorWidth) +
             style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing) + metrics.horizontalAdvance(text);
    case ControlKind::kRadioButton:
      text.remove(QLatin1Char('&'));
      return style.pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
             style.pixelMetric(QStyle::PM_RadioButtonLabelSpacing) +
             metrics.horizontalAdvance(text);
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton:
      text.remove(QLatin1Char('&'));
      return 2 * kButtonTextMargin + metrics.horizontalAdvance(text);
    case ControlKind::kEdit:
    case ControlKind::kPicture:
    case ControlKind::kDropDownList:
      break;
  }
  return 0;
}

static bool TextFits(const ControlTemplate& control, const QFont& font, const QStyle& style,
                     DialogBaseUnits units) {
  if (control.text == nullptr || *control.text == '\0') return true;
  const PixelRect room = ToPixels(control.rect, units);
  const QFontMetrics metrics(font);
  if (control.kind == ControlKind::kLabel) {
    const QRect needed = metrics.boundingRect(QRect(0, 0, room.width, INT_MAX),
                                              Qt::AlignLeft | Qt::TextWordWrap, ToQt(control.text));
    return needed.width() <= room.width && needed.height() <= room.height;
  }
  const int needed = TextRoomNeeded(control, font, style, room.width);
  return needed <= room.width && (needed == 0 || metrics.height() <= room.height);
}

static DialogBaseUnits LayoutUnitsOf(const DialogTemplate& dialogTemplate, const QFont& font) {
  const DialogBaseUnits base = BaseUnitsOf(font);
  const QStyle& style = *QApplication::style();
  DialogBaseUnits units = base;
  for (double factor = 1.0; factor <= kMostWidening; factor += kWideningStep) {
    units.cx = base.cx * factor;
    const bool allFit = std::all_of(
        dialogTemplate.controls.begin(), dialogTemplate.controls.end(),
        [&](const ControlTemplate& control) { return TextFits(control, font, style, units); });
    if (allFit) return units;
  }
  return base;  // nothing helps: keep the font's own units and let the check report it
}

DialogBaseUnits BaseUnitsOf(const DialogFont& font) {
  return BaseUnitsOf(DialogFontFor(font));
}

DialogBaseUnits LayoutUnitsOf(const DialogTemplate& dialogTemplate) {
  return LayoutUnitsOf(dialogTemplate, DialogFontFor(dialogTemplate.font));
}

bool TextFits(const ControlTemplate& control, const DialogTemplate& dialogTemplate) {
  const QFont font = DialogFontFor(dialogTemplate.font);
  return TextFits(control, font, *QApplication::style(), LayoutUnitsOf(dialogTemplate, font));
}

std::string ResolvedFontFamily(const DialogFont& font) {
  return FromQt(QFontInfo(DialogFontFor(font)).family());
}

int ToPixelsX(int x, DialogBaseUnits units) {
  return Scale(x, units.cx, 4);
}
int ToPixelsY(int y, DialogBaseUnits units) {
  return Scale(y, units.cy, 8);
}

PixelRect ToPixels(const DialogRect& rect, DialogBaseUnits units) {
  const int left = ToPixelsX(rect.x, units);
  const int top = ToPixelsY(rect.y, units);
  return {left, top, ToPixelsX(rect.x + rect.cx, units) - left,
          ToPixelsY(rect.y + rect.cy, units) - top};
}

QIcon ProgramIconImages(int iconId) {
  QIcon icon;
  if (const IconResource* resource = FindIcon(iconId)) {
    for (const IconImage& image : resource->images) {
      QImage decoded;
      if (decoded.loadFromData(image.png.data(), static_cast<int>(image.png.size()), "PNG")) {
        icon.addPixmap(QPixmap::fromImage(decoded));
      }
    }
  }
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

void SetTypingLimit(QWidget& edit, int maxChars) {
  auto* lineEdit = qobject_cast<QLineEdit*>(&edit);
  if (lineEdit == nullptr) return;
  if (TypingLimitValidator* limit = LimitOf(edit)) {
    limit->SetLimit(maxChars);
  } else {
    lineEdit->setValidator(new TypingLimitValidator(lineEdit, maxChars));
  }
}

int TypingLimit(const QWidget& edit) {
  const TypingLimitValidator* limit = LimitOf(edit);
  return limit != nullptr ? limit->Limit() : 0;
}

void AllowLength(QWidget& edit, int length) {
  if (TypingLimitValidator* limit = LimitOf(edit)) limit->Allow(length);
}

void ClearMark(QAbstractButton& button) {
  if (!button.isChecked()) return;
  QButtonGroup* group = button.group();
  const bool exclusive = group != nullptr && group->exclusive();
  if (exclusive) group->setExclusive(false);
  button.setChecked(false);
  if (exclusive) group->setExclusive(true);
}
