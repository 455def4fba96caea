#pragma once

#include <windows.h>

#include <functional>

namespace nubo {

// Delivers browser completions on the main thread through a window's message
// loop. A completion whose window is gone by then is dropped.
inline constexpr UINT kCompletionMessage = WM_APP + 43;

// Queues work for window; false (and the work dropped) when the window does
// not exist or the message cannot be posted.
bool PostCompletion(HWND window, std::function<void()> work);

// Called by the window procedure for kCompletionMessage.
void RunCompletion(HWND window, LPARAM ticket);

// Forgets every completion still queued for a window being destroyed.
void DropCompletions(HWND window);

}  // namespace nubo
