#include "debuggers/mqtt/mqtt_service.h"

#include <utility>

#include "debuggers/mqtt/mqtt_requests.h"
#include "debuggers/mqtt/mqtt_service_impl.h"
#include "debuggers/mqtt/mqtt_texts.h"

namespace nubo {

using Json = nlohmann::json;

MqttService::MqttService() : MqttService(NetSystemResolver()) {}

MqttService::MqttService(const NetResolveSystem& resolver) : impl_(std::make_unique<Impl>(resolver)) {}

MqttService::~MqttService() = default;  // Impl's destructor stops the worker

void MqttService::HandleRequest(Json& result, std::string_view action, const Json& payload) {
  impl_->HandleRequest(result, action, payload);
}

void MqttService::Stop() { impl_->Stop(); }

MqttService::Impl::Impl(const NetResolveSystem& resolver)
    : resolver_(resolver), abortTest_([this] { return ShouldAbort(); }) {
  worker_ = std::thread(&Impl::ThreadMain, this);
}

MqttService::Impl::~Impl() { Stop(); }

void MqttService::Impl::HandleRequest(Json& result, std::string_view action, const Json& payload) {
  switch (MqttParseAction(action, payload)) {
    case MqttAction::kPoll:
      Poll(result);
      return;
    case MqttAction::kStart:
      QueueStart(MqttParseStart(payload));
      break;
    case MqttAction::kStop:
      QueueStop();
      break;
    case MqttAction::kSubscribe:
      QueueOperation(MqttParseSubscribe(payload));
      break;
    case MqttAction::kUnsubscribe:
      QueueOperation(MqttParseUnsubscribe(payload));
      break;
    case MqttAction::kPublish:
      QueueOperation(MqttParsePublish(payload));
      break;
  }
  std::lock_guard lock(mutex_);
  result = Json{{"snapshot", SnapshotLocked()}};
}

void MqttService::Impl::QueueStart(MqttCommand command) {
  EnsureWorker(true);
  std::lock_guard lock(mutex_);
  command.generation = ++startCounter_;
  log_.Clear();
  snapshot_.state = "connecting";
  snapshot_.lastError.clear();
  snapshot_.brokerHost = command.options.host;
  snapshot_.brokerPort = command.options.port;
  snapshot_.clientId = command.options.clientId;
  snapshot_.tls = command.options.tls;
  snapshot_.sessionPresent = false;
  snapshot_.subscriptions.clear();
  queue_.Replace(std::move(command));
  Notify();
}

void MqttService::Impl::QueueStop() {
  EnsureWorker(false);
  std::lock_guard lock(mutex_);
  queue_.Replace(MqttStopCommand());
  if (snapshot_.state != "stopped") snapshot_.state = "stopping";
  Notify();
}

void MqttService::Impl::QueueOperation(MqttCommand command) {
  std::lock_guard lock(mutex_);
  queue_.Enqueue(std::move(command), snapshot_.state, snapshot_.subscriptions);
  Notify();
}

// A worker stopped by the application is started again by the next start
// only; one that ended by itself (Winsock, an exception) by the next start or
// stop, so that neither waits for a worker that is gone.
void MqttService::Impl::EnsureWorker(bool forStart) {
  std::lock_guard life(lifeMutex_);
  {
    std::lock_guard lock(mutex_);
    const bool restart = workerExited_ || (forStart && stopFlag_);
    if (!restart) return;
  }
  if (worker_.joinable()) worker_.join();
  {
    std::lock_guard lock(mutex_);
    stopFlag_ = false;
    workerExited_ = false;
  }
  worker_ = std::thread(&Impl::ThreadMain, this);
}

void MqttService::Impl::Stop() {
  std::lock_guard life(lifeMutex_);
  {
    std::lock_guard lock(mutex_);
    if (stopFlag_) return;
    stopFlag_ = true;
    queue_.Clear();
    wake_.notify_all();
  }
  commandWaiting_.store(true);
  if (worker_.joinable()) worker_.join();
  engine_.Reset();
  std::lock_guard lock(mutex_);
  snapshot_.subscriptions.clear();
  snapshot_.sessionPresent = false;
  snapshot_.state = "stopped";
  snapshot_.lastError.clear();
}

void MqttService::Impl::Poll(Json& result) {
  std::vector<MqttEvent> events;
  Json snapshot;
  {
    std::lock_guard lock(mutex_);
    snapshot = SnapshotLocked();
    events = log_.Take();
  }
  // Payload hex is written outside the lock: the worker keeps running.
  Json list = Json::array();
  for (const MqttEvent& event : events) list.push_back(MqttEventToJson(event));
  result = Json{{"events", std::move(list)}, {"snapshot", std::move(snapshot)}};
}

Json MqttService::Impl::SnapshotLocked() const { return MqttSnapshotToJson(snapshot_); }

void MqttService::Impl::Notify() {
  commandWaiting_.store(true);
  wake_.notify_all();
}

}  // namespace nubo
