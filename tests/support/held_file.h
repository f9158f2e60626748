#pragma once

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <stdexcept>
#include <string>

#include "platform/file.h"

#ifdef _WIN32
// Holds `path` open through CFile until this object ends. Windows refuses a second open of a
// file opened without sharing whoever asks, so a handle in this process stands for another copy
// of the program.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path) { m_file.Open(path, CFile::Access::kReadWrite); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  // Lets the file go; true when it closed cleanly.
  bool Release() {
    try {
      m_file.Close();
      return true;
    } catch (const CFileException&) {
      return false;
    }
  }

 private:
  CFile m_file;
};
#else
// Another process that holds `path` open through CFile until this object ends, the way a
// second running copy of the program would.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path) {
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) throw std::runtime_error("pipe failed");
    m_child = ::fork();
    if (m_child < 0) throw std::runtime_error("fork failed");
    if (m_child == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      CFile holder;
      holder.Open(path, CFile::Access::kReadWrite);
      char byte = 'r';
      if (::write(ready[1], &byte, 1) != 1) ::_exit(2);
      if (::read(release[0], &byte, 1) < 0) ::_exit(3);  // returns once the parent lets go
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    m_release = release[1];
    char byte = 0;
    const bool held = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (!held) {
      Release();
      throw std::runtime_error("the holder could not open " + path);
    }
  }
  ~HeldFile() { Release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  // Lets the file go and waits for the holder; true when it ended cleanly.
  bool Release() {
    if (m_child <= 0) return m_clean;
    ::close(m_release);
    int status = 0;
    m_clean =
        ::waitpid(m_child, &status, 0) == m_child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    m_child = 0;
    return m_clean;
  }

 private:
  pid_t m_child = 0;
  int m_release = -1;
  bool m_clean = false;
};
#endif
