#include "maintenance/software/software_scan_worker.h"

#include <objbase.h>

#include <stdexcept>
#include <utility>

#include <nlohmann/json.hpp>

#include "maintenance/software/software_scan_texts.h"
#include "maintenance/software/software_service.h"

namespace nubo {
namespace {

using Json = nlohmann::json;

constexpr std::string_view kScanType = "software.scan";
constexpr std::string_view kRefreshType = "software.refresh";

std::string Serialize(const std::string& type, Json payload) {
  const Json message{{"type", type}, {"payload", std::move(payload)}};
  return message.dump(-1, ' ', false, Json::error_handler_t::strict);
}

// Never throws: an exception's text that is not UTF-8 is mended, and a reply
// that cannot be built at all is empty, so nothing is posted.
std::string ErrorReply(const std::string& type, const std::string& requestId, std::string_view message) noexcept {
  try {
    const Json reply{{"type", type + ".error"},
                     {"payload", {{"requestId", requestId}, {"message", std::string(message)}}}};
    return reply.dump(-1, ' ', false, Json::error_handler_t::replace);
  } catch (...) {
    return {};
  }
}

SoftwareCleanupPlan ServiceScan(SoftwareService& service, const SoftwareScanJob& job,
                                const std::function<bool()>& stale) {
  if (!job.token.empty()) return service.RefreshResiduals(job.token);
  return service.ScanResiduals(job.softwareId, job.displayName, stale);
}

}  // namespace

SoftwareScanWorker::SoftwareScanWorker(SoftwareService& service, SoftwareScanOutlet outlet, SoftwareScanCall scan)
    : service_(service), outlet_(std::move(outlet)), scan_(std::move(scan)) {
  if (!scan_) {
    scan_ = [this](const SoftwareScanJob& job, const std::function<bool()>& stale) {
      return ServiceScan(service_, job, stale);
    };
  }
}

SoftwareScanWorker::~SoftwareScanWorker() {
  ++requestGeneration_;
  if (worker_.joinable()) {
    service_.CancelScan();
    worker_.join();
  }
}

void SoftwareScanWorker::Start(HWND requester, const std::string& requestId, const std::string& softwareId,
                               const std::string& displayName, const std::string& token) {
  Deliver();
  if (running_) throw std::runtime_error(std::string(software_scan_texts::kCancelRunningScanFirst));
  if (worker_.joinable()) worker_.join();
  const uint64_t generation = ++requestGeneration_;
  std::string type(token.empty() ? kScanType : kRefreshType);
  requester_ = requester;
  pendingRequestId_ = requestId;
  pendingType_ = type;
  running_ = true;
  try {
    worker_ = std::thread(&SoftwareScanWorker::Run, this, SoftwareScanJob{requestId, softwareId, displayName, token},
                          std::move(type), generation);
  } catch (...) {
    running_ = false;
    pendingRequestId_.clear();
    throw;
  }
}

void SoftwareScanWorker::Run(SoftwareScanJob job, std::string type, uint64_t generation) {
  // The leftover scan resolves shortcuts through COM.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::string reply;
  try {
    reply = ResultReply(job, type, generation, SUCCEEDED(com));
  } catch (const std::exception& failure) {
    reply = ErrorReply(type, job.requestId, failure.what());
  } catch (...) {
    reply = ErrorReply(type, job.requestId, software_scan_texts::kScanUnfinished);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  {
    std::lock_guard lock(replyMutex_);
    if (IsCurrent(generation)) pendingReply_ = std::move(reply);
  }
  running_ = false;
}

std::string SoftwareScanWorker::ResultReply(const SoftwareScanJob& job, const std::string& type,
                                            uint64_t generation, bool comReady) {
  using namespace software_scan_texts;
  if (!comReady) throw std::runtime_error(std::string(kShortcutServiceUnavailable));
  if (!IsCurrent(generation)) throw std::runtime_error(std::string(kScanCancelled));
  const SoftwareCleanupPlan plan = scan_(job, [this, generation] { return !IsCurrent(generation); });
  if (!IsCurrent(generation)) throw std::runtime_error(std::string(kScanCancelled));
  return Serialize(type + ".result", Json{{"requestId", job.requestId}, {"plan", SoftwareCleanupPlanToJson(plan)}});
}

void SoftwareScanWorker::Deliver() {
  if (running_) return;
  if (worker_.joinable()) worker_.join();
  std::string reply;
  {
    std::lock_guard lock(replyMutex_);
    reply.swap(pendingReply_);
  }
  pendingRequestId_.clear();
  if (reply.empty()) return;
  const HWND workbench = outlet_.workbench();
  if (workbench != nullptr && workbench == requester_ && IsWindowVisible(requester_)) outlet_.post(reply);
}

void SoftwareScanWorker::Cancel(bool join) {
  ++requestGeneration_;
  service_.CancelScan();
  if (!pendingRequestId_.empty()) {
    const HWND workbench = outlet_.workbench();
    if (workbench != nullptr && workbench == requester_) {
      const std::string reply = ErrorReply(pendingType_, pendingRequestId_, software_scan_texts::kScanCancelled);
      if (!reply.empty()) outlet_.post(reply);
    }
  }
  pendingRequestId_.clear();
  {
    std::lock_guard lock(replyMutex_);
    pendingReply_.clear();
  }
  // Running stays set: the worker clears it when it leaves.
  if (join && worker_.joinable()) worker_.join();
}

}  // namespace nubo
