#pragma once

#include <deque>
#include <memory>
#include <mutex>

#include "platform/Export.h"
#include "platform/WinTypes.h"

// A queued message, as Windows lays it out.
struct MSG {
  HWND hwnd;      // target window; null for a message to the thread itself
  UINT message;   // message number
  WPARAM wParam;  // first argument
  LPARAM lParam;  // second argument
};

// Message numbers and PeekMessage removal flags, with Windows' values.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_USER = 0x0400;
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// One thread's queue of posted messages, oldest first. Posting may come from
// any thread; peeking is done by the owning thread.
class SORREL_EXPORT MessageQueue {
 public:
  // The calling thread's queue, made on first use; it lives as long as the
  // thread or a window created on it holds it.
  static std::shared_ptr<MessageQueue> ForCurrentThread();

  void Post(const MSG& msg);
  // The oldest message for `window` (any when null) whose number lies in
  // [first, last] (any when both are 0) into *msg, removed when asked;
  // false when there is none, with *msg untouched.
  bool Peek(MSG* msg, HWND window, UINT first, UINT last, bool remove);
  // Drops every message queued for `window`.
  void DiscardFor(HWND window);

 private:
  std::mutex mutex_;
  std::deque<MSG> messages_;
};

// Queues a message for `window` on the queue of the thread that created it,
// or for the calling thread itself when `window` is null. Returns 1, or 0 for
// the Z-order stand-ins CWnd::wndTop and CWnd::wndBottom.
SORREL_EXPORT BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Takes the calling thread's oldest matching message (see MessageQueue::Peek);
// removeFlags PM_REMOVE removes it. Returns 0 when the queue holds none.
SORREL_EXPORT BOOL PeekMessage(MSG* msg, HWND window, UINT first, UINT last, UINT removeFlags);

// Hands the message to its window's WindowProc and returns its answer;
// a message without a window is dropped and answers 0.
SORREL_EXPORT LRESULT DispatchMessage(const MSG* msg);
