// The MQTT client's worker: takes the queued commands, opens and closes the
// broker connection, feeds the engine what arrives and runs its timers. Every
// long step gives way within 80 ms to a queued start or stop.

#include <exception>

#include "debuggers/mqtt/mqtt_limits.h"
#include "debuggers/mqtt/mqtt_service_impl.h"
#include "debuggers/mqtt/mqtt_texts.h"
#include "debuggers/mqtt/mqtt_transport_limits.h"
#include "store/file_utils.h"
#include "store/flag_scope.h"

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
  DropBatch();  // what a worker ended by an exception left
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
    RunCommands();
    if (connection.IsOpen()) ReceiveStep();
  }
  connection.Close();
}

// Takes the queued commands. The packets of consecutive publishes,
// subscribes and unsubscribes go out in one send (each send is a costly call
// under Wine); their counters and "published" events follow that send.
void MqttService::Impl::RunCommands() {
  MqttCommand command;
  while (TakeCommand(command)) {
    const bool start = command.name == "start";
    if (start || command.name == "stop") {
      FlushBatch();
      if (start) {
        RunStart(command);
      } else {
        RunStop();
      }
      return;
    }
    std::string text;
    MqttStep step = MqttStep::kOk;
    {
      const FlagScope gather(batching_);
      step = engine_.SendCommand(std::move(command), text);
    }
    if (step != MqttStep::kOk) {
      if (FlushBatch()) EndConnection(step, text);
      return;
    }
    if (batch_.size() >= mqtt::kSendBatchBytes && !FlushBatch()) return;
  }
  FlushBatch();
}

// false: the send failed and the connection is closed.
bool MqttService::Impl::FlushBatch() {
  if (batch_.empty()) return true;
  std::string text;
  const bool sent = connection_->Send(batch_.data(), batch_.size(), abortTest_, text);
  std::vector<MqttEvent> events = std::move(batchEvents_);
  const uint64_t messages = batchMessages_;
  const uint64_t bytes = batchBytes_;
  DropBatch();
  if (!sent) {
    EndConnection(text.empty() ? MqttStep::kAborted : MqttStep::kFailed, text);
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    snapshot_.txMessages += messages;
    snapshot_.txBytes += bytes;
  }
  for (MqttEvent& event : events) LogEvent(std::move(event));
  return true;
}

void MqttService::Impl::DropBatch() {
  batch_.clear();
  batchEvents_.clear();
  batchMessages_ = 0;
  batchBytes_ = 0;
}

bool MqttService::Impl::ShouldAbort() {
  std::lock_guard lock(mutex_);
  return stopFlag_ || queue_.FrontIsStartOrStop();
}

bool MqttService::Impl::TakeCommand(MqttCommand& command) {
  std::lock_guard lock(mutex_);
  if (stopFlag_ || queue_.Empty()) return false;
  // A command held until an acknowledgement frees a packet id lets the
  // receive wait run its course: that acknowledgement ends it.
  if (!engine_.Ready(queue_.Front())) {
    commandWaiting_.store(false);
    return false;
  }
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

// Handles the packets still waiting from the last read, or reads once; the
// acknowledgements they call for go out together after them.
void MqttService::Impl::ReceiveStep() {
  std::string text;
  MqttStep step = MqttStep::kOk;
  {
    const FlagScope gather(batching_);
    if (engine_.PacketsWaiting()) {
      step = engine_.ReadPackets(text);
    } else {
      const size_t room = mqtt::kMaxReceiveBufferBytes - engine_.PendingReceiveBytes();
      const int received = connection_->Receive(received_, text, abortTest_, &commandWaiting_, room);
      if (received < 0) step = MqttStep::kFailed;
      if (received > 0) step = engine_.Receive(received_.data(), received_.size(), text);
    }
  }
  if (step != MqttStep::kOk) {
    EndConnection(step, text);
    return;
  }
  if (!FlushBatch()) return;
  step = engine_.CheckTimers(text);
  if (step != MqttStep::kOk) EndConnection(step, text);
}

// A send given up for a queued start or stop (or the service's stop) closes
// the connection without a word, like every other abort.
void MqttService::Impl::EndConnection(MqttStep step, const std::string& text) {
  DropBatch();
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
  if (batching_) {
    batch_.insert(batch_.end(), data, data + size);
    return MqttStep::kOk;
  }
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
  if (batching_) {
    ++batchMessages_;
    batchBytes_ += payloadBytes;
    return;
  }
  std::lock_guard lock(mutex_);
  ++snapshot_.txMessages;
  snapshot_.txBytes += payloadBytes;
}

// Only a "published" event waits for its batch: a received message's
// event is logged as it is delivered.
void MqttService::Impl::LogEvent(MqttEvent event) {
  if (batching_ && event.kind == MqttEventKind::kPublished) {
    batchEvents_.push_back(std::move(event));
    return;
  }
  const int64_t now = NowMilliseconds();
  std::lock_guard lock(mutex_);
  log_.Offer(std::move(event), now, CurrentLocked());
}

}  // namespace nubo
