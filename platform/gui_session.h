#pragma once

#include <memory>

// The toolkit's application state for the life of the process: create one before the first
// dialog, on the thread that runs every dialog.
class GuiSession {
 public:
  GuiSession(int& argc, char** argv);
  ~GuiSession();
  GuiSession(const GuiSession&) = delete;
  GuiSession& operator=(const GuiSession&) = delete;

 private:
  struct State;
  std::unique_ptr<State> m_state;
};
