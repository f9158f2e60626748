#pragma once

#include <exception>
#include <string>

#include "platform/message_box.h"

class CDialog;

// Where a failure surfaced: in a data exchange, or anywhere else inside a handler.
enum class FailurePlace { kExchange, kHandler };

struct FailureReport {
  std::string text;
  BoxIcon icon;
};

// What the user is told about `failure`: a file error by its cause, running out of memory,
// the text a UserFacingError brings (at most 511 characters), or an internal error for
// anything that brings no text of its own.
FailureReport DescribeFailure(std::exception_ptr failure, FailurePlace place);

// Shows DescribeFailure's box over `owner`, captioned with the program's name.
void ReportFailure(CDialog* owner, std::exception_ptr failure, FailurePlace place);
