#pragma once

#include <string>

#include "platform/dialog.h"

// Shows a new address in a read-only edit, so it can be selected and copied but not changed
// (template 132).
class CNewAddressDlg : public CDialog {
 public:
  explicit CNewAddressDlg(CDialog* owner = nullptr);

  std::string m_address;

 protected:
  void DoDataExchange(DataExchange& dx) override;
};
