#pragma once

#include "platform/dialog.h"

// The About box: icon, version line, credits and copyright (template 100).
class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(CDialog* owner = nullptr);
};
