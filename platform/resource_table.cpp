#include "platform/resource_table.h"

namespace {

ResourceSet g_resources;

}  // namespace

void InstallResources(const ResourceSet& resources) {
  g_resources = resources;
}

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate* dialog : g_resources.dialogs) {
    if (dialog->id == id) return dialog;
  }
  return nullptr;
}

std::string LoadString(int id) {
  for (const StringResource& string : g_resources.strings) {
    if (string.id == id) return string.text;
  }
  return {};
}

const IconResource* FindIcon(int id) {
  for (const IconResource& icon : g_resources.icons) {
    if (icon.id == id) return &icon;
  }
  return nullptr;
}
