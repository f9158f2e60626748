#include "platform/desktop.h"

#include <canberra.h>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "platform/qt/text.h"

namespace {

DesktopSeams g_seams;

}  // namespace

void SetDesktopSeams(DesktopSeams seams) {
  g_seams = std::move(seams);
}

std::string ProgramName() {
  if (QCoreApplication::instance() != nullptr) {
    return FromQt(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
  }
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).stem().string();
}

bool SetClipboardText(const std::string& text) {
  if (g_seams.setClipboardText) return g_seams.setClipboardText(text);
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  clipboard->setText(ToQt(text));
  return true;
}

std::string GetClipboardText() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard != nullptr ? FromQt(clipboard->text()) : std::string();
}

void PlayInformationSound() {
  if (g_seams.playInformationSound) {
    g_seams.playInformationSound();
    return;
  }
  // The desktop's sound theme has the sound for this event; a desktop without a sound server
  // or theme gets the toolkit's beep.
  static ca_context* const context = [] {
    ca_context* made = nullptr;
    return ca_context_create(&made) == CA_SUCCESS ? made : nullptr;
  }();
  if (context != nullptr &&
      ca_context_play(context, 0, CA_PROP_EVENT_ID, "dialog-information", CA_PROP_EVENT_DESCRIPTION,
                      "New address created", nullptr) == CA_SUCCESS) {
    return;
  }
  QApplication::beep();
}

bool OpenUrl(const std::string& url) {
  if (g_seams.openUrl) return g_seams.openUrl(url);
  // The bytes are already a URL; parsing them again would re-encode what the caller encoded.
  return QDesktopServices::openUrl(
      QUrl::fromEncoded(QByteArray(url.data(), static_cast<qsizetype>(url.size()))));
}

void ExitProcess(int status) {
  if (g_seams.exitProcess) {
    g_seams.exitProcess(status);
    return;
  }
  std::exit(status);
}
