#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Retries a system call that was interrupted by a signal.
template <typename Call>
auto Retry(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result == -1 && errno == EINTR);
  return result;
}

}  // namespace

CFile::~CFile() {
  if (m_fd >= 0) ::close(m_fd);
}

void CFile::Fail(int osError, bool named) const {
  throw CFileException(CFileException::CauseFromOsError(osError), osError,
                       named ? m_path : std::string());
}

void CFile::Open(const std::string& path, Access access) {
  if (m_fd >= 0) Close();
  m_path = path;
  const int flags = (access == Access::kReadWrite ? O_RDWR : O_WRONLY) | O_CREAT | O_CLOEXEC;
  // Accounts hold passwords: a new file is readable by its owner only.
  const int fd = Retry([&] { return ::open(path.c_str(), flags, S_IRUSR | S_IWUSR); });
  if (fd < 0) Fail(errno, true);
  // Files have no share modes here; an exclusive advisory lock keeps a second copy of the
  // program (or a second CFile) out while this one works on the file.
  if (Retry([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
    const int error = errno;
    ::close(fd);
    Fail(error, true);
  }
  m_fd = fd;
}

bool CFile::IsOpen() const noexcept {
  return m_fd >= 0;
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
  const ssize_t n = Retry([&] { return ::read(m_fd, buffer, count); });
  if (n < 0) Fail(errno, false);
  return static_cast<std::size_t>(n);
}

std::int64_t CFile::Seek(std::int64_t offset, SeekFrom from) {
  const off_t at =
      ::lseek(m_fd, static_cast<off_t>(offset), from == SeekFrom::kCurrent ? SEEK_CUR : SEEK_END);
  if (at < 0) Fail(errno, false);
  return at;
}

void CFile::Write(const void* buffer, std::size_t count) {
  const off_t start = ::lseek(m_fd, 0, SEEK_CUR);
  const auto* bytes = static_cast<const char*>(buffer);
  std::size_t done = 0;
  int error = 0;
  while (done < count) {
    const ssize_t n = Retry([&] { return ::write(m_fd, bytes + done, count - done); });
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;  // nothing stored: the disk is full
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (error == 0 && Retry([&] { return ::fsync(m_fd); }) != 0) error = errno;
  if (error != 0) {
    // Leave no half-written record behind.
    if (done > 0 && start >= 0 && ::ftruncate(m_fd, start) == 0) ::lseek(m_fd, start, SEEK_SET);
    Fail(error, true);
  }
}

void CFile::Close() {
  if (m_fd < 0) return;
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0 && errno != EINTR) Fail(errno, false);
}

bool CFile::Remove(const std::string& path) noexcept {
  return ::unlink(path.c_str()) == 0;
}
