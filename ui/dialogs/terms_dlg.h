#pragma once

#include "platform/dialog.h"

// The terms of service: IDOK only through Accept or Enter, IDCANCEL through Decline, Esc and
// the close box (template 137).
class CTermsDlg : public CDialog {
 public:
  explicit CTermsDlg(CDialog* owner = nullptr);

 protected:
  void OnOK() override;
};
