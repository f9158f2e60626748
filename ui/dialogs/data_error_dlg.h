#pragma once

#include "platform/dialog.h"

// Tells the user that a typed value is wrong, without saying which (template 130).
class CDataErrorDlg : public CDialog {
 public:
  explicit CDataErrorDlg(CDialog* owner = nullptr);
};
