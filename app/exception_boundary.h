#pragma once
// The one place where an error that escapes an event handler ends up: its
// message goes to the log, nothing is shown, and the program goes on.

#include <exception>
#include <utility>

#include "app/log.h"

template <typename Result, typename Handler>
Result GuardHandler(Result fallback, Handler&& handler) noexcept {
  try {
    return std::forward<Handler>(handler)();
  } catch (const std::exception& e) {
    WriteLog(e.what());
  } catch (...) {
    WriteLog("Unknown error");
  }
  return fallback;
}
