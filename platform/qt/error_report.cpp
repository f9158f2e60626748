#include "platform/error_report.h"

#include <new>

#include "platform/desktop.h"
#include "platform/file_exception.h"
#include "platform/user_facing_error.h"

namespace {

constexpr std::size_t kMaxFailureText = 511;

}  // namespace

FailureReport DescribeFailure(std::exception_ptr failure, FailurePlace place) {
  const BoxIcon otherIcon =
      place == FailurePlace::kExchange ? BoxIcon::kExclamation : BoxIcon::kStop;
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const CFileException& error) {
    return {error.Message(),
            place == FailurePlace::kExchange ? BoxIcon::kExclamation : BoxIcon::kStop};
  } catch (const std::bad_alloc&) {
    return {"Out of memory.", BoxIcon::kExclamation};
  } catch (const UserFacingError& error) {
    const std::string text = std::string(error.what()).substr(0, kMaxFailureText);
    if (!text.empty()) return {text, otherIcon};
  } catch (...) {
  }
  return {"Internal application error.", otherIcon};
}

void ReportFailure(CDialog* owner, std::exception_ptr failure, FailurePlace place) {
  FailureReport report;
  try {
    report = DescribeFailure(failure, place);
  } catch (...) {
    report = {"Out of memory.", BoxIcon::kExclamation};
  }
  ShowMessageBox(owner, report.text, ProgramName(), BoxButtons::kOk, report.icon);
}
