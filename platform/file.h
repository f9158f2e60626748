#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_exception.h"

// A file opened for one operation: created when missing, never truncated, shared with nobody
// while open, bytes passed through unchanged. Every failure throws CFileException; the
// destructor closes quietly.
class CFile {
 public:
  enum class Access { kReadWrite, kWriteOnly };
  enum class SeekFrom { kCurrent, kEnd };

  CFile() = default;
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Opens `path`, creating it owner-only when missing. A file held open by another process (or
  // by another CFile) fails with FileErrorCause::kSharingViolation.
  void Open(const std::string& path, Access access);
  bool IsOpen() const noexcept;
  const std::string& Path() const noexcept { return m_path; }

  // Reads up to `count` bytes; returns how many were read, 0 at the end of the file.
  std::size_t Read(void* buffer, std::size_t count);
  // Moves the position by `offset` from the current position or the end; returns the new one.
  std::int64_t Seek(std::int64_t offset, SeekFrom from);
  // Writes all `count` bytes and flushes them to the disk before returning. Storing fewer
  // bytes than asked is FileErrorCause::kDiskFull.
  void Write(const void* buffer, std::size_t count);
  void Close();

  // Deletes the file at `path`; true when it was deleted. Never throws.
  static bool Remove(const std::string& path) noexcept;

 private:
  [[noreturn]] void Fail(int osError, bool named) const;

#ifdef _WIN32
  void* m_handle = nullptr;
#else
  int m_fd = -1;
#endif
  std::string m_path;
};
