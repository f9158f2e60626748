#pragma once

#include "platform/win_app.h"

// The program's application object: it shows the main window and ends when the window closes.
class CClientApp : public CWinApp {
 public:
  CClientApp();

  // Runs the main window modally; always false, so no event loop follows and the program ends.
  bool InitInstance() override;
};
