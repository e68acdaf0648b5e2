#pragma once

#include <memory>
#include <vector>

#include "platform/Export.h"
#include "platform/WinTypes.h"

class MessageQueue;

// SetWindowPos flags, with Windows' values.
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;

// Mouse messages, with Windows' numbers.
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;

// A window of the in-memory window system: a place in the process-wide Z
// order, a position and size, and a message handler. A window enters the Z
// order at the top when constructed and leaves it when destroyed; messages
// still queued for it are discarded then. It receives the messages posted to
// it through the queue of the thread that created it.
class SORREL_EXPORT CWnd {
 public:
  CWnd();
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // Stand-ins for a window to place another one after: the top and the
  // bottom of the Z order. They are not windows themselves.
  static const CWnd wndTop;
  static const CWnd wndBottom;

  // Places the window below `insertAfter` (or at the top or bottom for the
  // stand-ins), moves it to (x, y) and resizes it to cx by cy; the flags
  // SWP_NOZORDER, SWP_NOMOVE and SWP_NOSIZE keep the matching property.
  // Returns 0 when `insertAfter` is not a live window or a stand-in.
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
  void GetWindowRect(RECT* rect) const;

  // Queues a message for this window; returns 1.
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // Hands the message to WindowProc at once, on the calling thread, and
  // returns its answer.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // Enables or disables the window; returns nonzero when it was disabled before.
  BOOL EnableWindow(BOOL enable = 1);
  BOOL IsWindowEnabled() const { return enabled_ ? 1 : 0; }

  // Handles one dispatched or sent message; the default ignores it and returns 0.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // The queue of the thread that created the window; shared with it.
  const std::shared_ptr<MessageQueue>& GetQueue() const { return queue_; }

  // The live windows from the top of the Z order to the bottom; the pointers
  // belong to their owners.
  static std::vector<CWnd*> GetZOrder();

 private:
  struct StandIn {};
  explicit CWnd(StandIn);

  RECT rect_{};                          // position and size on the screen
  bool enabled_ = true;                  // accepts input
  std::shared_ptr<MessageQueue> queue_;  // creating thread's queue; null for stand-ins
};
