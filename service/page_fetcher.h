#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "platform/user_facing_error.h"
#include "service/body_reader.h"

struct Page {
  std::string text;     // body without CRs and markup, or "Error"
  bool failed = false;  // the request failed: text is "Error"
  int status = 0;       // HTTP status, 0 when no reply arrived
  std::string reason;   // why the request failed, in the client's words; empty on success
};

// How long a fetch may wait and how much it takes. The defaults are what the program uses;
// tests pass shorter ones.
struct FetchLimits {
  std::chrono::milliseconds connectTimeout{15000};
  std::chrono::milliseconds idleTimeout{30000};  // no byte for this long fails the fetch
  std::size_t maxBodyBytes = std::size_t{1} << 20;
};

// The HTTP client could not be set up at all; carries the client's own text. Network failures
// never throw: they come back as a failed Page.
class HttpClientError : public UserFacingError {
 public:
  using UserFacingError::UserFacingError;
};

// One blocking HTTP/1.0 GET of an http:// URL. Returns the body with every CR and every markup
// span removed, or a failed page with the text "Error" (and a line on standard error) when the
// URL is unusable, the request fails, the status is not 2xx, the body is too large or the
// server goes quiet. Throws HttpClientError when no client can be made.
Page FetchPage(std::string url, char (&piece)[kPieceBufferSize]);
Page FetchPage(std::string url, char (&piece)[kPieceBufferSize], const FetchLimits& limits);
