#include "store/account_store.h"

#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/file.h"
#include "tests/support/held_file.h"
#include "tests/support/name_list.h"
#include "tests/support/temp_dir.h"

namespace {

using Names = std::vector<std::string>;
using namespace std::string_literals;

class AccountStoreTest : public testing::Test {
 protected:
  std::string Loaded(const std::string& fileBytes) {
    WriteBytes(m_path, fileBytes);
    m_store.Load(m_table, m_list);
    return ReadBytes(m_path);
  }

  TempDir m_dir;
  std::string m_path = m_dir.File("vxconfig.qdz");
  AccountStore m_store{m_path};
  AccountTable m_table;
  NameList m_list;
};

struct RoundTrip {
  const char* what;
  AccountRecord record;
  bool savePassword;
  std::string stored;    // the exact line in the file
  AccountRecord loaded;  // what the next start reads back
};

TEST_F(AccountStoreTest, AppendWritesTheLineAndLoadReadsItBack) {
  const RoundTrip cases[] = {
      {"plain",
       {"Bob", "bob@example.org", "abc"},
       true,
       "Bob,bob@example.org,klm\r\n",
       {"Bob", "bob@example.org", "abc"}},
      {"password not saved", {"Bob", "b@x", "abc"}, false, "Bob,b@x,\r\n", {"Bob", "b@x", ""}},
      {"empty password", {"Bob", "b@x", ""}, true, "Bob,b@x,\r\n", {"Bob", "b@x", ""}},
      {"top bytes stored as 0x00 to 0x09",
       {"N", "n@x", "\xF6z\xFF"},
       true,
       "N,n@x,\x00\x84\x09\r\n"s,
       {"N", "n@x", "\xF6z\xFF"}},
      {"comma and quote", {"Q", "q@x", "a,b\"c"}, true, "Q,q@x,k6l,m\r\n", {"Q", "q@x", "a,b\"c"}},
      {"byte stored as CR at the end",
       {"C", "c@x", "x\x03"},
       true,
       "C,c@x,\x82\r\r\n",
       {"C", "c@x", "x\x03"}},
      {"empty name listed under the e-mail",
       {"", "e@x", "p"},
       true,
       ",e@x,z\r\n",
       {"e@x", "e@x", "p"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(m_path);
    m_store.Append(c.record, c.savePassword);
    EXPECT_EQ(ReadBytes(m_path), c.stored);

    AccountTable table;
    NameList list;
    m_store.Load(table, list);
    EXPECT_EQ(table.At(0).name, c.loaded.name);
    EXPECT_EQ(table.At(0).email, c.loaded.email);
    EXPECT_EQ(table.At(0).password, c.loaded.password);
    EXPECT_EQ(table.FirstFree(), 1);
    EXPECT_EQ(list.names, Names{c.loaded.name});
  }
}

TEST_F(AccountStoreTest, AppendAddsToTheEndAndKeepsDuplicates) {
  WriteBytes(m_path, "A,a@x,\r\n");
  m_store.Append({"B", "b@x", "abc"}, true);
  m_store.Append({"B", "b@x", "abc"}, true);
  EXPECT_EQ(ReadBytes(m_path), "A,a@x,\r\nB,b@x,klm\r\nB,b@x,klm\r\n");
}

TEST_F(AccountStoreTest, AppendRefusesRecordsThatWouldNotReadBack) {
  const AccountRecord refused[] = {
      {"a,b", "e@x", "p"}, {"n", "e\n@x", "p"}, {"n", "e,@x", "p"}, {"n", "e@x", "p\0q"s}};
  for (const auto& r : refused) {
    EXPECT_THROW(m_store.Append(r, true), std::invalid_argument) << r.name << "|" << r.email;
  }
  EXPECT_FALSE(std::filesystem::exists(m_path));
}

TEST_F(AccountStoreTest, AppendRefusesARecordWithNeitherNameNorEmail) {
  // Its line would read back as no account at all.
  EXPECT_THROW(m_store.Append({"", "", "p"}, true), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(m_path));
}

struct LoadCase {
  const char* what;
  std::string file;
  std::vector<AccountRecord> records;
};

TEST_F(AccountStoreTest, LoadReadsWhateverTheFileHolds) {
  const std::string longName(4990, 'N');
  const LoadCase cases[] = {
      {"empty file", "", {}},
      {"lines without CR", "A,a@x,klm\nB,b@x,\n", {{"A", "a@x", "abc"}, {"B", "b@x", ""}}},
      {"no final line end", "A,a@x,klm", {{"A", "a@x", "abc"}}},
      {"blank lines skipped", "\r\n\nA,a@x,klm\r\n\r\n", {{"A", "a@x", "abc"}}},
      {"line of 5000 bytes",
       longName + ",e@x,klm\r\nB,b@x,\r\n",
       {{longName, "e@x", "abc"}, {"B", "b@x", ""}}},
      {"fields stay within their line",
       "lonely\r\nA,a@x\r\nB,b@x,klm\r\n",
       {{"lonely", "", ""}, {"A", "a@x", ""}, {"B", "b@x", "abc"}}},
      {"line with neither name nor e-mail", ",,klm\r\nA,a@x,\r\n", {{"A", "a@x", ""}}},
      {"lone CR inside the password",
       "A,a@x,k\rm\r\n",
       {{"A", "a@x",
         "a\x03"
         "c"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AccountTable table;
    NameList list;
    WriteBytes(m_path, c.file);
    m_store.Load(table, list);
    ASSERT_EQ(table.FirstFree(), static_cast<int>(c.records.size()));
    ASSERT_EQ(list.names.size(), c.records.size());
    for (std::size_t i = 0; i < c.records.size(); ++i) {
      EXPECT_EQ(table.At(static_cast<int>(i)).name, c.records[i].name) << i;
      EXPECT_EQ(table.At(static_cast<int>(i)).email, c.records[i].email) << i;
      EXPECT_EQ(table.At(static_cast<int>(i)).password, c.records[i].password) << i;
      EXPECT_EQ(list.names[i], c.records[i].name) << i;
    }
    EXPECT_EQ(ReadBytes(m_path), c.file);  // loading never changes the file
  }
}

TEST_F(AccountStoreTest, LoadTakesTheFirstThousandAndLeavesTheRest) {
  for (int lines : {kMaxAccounts + 1, 1500}) {
    SCOPED_TRACE(lines);
    std::string file;
    for (int i = 0; i < lines; ++i) file += "n" + std::to_string(i) + ",e@x,klm\r\n";
    AccountTable table;
    NameList list;
    WriteBytes(m_path, file);
    testing::internal::CaptureStderr();
    m_store.Load(table, list);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(list.names.size(), static_cast<std::size_t>(kMaxAccounts));
    EXPECT_EQ(table.At(kMaxAccounts - 1).name, "n999");
    EXPECT_NE(err.find("only the first 1000"), std::string::npos) << err;
    EXPECT_EQ(ReadBytes(m_path), file);
  }
}

TEST_F(AccountStoreTest, LoadWithoutFileCreatesItOwnerOnly) {
  m_store.Load(m_table, m_list);
  EXPECT_TRUE(m_list.names.empty());
  EXPECT_EQ(m_table.FirstFree(), 0);
  ASSERT_TRUE(std::filesystem::exists(m_path));
  EXPECT_EQ(std::filesystem::file_size(m_path), 0u);
#ifndef _WIN32  // Windows files carry no mode bits
  struct stat info {};
  ASSERT_EQ(::stat(m_path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
}

TEST_F(AccountStoreTest, FileHeldByAnotherCopyFailsLoadAndAppend) {
  WriteBytes(m_path, "A,a@x,klm\r\n");
  HeldFile holder(m_path);
  for (int operation = 0; operation < 2; ++operation) {
    try {
      if (operation == 0) {
        m_store.Load(m_table, m_list);
      } else {
        m_store.Append({"B", "b@x", "p"}, true);
      }
      ADD_FAILURE() << "operation " << operation << " got into a held file";
    } catch (const CFileException& e) {
      EXPECT_EQ(e.Cause(), FileErrorCause::kSharingViolation);
      EXPECT_EQ(e.FileName(), m_path);
    }
  }
  EXPECT_TRUE(m_list.names.empty());
  EXPECT_TRUE(holder.Release());
  EXPECT_EQ(ReadBytes(m_path), "A,a@x,klm\r\n");
}

TEST_F(AccountStoreTest, FileHeldForAMomentIsWaitedFor) {
  WriteBytes(m_path, "A,a@x,klm\r\n");
  for (int operation = 0; operation < 2; ++operation) {
    SCOPED_TRACE(operation);
    HeldFile holder(m_path);
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      holder.Release();
    });
    try {
      if (operation == 0) {
        m_store.Load(m_table, m_list);
      } else {
        m_store.Append({"B", "b@x", "abc"}, true);
      }
    } catch (const CFileException& e) {
      ADD_FAILURE() << e.Message();
    }
    release.join();
  }
  EXPECT_EQ(m_list.names, Names{"A"});
  EXPECT_EQ(ReadBytes(m_path), "A,a@x,klm\r\nB,b@x,klm\r\n");
}

// Four copies of the program append at once; each waits its turn for the file. The copies are
// forked processes, which Windows does not have.
#ifndef _WIN32
TEST_F(AccountStoreTest, FourWritersAtOnceAllGetTheirLinesIn) {
  constexpr int kWriters = 4, kEach = 200;
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(start[1]);
      char go = 0;
      if (::read(start[0], &go, 1) != 0) ::_exit(3);  // all start when the pipe closes
      try {
        for (int i = 0; i < kEach; ++i) {
          m_store.Append({"w" + std::to_string(w) + "-" + std::to_string(i), "e@x", "abc"}, true);
        }
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    writers.push_back(pid);
  }
  ::close(start[0]);
  ::close(start[1]);

  // Bounded: a writer still running after 60 s is stopped and counts as failed.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (const pid_t pid : writers) {
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(done == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << pid;
  }

  const std::string file = ReadBytes(m_path);
  int next[kWriters] = {};
  int lines = 0;
  for (std::size_t at = 0; at < file.size();) {
    const std::size_t end = file.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "torn line at " << at;
    const std::string line = file.substr(at, end - at);
    const int w = line.size() > 1 ? line[1] - '0' : -1;
    ASSERT_TRUE(line.size() > 1 && line[0] == 'w' && w >= 0 && w < kWriters) << line;
    EXPECT_EQ(line, "w" + std::to_string(w) + "-" + std::to_string(next[w]) + ",e@x,klm");
    ++next[w];
    ++lines;
    at = end + 2;
  }
  EXPECT_EQ(lines, kWriters * kEach);
  for (int w = 0; w < kWriters; ++w) EXPECT_EQ(next[w], kEach) << "writer " << w;
}
#endif

TEST_F(AccountStoreTest, FolderWhereTheFileCannotBeCreated) {
#ifdef _WIN32  // Windows tells a missing folder as a bad path
  const std::string path = m_dir.File("missing\\vxconfig.qdz");
  const std::string message = path + " contains an invalid path.";
#else
  const std::string path = m_dir.File("missing/vxconfig.qdz");
  const std::string message = path + " was not found.";
#endif
  const AccountStore store(path);
  try {
    store.Load(m_table, m_list);
    ADD_FAILURE() << "Load created a file in a missing folder";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.Message(), message);
  }
  EXPECT_THROW(store.Append({"B", "b@x", "p"}, true), CFileException);
}

TEST_F(AccountStoreTest, EraseDeletesTheFileOnce) {
  WriteBytes(m_path, "A,a@x,\r\n");
  EXPECT_TRUE(m_store.Erase());
  EXPECT_FALSE(std::filesystem::exists(m_path));
  EXPECT_FALSE(m_store.Erase());
}

#ifdef _WIN32
TEST(DefaultStorePathTest, IsTheFileAtTheRootOfDriveC) {
  EXPECT_EQ(DefaultStorePath(), "c:\\vxconfig.qdz");
}
#else
// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (m_old) {
      ::setenv(m_name, m_old->c_str(), 1);
    } else {
      ::unsetenv(m_name);
    }
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

TEST(DefaultStorePathTest, FollowsXdgConfigHomeAndCreatesTheFolder) {
  TempDir dir;
  const std::string xdg = dir.File("config");
  ScopedEnv env("XDG_CONFIG_HOME", xdg.c_str());
  EXPECT_EQ(DefaultStorePath(), xdg + "/vexmora/vxconfig.qdz");
  struct stat info {};
  ASSERT_EQ(::stat((xdg + "/vexmora").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(DefaultStorePathTest, FallsBackToHomeConfig) {
  TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  ScopedEnv home("HOME", dir.Path().c_str());
  EXPECT_EQ(DefaultStorePath(), dir.File(".config/vexmora/vxconfig.qdz"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File(".config/vexmora")));
}

#endif

}  // namespace
