#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace nubo {

// The background residual scan of the software manager: one worker thread at
// a time, a generation that a cancel moves on (a worker of an older
// generation keeps its result to itself), and the reply of a finished scan,
// kept until the main thread delivers it.
class SoftwareScanWorker {
 public:
  SoftwareScanWorker() = default;
  ~SoftwareScanWorker();
  SoftwareScanWorker(const SoftwareScanWorker&) = delete;
  SoftwareScanWorker& operator=(const SoftwareScanWorker&) = delete;

  // Moves the generation on; with wait, also joins a running worker.
  void Cancel(bool wait);

 private:
  std::thread worker_;
  std::atomic<uint64_t> generation_{0};
  std::mutex mutex_;
  std::string pendingReply_;
  std::string pendingRequestId_;
  std::string pendingRequestType_;
  HWND dashboard_ = nullptr;
};

}  // namespace nubo
