#include "platform/MessageQueue.h"

#include <algorithm>

#include "platform/CWnd.h"

std::shared_ptr<MessageQueue> MessageQueue::ForCurrentThread() {
  thread_local std::shared_ptr<MessageQueue> queue = std::make_shared<MessageQueue>();
  return queue;
}

void MessageQueue::Post(const MSG& msg) {
  std::lock_guard lock(mutex_);
  messages_.push_back(msg);
}

bool MessageQueue::Peek(MSG* msg, HWND window, UINT first, UINT last, bool remove) {
  const bool anyNumber = first == 0 && last == 0;
  std::lock_guard lock(mutex_);
  auto match = std::find_if(messages_.begin(), messages_.end(), [&](const MSG& queued) {
    if (window && queued.hwnd != window) return false;
    return anyNumber || (queued.message >= first && queued.message <= last);
  });
  if (match == messages_.end()) return false;
  if (msg) *msg = *match;
  if (remove) messages_.erase(match);
  return true;
}

void MessageQueue::DiscardFor(HWND window) {
  std::lock_guard lock(mutex_);
  std::erase_if(messages_, [window](const MSG& queued) { return queued.hwnd == window; });
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const std::shared_ptr<MessageQueue> queue =
      window ? window->GetQueue() : MessageQueue::ForCurrentThread();
  if (!queue) return 0;  // the Z-order stand-ins receive nothing
  queue->Post(MSG{window, message, wParam, lParam});
  return 1;
}

BOOL PeekMessage(MSG* msg, HWND window, UINT first, UINT last, UINT removeFlags) {
  return MessageQueue::ForCurrentThread()->Peek(msg, window, first, last,
                                                (removeFlags & PM_REMOVE) != 0)
             ? 1
             : 0;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  return msg->hwnd->WindowProc(msg->message, msg->wParam, msg->lParam);
}
