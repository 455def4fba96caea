#pragma once

// The MQTT client's shared state (under one mutex) and its worker, which
// drives the portable engine over an MqttConnection.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "debuggers/mqtt/mqtt_command_queue.h"
#include "debuggers/mqtt/mqtt_engine.h"
#include "debuggers/mqtt/mqtt_event_log.h"
#include "debuggers/mqtt/mqtt_service.h"
#include "debuggers/mqtt/mqtt_transport.h"
#include "debuggers/mqtt/mqtt_types.h"

namespace nubo {

class MqttService::Impl final : public MqttEngineHost {
 public:
  explicit Impl(const NetResolveSystem& resolver);
  ~Impl() override;

  void HandleRequest(nlohmann::json& result, std::string_view action, const nlohmann::json& payload);
  void Stop();

  // MqttEngineHost, called on the worker.
  MqttStep Send(const uint8_t* data, size_t size, std::string& error) override;
  int64_t SteadyNowMs() override;
  void MarkConnected(bool sessionPresent) override;
  bool AddSubscription(const std::string& filter, uint8_t grantedQos) override;
  void RemoveSubscription(const std::string& filter) override;
  void CountReceived(uint64_t payloadBytes) override;
  void CountSent(uint64_t payloadBytes) override;
  void LogEvent(MqttEvent event) override;

 private:
  // Requests (mqtt_service.cpp).
  void QueueStart(MqttCommand command);
  void QueueStop();
  void QueueOperation(MqttCommand command);
  void EnsureWorker(bool forStart);
  void Poll(nlohmann::json& result);
  nlohmann::json SnapshotLocked() const;
  void Notify();

  // Worker (mqtt_worker.cpp).
  void ThreadMain();
  void WorkerLoop();
  bool ShouldAbort();
  bool TakeCommand(MqttCommand& command);
  void RunStart(MqttCommand& command);
  void RunStop();
  void RunCommands();
  bool FlushBatch();
  void DropBatch();
  void ReceiveStep();
  void EndConnection(MqttStep step, const std::string& text);
  void FailSession(std::string_view text);
  void ResetSession();
  bool CurrentLocked() const { return startCounter_ == currentGeneration_; }

  const NetResolveSystem& resolver_;
  const MqttAbortTest abortTest_;

  std::mutex mutex_;
  std::condition_variable wake_;
  MqttCommandQueue queue_;
  MqttEventLog log_;
  MqttSnapshot snapshot_;
  uint64_t startCounter_ = 0;
  uint64_t currentGeneration_ = 0;
  bool stopFlag_ = false;
  bool workerExited_ = false;  // the worker ended by itself
  // Set with every queued command: ends an idle receive wait early.
  std::atomic<bool> commandWaiting_{false};

  std::mutex lifeMutex_;  // taken before mutex_; starts and joins the worker
  std::thread worker_;

  // The worker's own while it runs; Stop() touches the engine after joining it.
  MqttEngine engine_{*this};
  MqttConnection* connection_ = nullptr;
  std::vector<uint8_t> received_;
  // While set, packets wait in batch_ and go out in one send: those of the
  // commands taken in one turn (with their counters and "published"
  // events), and the acknowledgements of one receive step.
  bool batching_ = false;
  std::vector<uint8_t> batch_;
  std::vector<MqttEvent> batchEvents_;
  uint64_t batchMessages_ = 0;
  uint64_t batchBytes_ = 0;
};

}  // namespace nubo
