#pragma once

#include <QFont>

#include "platform/dialog_template.h"
#include "platform/dialog_units.h"

// The font a template asks for, or the desktop's sans-serif at the same size.
QFont DialogFontFor(const DialogFont& font);
DialogBaseUnits BaseUnitsOf(const QFont& font);
// Whether `control`'s text fits its rectangle in the dialog laid out from `dialogTemplate`.
bool TextFits(const ControlTemplate& control, const DialogTemplate& dialogTemplate);
// The units `dialogTemplate` is laid out in with `font`, widened until every text fits.
DialogBaseUnits LayoutUnitsOf(const DialogTemplate& dialogTemplate, const QFont& font);
