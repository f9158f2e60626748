#include "ui/dialogs/data_error_dlg.h"

#include "resources/resource_ids.h"

CDataErrorDlg::CDataErrorDlg(CDialog* owner) : CDialog(IDD_DATA_ERROR, owner) {}
