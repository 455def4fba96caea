// The MQTT client's worker: takes the queued commands, opens and closes the
// broker connection, feeds the engine what arrives and runs its timers. Every
// long step gives way within 80 ms to a queued start or stop.

#include <exception>

#include "debuggers/mqtt/mqtt_service_impl.h"
#include "debuggers/mqtt/mqtt_texts.h"
#include "store/file_utils.h"

namespace nubo {
namespace {

MqttEvent TextEvent(MqttEventKind kind, std::string_view message) {
  MqttEvent event;
  event.kind = kind;
  event.message.assign(message);
  return event;
}

}  // namespace

void MqttService::Impl::ThreadMain() {
  try {
    WorkerLoop();
  } catch (const std::exception& failure) {
    try {
      FailSession(std::string(mqtt::text::kWorkerException) + failure.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      FailSession(mqtt::text::kWorkerUnknownException);
    } catch (...) {
    }
  }
  std::lock_guard lock(mutex_);
  workerExited_ = !stopFlag_;
}

void MqttService::Impl::WorkerLoop() {
  const WinsockSession winsock = StartWinsock(nullptr);
  if (!winsock) {
    FailSession(mqtt::text::kWinsockStart);
    return;
  }
  MqttConnection connection(resolver_);
  connection_ = &connection;
  struct Detach {
    MqttConnection*& slot;
    ~Detach() { slot = nullptr; }
  } detach{connection_};

  for (;;) {
    {
      std::unique_lock lock(mutex_);
      if (stopFlag_) break;
      if (!connection.IsOpen() && queue_.Empty()) {
        wake_.wait(lock, [this] { return stopFlag_ || !queue_.Empty(); });
        continue;
      }
    }
    MqttCommand command;
    while (TakeCommand(command)) {
      if (command.name == "start") {
        RunStart(command);
        break;
      }
      if (command.name == "stop") {
        RunStop();
        break;
      }
      std::string text;
      const MqttStep step = engine_.SendCommand(std::move(command), text);
      if (step != MqttStep::kOk) {
        EndConnection(step, text);
        break;
      }
    }
    if (connection.IsOpen()) ReceiveStep();
  }
  connection.Close();
}

bool MqttService::Impl::ShouldAbort() {
  std::lock_guard lock(mutex_);
  return stopFlag_ || queue_.FrontIsStartOrStop();
}

bool MqttService::Impl::TakeCommand(MqttCommand& command) {
  std::lock_guard lock(mutex_);
  if (stopFlag_ || queue_.Empty()) return false;
  command = queue_.TakeFront();
  if (queue_.Empty()) commandWaiting_.store(false);
  return true;
}

void MqttService::Impl::RunStart(MqttCommand& command) {
  connection_->Close();
  ResetSession();
  {
    std::lock_guard lock(mutex_);
    currentGeneration_ = command.generation;
  }
  MqttConnectOptions options = command.options;
  MqttWipeText(command.options.password);
  std::string text;
  if (!connection_->ConnectTcp(options.host, options.port, options.tls, abortTest_, text)) {
    MqttWipeText(options.password);
    connection_->Close();
    if (!ShouldAbort()) FailSession(text);
    return;
  }
  const MqttStep step = engine_.SendConnect(options, text);
  if (step != MqttStep::kOk) EndConnection(ShouldAbort() ? MqttStep::kAborted : step, text);
}

void MqttService::Impl::RunStop() {
  connection_->Close();
  ResetSession();
  LogEvent(TextEvent(MqttEventKind::kStatus, mqtt::text::kDisconnected));
  std::lock_guard lock(mutex_);
  if (!CurrentLocked()) return;
  snapshot_.state = "stopped";
  snapshot_.lastError.clear();
}

void MqttService::Impl::ReceiveStep() {
  std::string text;
  const int received = connection_->Receive(received_, text, abortTest_, &commandWaiting_);
  if (received < 0) {
    EndConnection(MqttStep::kFailed, text);
    return;
  }
  if (received > 0) {
    const MqttStep step = engine_.Receive(received_.data(), received_.size(), text);
    if (step != MqttStep::kOk) {
      EndConnection(step, text);
      return;
    }
  }
  const MqttStep step = engine_.CheckTimers(text);
  if (step != MqttStep::kOk) EndConnection(step, text);
}

// A send given up for a queued start or stop (or the service's stop) closes
// the connection without a word, like every other abort.
void MqttService::Impl::EndConnection(MqttStep step, const std::string& text) {
  connection_->Close();
  engine_.ConnectionClosed();
  if (step == MqttStep::kFailed) FailSession(text);
}

// Only the session the user still sees may mark the snapshot and log.
void MqttService::Impl::FailSession(std::string_view text) {
  const std::string message(text.empty() ? mqtt::text::kSessionFailed : text);
  {
    std::lock_guard lock(mutex_);
    if (!CurrentLocked()) return;
    snapshot_.state = "error";
    snapshot_.lastError = message;
  }
  LogEvent(TextEvent(MqttEventKind::kError, message));
}

void MqttService::Impl::ResetSession() {
  engine_.Reset();
  std::lock_guard lock(mutex_);
  if (!CurrentLocked()) return;
  snapshot_.subscriptions.clear();
  snapshot_.sessionPresent = false;
}

MqttStep MqttService::Impl::Send(const uint8_t* data, size_t size, std::string& error) {
  if (connection_->Send(data, size, abortTest_, error)) return MqttStep::kOk;
  return error.empty() ? MqttStep::kAborted : MqttStep::kFailed;
}

int64_t MqttService::Impl::SteadyNowMs() { return static_cast<int64_t>(MqttSteadyNowMs()); }

void MqttService::Impl::MarkConnected(bool sessionPresent) {
  std::lock_guard lock(mutex_);
  if (!CurrentLocked()) return;
  snapshot_.state = "connected";
  snapshot_.sessionPresent = sessionPresent;
}

bool MqttService::Impl::AddSubscription(const std::string& filter, uint8_t grantedQos) {
  std::lock_guard lock(mutex_);
  if (!CurrentLocked()) return true;  // a replaced session's map is gone already
  auto& map = snapshot_.subscriptions;
  if (map.count(filter) == 0 && map.size() >= mqtt::kMaxSubscriptions) return false;
  map[filter] = grantedQos;
  return true;
}

void MqttService::Impl::RemoveSubscription(const std::string& filter) {
  std::lock_guard lock(mutex_);
  if (CurrentLocked()) snapshot_.subscriptions.erase(filter);
}

void MqttService::Impl::CountReceived(uint64_t payloadBytes) {
  std::lock_guard lock(mutex_);
  ++snapshot_.rxMessages;
  snapshot_.rxBytes += payloadBytes;
}

void MqttService::Impl::CountSent(uint64_t payloadBytes) {
  std::lock_guard lock(mutex_);
  ++snapshot_.txMessages;
  snapshot_.txBytes += payloadBytes;
}

void MqttService::Impl::LogEvent(MqttEvent event) {
  const int64_t now = NowMilliseconds();
  std::lock_guard lock(mutex_);
  log_.Offer(std::move(event), now, CurrentLocked());
}

}  // namespace nubo
