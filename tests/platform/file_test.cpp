#include "platform/file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/held_file.h"
#include "tests/support/temp_dir.h"

namespace {

struct TextCase {
  FileErrorCause cause;
  std::string name;
  std::string text;
};

TEST(FileErrorTextTest, WordsEachCause) {
  const TextCase cases[] = {
      {FileErrorCause::kNone, "", "No error occurred."},
      {FileErrorCause::kGeneric, "/x/f", "An unknown error occurred while accessing /x/f."},
      {FileErrorCause::kFileNotFound, "", "an unnamed file was not found."},
      {FileErrorCause::kFileNotFound, "/x/f", "/x/f was not found."},
      {FileErrorCause::kBadPath, "/x/f", "/x/f contains an invalid path."},
      {FileErrorCause::kTooManyOpenFiles, "/x/f",
       "/x/f could not be opened because there are too many open files."},
      {FileErrorCause::kAccessDenied, "/x/f", "Access to /x/f was denied."},
      {FileErrorCause::kInvalidFile, "",
       "An invalid file handle was associated with an unnamed file."},
      {FileErrorCause::kRemoveCurrentDir, "/x",
       "/x could not be removed because it is the current directory."},
      {FileErrorCause::kDirectoryFull, "/x/f",
       "/x/f could not be created because the directory is full."},
      {FileErrorCause::kBadSeek, "", "Seek failed on an unnamed file"},
      {FileErrorCause::kHardIO, "/x/f", "A hardware I/O error was reported while accessing /x/f."},
      {FileErrorCause::kSharingViolation, "/x/f",
       "A sharing violation occurred while accessing /x/f."},
      {FileErrorCause::kLockViolation, "/x/f",
       "A locking violation occurred while accessing /x/f."},
      {FileErrorCause::kDiskFull, "/x/f", "Disk full while accessing /x/f."},
      {FileErrorCause::kEndOfFile, "",
       "An attempt was made to access an unnamed file past its end."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileErrorText(c.cause, c.name), c.text);
    EXPECT_EQ(CFileException(c.cause, 0, c.name).Message(), c.text);
  }
}

TEST(FileErrorTextTest, MapsOsErrorsToCauses) {
  const std::pair<int, FileErrorCause> cases[] = {
#ifdef _WIN32
      {ERROR_FILE_NOT_FOUND, FileErrorCause::kFileNotFound},
      {ERROR_PATH_NOT_FOUND, FileErrorCause::kBadPath},
      {ERROR_TOO_MANY_OPEN_FILES, FileErrorCause::kTooManyOpenFiles},
      {ERROR_ACCESS_DENIED, FileErrorCause::kAccessDenied},
      {ERROR_SHARING_VIOLATION, FileErrorCause::kSharingViolation},
      {ERROR_LOCK_VIOLATION, FileErrorCause::kLockViolation},
      {ERROR_DISK_FULL, FileErrorCause::kDiskFull},
      {ERROR_NEGATIVE_SEEK, FileErrorCause::kBadSeek},
      {ERROR_NOT_SAME_DEVICE, FileErrorCause::kGeneric},
#else
      {ENOENT, FileErrorCause::kFileNotFound},
      {ENOTDIR, FileErrorCause::kBadPath},
      {EMFILE, FileErrorCause::kTooManyOpenFiles},
      {EACCES, FileErrorCause::kAccessDenied},
      {EWOULDBLOCK, FileErrorCause::kSharingViolation},
      {ENOSPC, FileErrorCause::kDiskFull},
      {EIO, FileErrorCause::kHardIO},
      {EXDEV, FileErrorCause::kGeneric},
#endif
  };
  for (const auto& [error, cause] : cases) {
    EXPECT_EQ(CFileException::CauseFromOsError(error), cause) << "errno " << error;
  }
}

TEST(FileTest, CreatesMissingFileOwnerOnly) {
  TempDir dir;
  const std::string path = dir.File("new");
  CFile file;
  file.Open(path, CFile::Access::kReadWrite);
  file.Close();
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
#ifndef _WIN32  // Windows files carry no mode bits; the folder's access list applies
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
}

TEST(FileTest, NeverTruncatesAndWritesAtTheEnd) {
  TempDir dir;
  const std::string path = dir.File("f");
  WriteBytes(path, "abc");
  CFile file;
  file.Open(path, CFile::Access::kWriteOnly);
  EXPECT_EQ(file.Seek(0, CFile::SeekFrom::kEnd), 3);
  file.Write("de", 2);
  file.Close();
  EXPECT_EQ(ReadBytes(path), "abcde");
}

TEST(FileTest, ReadsAndSeeksBackFromCurrentPosition) {
  TempDir dir;
  const std::string path = dir.File("f");
  WriteBytes(path, std::string("a\0\r\nb", 5));
  CFile file;
  file.Open(path, CFile::Access::kReadWrite);
  char buffer[8] = {};
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 5u);
  EXPECT_EQ(std::string(buffer, 5), std::string("a\0\r\nb", 5));
  EXPECT_EQ(file.Seek(-2, CFile::SeekFrom::kCurrent), 3);
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 2u);
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
}

TEST(FileTest, SecondHolderIsRefusedWithSharingViolation) {
  TempDir dir;
  const std::string path = dir.File("held");
  HeldFile holder(path);

  CFile second;
  try {
    second.Open(path, CFile::Access::kWriteOnly);
    ADD_FAILURE() << "a second holder was let in";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.Cause(), FileErrorCause::kSharingViolation);
    EXPECT_EQ(e.FileName(), path);
    EXPECT_EQ(e.Message(), "A sharing violation occurred while accessing " + path + ".");
  }
  EXPECT_FALSE(second.IsOpen());

  EXPECT_TRUE(holder.Release());
  second.Open(path, CFile::Access::kWriteOnly);  // the lock went with the holder
  EXPECT_TRUE(second.IsOpen());
}

TEST(FileTest, OpenFailuresNameTheFileAndTheirCause) {
  TempDir dir;
  WriteBytes(dir.File("plain"), "x");
  std::filesystem::create_directory(dir.File("folder"));
  const std::pair<std::string, FileErrorCause> cases[] = {
#ifdef _WIN32  // Windows tells a missing folder as a bad path
      {dir.File("missing\\f"), FileErrorCause::kBadPath},
      {dir.File("plain\\f"), FileErrorCause::kBadPath},
#else
      {dir.File("missing/f"), FileErrorCause::kFileNotFound},
      {dir.File("plain/f"), FileErrorCause::kBadPath},
#endif
      {dir.File("folder"), FileErrorCause::kAccessDenied},
  };
  for (const auto& [path, cause] : cases) {
    CFile file;
    try {
      file.Open(path, CFile::Access::kReadWrite);
      ADD_FAILURE() << path << " opened";
    } catch (const CFileException& e) {
      EXPECT_EQ(e.Cause(), cause) << path;
      EXPECT_EQ(e.FileName(), path);
    }
  }
}

// A full disk and a file size limit can be staged on Linux only (/dev/full, RLIMIT_FSIZE in a
// forked child).
#ifndef _WIN32
TEST(FileTest, WriteOnFullDiskIsDiskFullAndNamed) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
  CFile file;
  file.Open("/dev/full", CFile::Access::kWriteOnly);
  try {
    file.Write("abc", 3);
    ADD_FAILURE() << "the write succeeded";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.Message(), "Disk full while accessing /dev/full.");
  }
}

TEST(FileTest, ShortWriteIsDiskFullAndLeavesNoPartialRecord) {
  TempDir dir;
  const std::string path = dir.File("f");
  WriteBytes(path, "12345");
  // In a child, so the file size limit stays there: the write stores 5 of 20 bytes.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{10, 10};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
    CFile file;
    file.Open(path, CFile::Access::kWriteOnly);
    file.Seek(0, CFile::SeekFrom::kEnd);
    try {
      file.Write("abcdefghijklmnopqrst", 20);
    } catch (const CFileException& e) {
      ::_exit(e.Cause() == FileErrorCause::kDiskFull && e.FileName() == path ? 0 : 3);
    }
    ::_exit(4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no limit, 3: wrong error, 4: no error";
  EXPECT_EQ(ReadBytes(path), "12345");
}

#endif

TEST(FileTest, BadSeekIsUnnamed) {
  TempDir dir;
  CFile file;
  file.Open(dir.File("f"), CFile::Access::kReadWrite);
  try {
    file.Seek(-10, CFile::SeekFrom::kCurrent);
    ADD_FAILURE() << "seek before the start succeeded";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.Message(), "Seek failed on an unnamed file");
  }
}

TEST(FileTest, RemoveTellsWhetherTheFileWasDeleted) {
  TempDir dir;
  const std::string path = dir.File("f");
  WriteBytes(path, "x");
  EXPECT_TRUE(CFile::Remove(path));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(CFile::Remove(path));
}

}  // namespace
