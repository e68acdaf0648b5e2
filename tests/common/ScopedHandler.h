#pragma once

#include <utility>

// Installs a process-wide replaceable handler (message box, wait cursor,
// shell open, diagnostic sink) for one scope and puts the previous one back when the scope
// ends, also when a test assertion returns early. `Set` is the handler's
// installer, which answers the handler it replaced, e.g.
//   ScopedHandler guard(SetMessageBoxHandler, [&](const char*, unsigned) { ... });
template <typename Handler>
class ScopedHandler {
 public:
  using Installer = Handler (*)(Handler);

  template <typename Callable>
  ScopedHandler(Installer install, Callable&& handler)
      : install_(install), previous_(install(Handler(std::forward<Callable>(handler)))) {}
  ~ScopedHandler() { install_(std::move(previous_)); }
  ScopedHandler(const ScopedHandler&) = delete;
  ScopedHandler& operator=(const ScopedHandler&) = delete;

 private:
  Installer install_;
  Handler previous_;
};

template <typename Handler, typename Callable>
ScopedHandler(Handler (*)(Handler), Callable&&) -> ScopedHandler<Handler>;
