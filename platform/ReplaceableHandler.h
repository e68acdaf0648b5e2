#pragma once

#include <mutex>
#include <utility>

// One process-wide, replaceable handler (message boxes, the wait cursor, the
// shell's open). Replacing and reading it are safe from any thread; a caller
// runs its own copy, so a handler replaced meanwhile finishes undisturbed.
template <typename Handler>
class ReplaceableHandler {
 public:
  // Installs `handler` and returns the one it replaced.
  Handler Replace(Handler handler) {
    std::lock_guard lock(mutex_);
    return std::exchange(handler_, std::move(handler));
  }
  // A copy of the current handler (empty for the default).
  Handler Current() const {
    std::lock_guard lock(mutex_);
    return handler_;
  }

 private:
  mutable std::mutex mutex_;  // guards handler_
  Handler handler_;           // empty until a client installs one
};
