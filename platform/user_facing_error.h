#pragma once

#include <stdexcept>

// A failure that brings a text of its own for the user, such as the HTTP client's reason for
// not starting. The failure report shows that text instead of the generic one.
class UserFacingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
