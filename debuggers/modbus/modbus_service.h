#pragma once

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

namespace nubo {

// The workbench's Modbus master: one TCP or RTU device at a time, one
// request at a time. Requests from the front end only change shared state
// and queue commands; all device I/O runs on the service's worker, which
// lives as long as the service. Construction starts Winsock and throws
// "无法初始化 Modbus TCP。" when it cannot.
class ModbusService {
 public:
  ModbusService();
  ~ModbusService();
  ModbusService(const ModbusService&) = delete;
  ModbusService& operator=(const ModbusService&) = delete;

  // One front-end action ("ports", "poll", "stop", "start", "request") into
  // result; throws a standard runtime error with the user's sentence.
  void HandleRequest(nlohmann::json& result, const std::string& action, const nlohmann::json& payload);
  // Stops the connection and waits until the worker has done so.
  void Stop();

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace nubo
