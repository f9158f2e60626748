#pragma once

#include <string>
#include <vector>

#include "platform/dialog_template.h"

class CDialog;

// Pictures of templates for the documentation, and the check that every text fits.

// Renders the dialog as it opens (title strip with the caption above the client area) into a
// PNG file. False when the file could not be written.
bool SaveTemplatePicture(const DialogTemplate& dialogTemplate, const std::string& pngPath);

// Renders an open dialog as it stands, framed the same way, showing it first when it is not
// shown yet. False when the dialog is not open or the file could not be written.
bool SaveWindowPicture(CDialog& dialog, const std::string& pngPath);

// The texts of labels, buttons and check boxes that do not fit their rectangle at the dialog
// font, each as "id: text". Empty when everything fits.
std::vector<std::string> FindClippedTexts(const DialogTemplate& dialogTemplate);
