#include "platform/desktop.h"

#include <canberra.h>
#include <dlfcn.h>

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
  // or theme, or without the sound library, gets the toolkit's beep. The library is loaded on
  // the first sound: linking it would load it and its codecs at every start.
  struct SoundLibrary {
    decltype(&ca_context_play) play = nullptr;
    ca_context* context = nullptr;
  };
  static const SoundLibrary sound = [] {
    SoundLibrary loaded;
    void* library = dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return loaded;
    const auto create =
        reinterpret_cast<decltype(&ca_context_create)>(dlsym(library, "ca_context_create"));
    loaded.play = reinterpret_cast<decltype(&ca_context_play)>(dlsym(library, "ca_context_play"));
    ca_context* made = nullptr;
    if (create != nullptr && loaded.play != nullptr && create(&made) == CA_SUCCESS) {
      loaded.context = made;
    }
    return loaded;  // the library stays loaded for the process's life
  }();
  if (sound.context != nullptr &&
      sound.play(sound.context, 0, CA_PROP_EVENT_ID, "dialog-information",
                 CA_PROP_EVENT_DESCRIPTION, "New address created", nullptr) == CA_SUCCESS) {
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
