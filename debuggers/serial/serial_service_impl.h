#pragma once

// The serial debugger's implementation object: the state shared between the
// main thread and the worker (guarded by one mutex) and the worker's loop.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "debuggers/common/costed_queue.h"
#include "debuggers/serial/serial_event_log.h"
#include "debuggers/serial/serial_port_settings.h"
#include "debuggers/serial/serial_service.h"
#include "debuggers/serial/serial_texts.h"

namespace nubo {

class SerialService::Impl {
 public:
  Impl() = default;

  nlohmann::json Enumerate() const;
  nlohmann::json Start(const nlohmann::json& payload);
  nlohmann::json RequestClose();
  nlohmann::json Send(const nlohmann::json& payload);
  nlohmann::json Poll();
  void Stop();

 private:
  // Under mutex_.
  nlohmann::json Snapshot() const;
  void AppendEvent(std::string_view kind, std::string_view message, const uint8_t* bytes = nullptr,
                   size_t length = 0);
  void ClearSendQueue();

  // Worker (serial_worker.cpp); never holds mutex_ during device I/O.
  void WorkerLoop();
  void FailWithWin32Error(std::string_view operation, uint32_t code);
  // Waits up to the worker's pass time; true when a close or stop is asked.
  bool WaitForStopOrClose();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::thread worker_;
  bool stopRequested_ = false;
  bool closeRequested_ = false;
  bool openRequested_ = false;
  SerialPortSettings settings_{};
  std::string state_ = std::string(serial::kStateStopped);
  std::string lastError_;
  uint64_t rxBytes_ = 0;
  uint64_t txBytes_ = 0;
  SerialEventLog log_;
  CostedQueue<std::vector<uint8_t>> sendQueue_;
};

}  // namespace nubo
