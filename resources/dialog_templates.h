#pragma once

#include "platform/dialog_template.h"

// The program's dialog templates, in dialog units.
extern const DialogTemplate kMainTemplate;        // 102
extern const DialogTemplate kSetupTemplate;       // 129
extern const DialogTemplate kAboutTemplate;       // 100
extern const DialogTemplate kDataErrorTemplate;   // 130
extern const DialogTemplate kNewAddressTemplate;  // 132
extern const DialogTemplate kTermsTemplate;       // 137
