#pragma once

#include "platform/resource_table.h"

// Everything the program carries as resources: the six dialog templates, string 101 and
// icons 128, 134 and 135. Hand it to InstallResources at start-up.
const ResourceSet& ProgramResources();

// The About box's texts, which are ours to choose.
extern const char* const kAboutHomePage;  // "http://" and the service's host
