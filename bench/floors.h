#pragma once

// The inputs of the figures and the bare operations they are measured against, shared by the
// ratio command and the Google Benchmark timings.
#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "store/account_table.h"

// A full account file of kMaxAccounts lines (44 kB).
inline std::string FullStoreFile() {
  std::string file;
  for (int i = 0; i < kMaxAccounts; ++i) {
    file +=
        "Account " + std::to_string(i) + ",someone" + std::to_string(i) + "@example.org,klmnop\r\n";
  }
  return file;
}

// Table rows of a log page, cut to `size` bytes.
inline std::string HtmlBody(std::size_t size) {
  std::string body;
  while (body.size() < size) body += "<tr><td class=\"x\">cell text</td></tr>\r\n";
  body.resize(size);
  return body;
}

inline std::string PlainText(std::size_t size) {
  std::string text;
  while (text.size() < size) text += "The quick brown fox jumps over the lazy dog. 0123456789\n";
  text.resize(size);
  return text;
}

// The floor of Load: open, read to the end, close.
inline void BareRead(const std::string& path, std::vector<char>& buffer) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) std::abort();
  while (::read(fd, buffer.data(), buffer.size()) > 0) {
  }
  ::close(fd);
}

// The floor of Append: open, write the line, sync, close.
inline void BareAppend(const std::string& path, const std::string& line) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0 || ::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
    std::abort();
  }
  ::fsync(fd);
  ::close(fd);
}

inline size_t DiscardBody(char*, size_t size, size_t count, void*) {
  return size * count;
}

// The floor of FetchPage: a bare libcurl easy GET of `url`, the body discarded.
inline void BareGet(const std::string& url) {
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DiscardBody);
  if (curl_easy_perform(curl) != CURLE_OK) std::abort();
  curl_easy_cleanup(curl);
}
