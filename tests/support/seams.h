#pragma once

#include <string>
#include <utility>

#include "platform/desktop.h"
#include "service/service_requests.h"
#include "store/account_store.h"

// Scoped replacements for what a UI test must not touch for real: the desktop services, the
// account file and the service host. Each restores the real one when it goes, also when the
// test stops early.
class ScopedDesktopSeams {
 public:
  explicit ScopedDesktopSeams(DesktopSeams seams) { SetDesktopSeams(std::move(seams)); }
  ~ScopedDesktopSeams() { SetDesktopSeams({}); }
  ScopedDesktopSeams(const ScopedDesktopSeams&) = delete;
  ScopedDesktopSeams& operator=(const ScopedDesktopSeams&) = delete;
};

class ScopedStorePath {
 public:
  explicit ScopedStorePath(std::string path) { SetStorePathForTests(std::move(path)); }
  ~ScopedStorePath() { SetStorePathForTests({}); }
  ScopedStorePath(const ScopedStorePath&) = delete;
  ScopedStorePath& operator=(const ScopedStorePath&) = delete;
};

class ScopedServiceHost {
 public:
  explicit ScopedServiceHost(std::string host) { SetServiceHostForTests(std::move(host)); }
  ~ScopedServiceHost() { SetServiceHostForTests({}); }
  ScopedServiceHost(const ScopedServiceHost&) = delete;
  ScopedServiceHost& operator=(const ScopedServiceHost&) = delete;
};
