#include "platform/file.h"

#include <windows.h>

CFile::~CFile() {
  if (m_handle != nullptr) ::CloseHandle(m_handle);
}

void CFile::Fail(int osError, bool named) const {
  throw CFileException(CFileException::CauseFromOsError(osError), osError,
                       named ? m_path : std::string());
}

void CFile::Open(const std::string& path, Access access) {
  if (m_handle != nullptr) Close();
  m_path = path;
  const DWORD rights = access == Access::kReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
  // Share mode 0: nobody else may open the file while this one works on it.
  HANDLE handle =
      ::CreateFileA(path.c_str(), rights, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) Fail(static_cast<int>(::GetLastError()), true);
  m_handle = handle;
}

bool CFile::IsOpen() const noexcept {
  return m_handle != nullptr;
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
  DWORD read = 0;
  if (!::ReadFile(m_handle, buffer, static_cast<DWORD>(count), &read, nullptr)) {
    Fail(static_cast<int>(::GetLastError()), false);
  }
  return read;
}

std::int64_t CFile::Seek(std::int64_t offset, SeekFrom from) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER at;
  if (!::SetFilePointerEx(m_handle, distance, &at,
                          from == SeekFrom::kCurrent ? FILE_CURRENT : FILE_END)) {
    Fail(static_cast<int>(::GetLastError()), false);
  }
  return at.QuadPart;
}

void CFile::Write(const void* buffer, std::size_t count) {
  DWORD written = 0;
  if (!::WriteFile(m_handle, buffer, static_cast<DWORD>(count), &written, nullptr)) {
    Fail(static_cast<int>(::GetLastError()), true);
  }
  if (written < count) Fail(ERROR_DISK_FULL, true);
  if (!::FlushFileBuffers(m_handle)) Fail(static_cast<int>(::GetLastError()), true);
}

void CFile::Close() {
  if (m_handle == nullptr) return;
  HANDLE handle = m_handle;
  m_handle = nullptr;
  if (!::CloseHandle(handle)) Fail(static_cast<int>(::GetLastError()), false);
}

bool CFile::Remove(const std::string& path) noexcept {
  return ::DeleteFileA(path.c_str()) != 0;
}
