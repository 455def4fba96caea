#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "maintenance/software/cleanup_plan.h"

namespace nubo {

class SoftwareService;

// One scan or refresh, as the worker thread's own copies.
struct SoftwareScanJob {
  std::string requestId;
  std::string softwareId;
  std::string displayName;
  std::string token;  // non-empty: a refresh of the plan with this token
};

// The scan or refresh itself; stale() turns true once the request is cancelled.
using SoftwareScanCall =
    std::function<SoftwareCleanupPlan(const SoftwareScanJob& job, const std::function<bool()>& stale)>;

// The windows the replies go to. Both are called on the main thread only.
struct SoftwareScanOutlet {
  // The workbench window, or null when there is none or the application is
  // shutting down.
  std::function<HWND()> workbench;
  // Posts a serialised message to the workbench window.
  std::function<void(const std::string& text)> post;
};

// The background residual scan of the software manager: one worker thread at
// a time, a generation that a cancel moves on (a worker of an older
// generation keeps its result to itself), and the reply of a finished scan,
// kept until the main thread delivers it. Every member but the thread body
// runs on the main thread.
class SoftwareScanWorker {
 public:
  // An empty scan runs the service's ScanResiduals or RefreshResiduals.
  SoftwareScanWorker(SoftwareService& service, SoftwareScanOutlet outlet, SoftwareScanCall scan = {});
  ~SoftwareScanWorker();
  SoftwareScanWorker(const SoftwareScanWorker&) = delete;
  SoftwareScanWorker& operator=(const SoftwareScanWorker&) = delete;

  // Starts a scan (empty token) or a refresh whose reply goes to requester
  // later, through Deliver. Throws std::runtime_error while one is running,
  // including a cancelled one that has not ended yet.
  void Start(HWND requester, const std::string& requestId, const std::string& softwareId,
             const std::string& displayName, const std::string& token);
  // Posts a finished scan's reply to the requester if it is still the
  // visible workbench; drops it otherwise.
  void Deliver();
  // Makes the running request and the locked plan stale and tells the
  // requester its request was cancelled; with join, also waits for the worker.
  void Cancel(bool join);
  // From a start until its worker has stored its reply.
  bool IsRunning() const { return running_; }

 private:
  void Run(SoftwareScanJob job, std::string type, uint64_t generation);
  std::string ResultReply(const SoftwareScanJob& job, const std::string& type, uint64_t generation,
                          bool comReady);
  bool IsCurrent(uint64_t generation) const { return requestGeneration_ == generation; }

  SoftwareService& service_;
  SoftwareScanOutlet outlet_;
  SoftwareScanCall scan_;

  std::thread worker_;
  std::atomic<bool> running_{false};
  std::atomic<uint64_t> requestGeneration_{0};
  std::mutex replyMutex_;
  std::string pendingReply_;  // under replyMutex_
  // Main thread only.
  std::string pendingRequestId_;
  std::string pendingType_;
  HWND requester_ = nullptr;
};

}  // namespace nubo
