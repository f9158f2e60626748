#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

class CDialog;

// What the platform does for RunWithoutFreezing; `work` must not throw past its own end
// unless the exception is to reach the caller.
void RunWorkWithoutFreezing(CDialog* waiting, const std::function<void()>& work);

// Runs `work` (a blocking request, say) on a worker thread while the dialog `waiting` (the
// active window when nullptr) keeps painting and shows the busy cursor. Input the user gives
// meanwhile is held back and handled once the work is done, as if the thread had been
// blocked; no other handler runs while it waits. Returns what `work` returns, or rethrows
// what it threw, so a handler reads as one sequential call.
template <class Work>
auto RunWithoutFreezing(CDialog* waiting, Work&& work) -> std::invoke_result_t<Work&> {
  using Result = std::invoke_result_t<Work&>;
  if constexpr (std::is_void_v<Result>) {
    RunWorkWithoutFreezing(waiting, std::function<void()>(std::ref(work)));
  } else {
    std::optional<Result> result;
    RunWorkWithoutFreezing(waiting, [&] { result.emplace(work()); });
    return std::move(*result);
  }
}
