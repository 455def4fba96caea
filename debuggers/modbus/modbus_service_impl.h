#pragma once

// The Modbus master's shared state (under mutex_) and its worker's own link.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include <nlohmann/json.hpp>

#include "debuggers/common/costed_queue.h"
#include "debuggers/common/socket_layer.h"
#include "debuggers/modbus/modbus_config.h"
#include "debuggers/modbus/modbus_frame.h"
#include "debuggers/modbus/modbus_link.h"
#include "debuggers/modbus/modbus_service.h"

namespace nubo {

struct ModbusCommand {
  std::string name;  // "start", "stop" or "request"
  int64_t generation = 0;
  ModbusConnectionConfig config;
  std::shared_ptr<const ModbusRequest> request;
};

class ModbusService::Impl {
 public:
  Impl();
  ~Impl();

  void HandleRequest(nlohmann::json& result, const std::string& action, const nlohmann::json& payload);
  void Stop();

 private:
  using Json = nlohmann::json;

  // Under mutex_.
  void QueueStop();
  void QueueCommand(ModbusCommand command);
  void AppendLogLocked(std::string_view direction, const uint8_t* bytes, size_t length, std::string_view message);
  void Start(const Json& payload);
  void Request(const Json& payload);

  // Worker (modbus_worker.cpp).
  bool IsCancelled(int64_t generation) const;
  void AppendLog(int64_t generation, std::string_view direction, const uint8_t* bytes, size_t length,
                 std::string_view message = {});
  void WorkerLoop();
  bool TakeCommand(ModbusCommand& command, uint64_t& seen);
  void Handle(const ModbusCommand& command);
  void Connect(const ModbusConnectionConfig& config, int64_t generation);
  size_t Transact(const ModbusRequest& request, uint16_t transactionId, int64_t generation, uint8_t* response);
  void RunRequest(const ModbusCommand& command);
  void FailCommand(int64_t generation, const std::string& text);
  void CloseLink();

  mutable std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable stopProcessed_;
  std::thread worker_;
  std::atomic<int64_t> generation_{0};
  std::atomic<bool> shutDown_{false};
  int64_t lastStopGeneration_ = 0;
  std::atomic<uint64_t> queuedCount_{0};  // commands ever queued, for the worker to look at without the mutex
  CostedQueue<ModbusCommand> commands_;
  CostedQueue<Json> log_;
  Json snapshot_;
  WinsockSession winsock_;  // dropped after the worker has ended

  // Worker-owned.
  std::unique_ptr<ModbusLink> link_;
  ModbusConnectionConfig current_;
  uint16_t transactionId_ = 0;
  uint64_t nextEntryId_ = 0;  // under mutex_: shared by log entries and results
};

}  // namespace nubo
