#pragma once

#include <functional>
#include <string>

// The desktop services the program uses, each with a seam so tests can watch it instead of
// touching the desktop.

// The program file's name without its extension: the caption of the platform's own boxes.
std::string ProgramName();

// Puts `text` on the clipboard as plain text; false when the clipboard would not take it.
bool SetClipboardText(const std::string& text);
std::string GetClipboardText();

void PlayInformationSound();

// Opens `url` in the user's web browser; false when no browser could be started.
bool OpenUrl(const std::string& url);

// Ends the process with `status` after the normal static clean-up. Returns only when a test
// has taken the exit over.
void ExitProcess(int status);

// Replacements that take over from the real service while set; an empty function restores it.
struct DesktopSeams {
  std::function<bool(const std::string&)> setClipboardText;
  std::function<void()> playInformationSound;
  std::function<bool(const std::string&)> openUrl;
  std::function<void(int)> exitProcess;
};
void SetDesktopSeams(DesktopSeams seams);
