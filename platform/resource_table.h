#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "platform/dialog_template.h"

// The resources a program carries: dialog templates, strings and icons, each found by number.
// The program hands its set to the platform once at start-up, the way a resource section is
// part of the program file.

struct StringResource {
  int id;
  const char* text;
};

// One image of an icon, as PNG bytes.
struct IconImage {
  int size;  // width = height, in pixels
  std::span<const unsigned char> png;
};

struct IconResource {
  int id;
  std::span<const IconImage> images;
};

struct ResourceSet {
  std::span<const DialogTemplate* const> dialogs;
  std::span<const StringResource> strings;
  std::span<const IconResource> icons;
};

// Makes `resources` the program's resources; the set must outlive every use.
void InstallResources(const ResourceSet& resources);

// nullptr when the program has no such template.
const DialogTemplate* FindDialogTemplate(int id);
// Empty when the program has no such string.
std::string LoadString(int id);
// nullptr when the program has no such icon.
const IconResource* FindIcon(int id);
