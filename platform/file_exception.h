#pragma once

#include <exception>
#include <string>

// Why a file operation failed. The causes and their wording are those the user may meet in the
// error box; each operating system's error code maps onto one of them.
enum class FileErrorCause {
  kNone,
  kGeneric,
  kFileNotFound,
  kBadPath,
  kTooManyOpenFiles,
  kAccessDenied,
  kInvalidFile,
  kRemoveCurrentDir,
  kDirectoryFull,
  kBadSeek,
  kHardIO,
  kSharingViolation,
  kLockViolation,
  kDiskFull,
  kEndOfFile,
};

// The user-facing text for a cause; %1 is replaced by `fileName`, or by "an unnamed file" when
// the failing operation carries no name.
std::string FileErrorText(FileErrorCause cause, const std::string& fileName);

// A failed file operation: its cause, the operating system's error code (0 when there is none)
// and the file's full name where the operation has one.
class CFileException : public std::exception {
 public:
  CFileException(FileErrorCause cause, int osError, std::string fileName = {});

  FileErrorCause Cause() const noexcept { return m_cause; }
  int OsError() const noexcept { return m_osError; }
  const std::string& FileName() const noexcept { return m_fileName; }
  // The text of the error box.
  const std::string& Message() const noexcept { return m_message; }
  const char* what() const noexcept override { return m_message.c_str(); }

  // The cause an operating-system error code stands for (errno on POSIX, GetLastError on Windows).
  static FileErrorCause CauseFromOsError(int osError) noexcept;

 private:
  FileErrorCause m_cause;
  int m_osError;
  std::string m_fileName;
  std::string m_message;
};
