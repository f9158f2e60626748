#include "platform/dialog_units.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRect>
#include <QStyle>
#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "platform/qt/dialog_font.h"
#include "platform/qt/text.h"

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

}  // namespace

QFont DialogFontFor(const DialogFont& font) {
  // Asking the font matcher whether a face is there costs more than building a whole dialog
  // when it is not (the matcher searches every substitute), so the answer is looked up in the
  // list of installed families, once per font. The cache lives as long as the process.
  static auto* const cache = new std::map<std::pair<std::string, int>, QFont>;
  const auto key = std::make_pair(std::string(font.face), font.points);
  if (const auto found = cache->find(key); found != cache->end()) return found->second;
  QFont chosen(QString::fromLatin1(font.face), font.points);
  if (!QFontDatabase::hasFamily(chosen.family())) {
    chosen = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    chosen.setStyleHint(QFont::SansSerif);
    chosen.setPointSize(font.points);
  }
  cache->emplace(key, chosen);
  return chosen;
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

DialogBaseUnits LayoutUnitsOf(const DialogTemplate& dialogTemplate, const QFont& font) {
  const DialogBaseUnits base = BaseUnitsOf(font);
  const QStyle& style = *QApplication::style();
  DialogBaseUnits units = base;
  const auto& controls = dialogTemplate.controls;
  const auto fits = [&](const ControlTemplate& control) {
    return TextFits(control, font, style, units);
  };
  // The control that did not fit at one step most likely does not fit at the next either, so
  // it is tried first: a step that fails then costs one measurement instead of a pass over
  // every control before it. Whether all fit does not depend on the order.
  auto lastMisfit = controls.end();
  for (double factor = 1.0; factor <= kMostWidening; factor += kWideningStep) {
    units.cx = base.cx * factor;
    if (lastMisfit != controls.end() && !fits(*lastMisfit)) continue;
    const auto misfit = std::find_if_not(controls.begin(), controls.end(), fits);
    if (misfit == controls.end()) return units;
    lastMisfit = misfit;
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
