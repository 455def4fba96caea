#pragma once

#include <memory>
#include <string_view>

#include <nlohmann/json.hpp>

namespace nubo {

// The workbench's serial-port debugger: one port at a time, opened, read and
// written by one worker thread that starts with the first open and lives
// until Stop(). Requests run on the main thread and only exchange state with
// the worker under its mutex.
class SerialService {
 public:
  SerialService();
  ~SerialService();  // stops first
  SerialService(const SerialService&) = delete;
  SerialService& operator=(const SerialService&) = delete;

  // Runs one request ("enumerate", "start", "stop", "send", "poll") on its
  // payload and fills result; throws std::runtime_error with the user's
  // sentence when refused (the JSON library's own errors pass through).
  void HandleRequest(nlohmann::json& result, std::string_view action, const nlohmann::json& payload);

  // Closes the port, ends the worker and resets the service; safe at any
  // time, any number of times.
  void Stop();

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace nubo
