#include "windows/completion_queue.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace nubo {
namespace {

struct Pending {
  HWND window;
  std::function<void()> work;
};

std::mutex& QueueMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<LPARAM, Pending>& Queue() {
  static std::map<LPARAM, Pending> queue;
  return queue;
}

LPARAM NextTicket() {
  static LPARAM next = 0;
  return ++next;
}

}  // namespace

bool PostCompletion(HWND window, std::function<void()> work) {
  if (window == nullptr || !IsWindow(window)) return false;
  LPARAM ticket = 0;
  {
    std::lock_guard lock(QueueMutex());
    ticket = NextTicket();
    Queue().emplace(ticket, Pending{window, std::move(work)});
  }
  if (PostMessageW(window, kCompletionMessage, 0, ticket)) return true;
  Pending dropped;  // released outside the lock, as in DropCompletions
  {
    std::lock_guard lock(QueueMutex());
    dropped = std::move(Queue().at(ticket));
    Queue().erase(ticket);
  }
  return false;
}

void RunCompletion(HWND window, LPARAM ticket) {
  std::function<void()> work;
  {
    std::lock_guard lock(QueueMutex());
    auto it = Queue().find(ticket);
    if (it == Queue().end() || it->second.window != window) return;
    work = std::move(it->second.work);
    Queue().erase(it);
  }
  if (work) work();
}

// What a dropped completion holds is released outside the lock: releasing a
// browser object may queue or drop completions of its own.
void DropCompletions(HWND window) {
  std::vector<Pending> dropped;
  std::lock_guard lock(QueueMutex());
  for (auto it = Queue().begin(); it != Queue().end();) {
    if (it->second.window == window) {
      dropped.push_back(std::move(it->second));
      it = Queue().erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace nubo
