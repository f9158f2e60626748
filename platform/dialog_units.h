#pragma once

#include <string>

#include "platform/dialog_template.h"

// Dialog units scale with the dialog font: one horizontal unit is a quarter of the font's
// average character width, one vertical unit an eighth of its height.
struct DialogBaseUnits {
  double cx = 0;  // average character width in pixels
  double cy = 0;  // character height in pixels
};

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The base units of `font`, or of the desktop's sans-serif at the same size when the face is
// not installed.
DialogBaseUnits BaseUnitsOf(const DialogFont& font);
// The units a template is laid out in: those of its font, the horizontal one widened just
// enough that every text fits its rectangle. A substitute font whose small letters run wider
// against its average than the template's font did would otherwise clip the ends of labels.
DialogBaseUnits LayoutUnitsOf(const DialogTemplate& dialogTemplate);
// The family actually used for `font` after the fallback.
std::string ResolvedFontFamily(const DialogFont& font);

// Each edge is converted on its own, the way the rectangle's corners are mapped.
PixelRect ToPixels(const DialogRect& rect, DialogBaseUnits units);
int ToPixelsX(int x, DialogBaseUnits units);
int ToPixelsY(int y, DialogBaseUnits units);
