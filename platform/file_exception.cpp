#include "platform/file_exception.h"

#include <cerrno>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char* Template(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::kNone:
      return "No error occurred.";
    case FileErrorCause::kGeneric:
      return "An unknown error occurred while accessing %1.";
    case FileErrorCause::kFileNotFound:
      return "%1 was not found.";
    case FileErrorCause::kBadPath:
      return "%1 contains an invalid path.";
    case FileErrorCause::kTooManyOpenFiles:
      return "%1 could not be opened because there are too many open files.";
    case FileErrorCause::kAccessDenied:
      return "Access to %1 was denied.";
    case FileErrorCause::kInvalidFile:
      return "An invalid file handle was associated with %1.";
    case FileErrorCause::kRemoveCurrentDir:
      return "%1 could not be removed because it is the current directory.";
    case FileErrorCause::kDirectoryFull:
      return "%1 could not be created because the directory is full.";
    case FileErrorCause::kBadSeek:
      return "Seek failed on %1";
    case FileErrorCause::kHardIO:
      return "A hardware I/O error was reported while accessing %1.";
    case FileErrorCause::kSharingViolation:
      return "A sharing violation occurred while accessing %1.";
    case FileErrorCause::kLockViolation:
      return "A locking violation occurred while accessing %1.";
    case FileErrorCause::kDiskFull:
      return "Disk full while accessing %1.";
    case FileErrorCause::kEndOfFile:
      return "An attempt was made to access %1 past its end.";
  }
  return "An unknown error occurred while accessing %1.";
}

}  // namespace

std::string FileErrorText(FileErrorCause cause, const std::string& fileName) {
  std::string text = Template(cause);
  if (const auto at = text.find("%1"); at != std::string::npos) {
    text.replace(at, 2, fileName.empty() ? std::string("an unnamed file") : fileName);
  }
  return text;
}

CFileException::CFileException(FileErrorCause cause, int osError, std::string fileName)
    : m_cause(cause),
      m_osError(osError),
      m_fileName(std::move(fileName)),
      m_message(FileErrorText(m_cause, m_fileName)) {}

FileErrorCause CFileException::CauseFromOsError(int osError) noexcept {
#ifdef _WIN32
  switch (osError) {
    case NO_ERROR:
      return FileErrorCause::kNone;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_HANDLE:
      return FileErrorCause::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return FileErrorCause::kBadPath;
    case ERROR_TOO_MANY_OPEN_FILES:
      return FileErrorCause::kTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return FileErrorCause::kAccessDenied;
    case ERROR_CURRENT_DIRECTORY:
      return FileErrorCause::kRemoveCurrentDir;
    case ERROR_CANNOT_MAKE:
      return FileErrorCause::kDirectoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
      return FileErrorCause::kBadSeek;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
      return FileErrorCause::kHardIO;
    case ERROR_SHARING_VIOLATION:
      return FileErrorCause::kSharingViolation;
    case ERROR_LOCK_VIOLATION:
      return FileErrorCause::kLockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileErrorCause::kDiskFull;
    case ERROR_HANDLE_EOF:
      return FileErrorCause::kEndOfFile;
    default:
      return FileErrorCause::kGeneric;
  }
#else
  switch (osError) {
    case 0:
      return FileErrorCause::kNone;
    case ENOENT:
    case EBADF:
      return FileErrorCause::kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return FileErrorCause::kBadPath;
    case EMFILE:
    case ENFILE:
      return FileErrorCause::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return FileErrorCause::kAccessDenied;
    case EBUSY:
      return FileErrorCause::kRemoveCurrentDir;
    case ESPIPE:
    case EINVAL:
      return FileErrorCause::kBadSeek;
    case EIO:
      return FileErrorCause::kHardIO;
    case EWOULDBLOCK:
      return FileErrorCause::kSharingViolation;
    case ENOLCK:
      return FileErrorCause::kLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileErrorCause::kDiskFull;
    default:
      return FileErrorCause::kGeneric;
  }
#endif
}
