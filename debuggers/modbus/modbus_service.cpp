#include "debuggers/modbus/modbus_service.h"

#include <stdexcept>

#include "debuggers/modbus/modbus_lock.h"
#include "debuggers/modbus/modbus_ports.h"
#include "debuggers/modbus/modbus_service_impl.h"
#include "debuggers/modbus/modbus_texts.h"
#include "store/file_utils.h"
#include "store/hex_text.h"

namespace nubo {
namespace {

namespace texts = modbus_texts;
using Json = nlohmann::json;

constexpr size_t kMaxLogEntries = 256;

[[noreturn]] void Fail(std::string_view text) { throw std::runtime_error(std::string(text)); }

Json InitialSnapshot() {
  return Json{{"state", "stopped"}, {"transport", "tcp"}, {"pending", false}, {"error", ""}, {"result", nullptr}};
}

}  // namespace

ModbusService::ModbusService() : impl_(std::make_unique<Impl>()) {}
ModbusService::~ModbusService() = default;

void ModbusService::HandleRequest(Json& result, const std::string& action, const Json& payload) {
  impl_->HandleRequest(result, action, payload);
}

void ModbusService::Stop() { impl_->Stop(); }

ModbusService::Impl::Impl() : snapshot_(InitialSnapshot()) {
  int code = 0;
  winsock_ = StartWinsock(&code);
  if (!winsock_) Fail(texts::kWinsockStartup);
  worker_ = std::thread([this] { WorkerLoop(); });
}

ModbusService::Impl::~Impl() {
  {
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    ++generation_;
    commands_.Clear();
  }
  work_.notify_all();
  stopProcessed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void ModbusService::Impl::HandleRequest(Json& result, const std::string& action, const Json& payload) {
  if (action == "ports") {
    result["ports"] = ModbusListComPorts();
    return;
  }
  if (shutDown_) Fail(texts::kServiceClosed);
  const auto lock = ModbusLockSoon(mutex_);
  if (action == "poll") {
    Json logs = Json::array();
    while (!log_.Empty()) logs.push_back(log_.PopFront().item);
    result["logs"] = std::move(logs);
  } else if (action == "stop") {
    QueueStop();
  } else if (action == "start") {
    Start(payload);
  } else if (action == "request") {
    Request(payload);
  } else {
    Fail(texts::kUnknownAction);
  }
  result["snapshot"] = snapshot_;
}

void ModbusService::Impl::QueueStop() {
  const int64_t generation = ++generation_;
  commands_.Clear();
  QueueCommand(ModbusCommand{"stop", generation, {}, nullptr});
  snapshot_["state"] = "stopping";
  snapshot_["pending"] = false;
  snapshot_["result"] = nullptr;
  snapshot_["error"] = "";
}

void ModbusService::Impl::QueueCommand(ModbusCommand command) {
  commands_.Push(std::move(command), 1);
  ++queuedCount_;
  work_.notify_all();
}

void ModbusService::Impl::Start(const Json& payload) {
  const std::string state = snapshot_["state"].get<std::string>();
  if (state != "stopped" && state != "error") Fail(texts::kDisconnectFirst);
  const int64_t generation = ++generation_;
  ModbusConnectionConfig config = ModbusParseConnectionConfig(payload);
  commands_.Clear();
  Json snapshot{{"state", "connecting"}, {"pending", false}, {"error", ""}, {"result", nullptr},
                {"transport", config.tcp ? "tcp" : "rtu"}, {"unitId", config.unitId}};
  snapshot["endpoint"] = config.tcp ? config.host + ":" + std::to_string(config.port) : config.serialPort;
  QueueCommand(ModbusCommand{"start", generation, std::move(config), nullptr});
  snapshot_ = std::move(snapshot);
}

void ModbusService::Impl::Request(const Json& payload) {
  if (snapshot_["state"] != "connected") Fail(texts::kConnectFirst);
  if (snapshot_["pending"] == true) Fail(texts::kRequestPending);
  auto request = std::make_shared<ModbusRequest>();
  request->unitId = snapshot_["unitId"].get<uint8_t>();
  ModbusReadRequestFields(payload, *request);
  if (const char* failure = ModbusValidateRequest(request.get())) Fail(failure);
  if (ModbusIsWriteFunction(request->functionCode) && !ModbusWriteConfirmed(payload)) Fail(texts::kConfirmWrite);
  snapshot_["pending"] = true;
  snapshot_["error"] = "";
  snapshot_["result"] = nullptr;
  QueueCommand(ModbusCommand{"request", generation_, {}, std::move(request)});
}

void ModbusService::Impl::Stop() {
  std::unique_lock lock(mutex_);
  if (shutDown_) return;
  QueueStop();
  const int64_t generation = generation_;
  stopProcessed_.wait(lock, [&] { return lastStopGeneration_ >= generation || shutDown_; });
}

bool ModbusService::Impl::IsCancelled(int64_t generation) const {
  return shutDown_ || generation != generation_;
}

void ModbusService::Impl::AppendLog(int64_t generation, std::string_view direction, const uint8_t* bytes,
                                    size_t length, std::string_view message) {
  Json entry{{"id", 0}, {"timestamp", NowMilliseconds()}, {"direction", direction},
             {"hex", ToUpperHexPairs(bytes, length)}, {"message", message}};
  const auto lock = ModbusLockSoon(mutex_);
  if (IsCancelled(generation)) return;
  entry["id"] = ++nextEntryId_;
  log_.Push(std::move(entry), 1);
  while (log_.Size() > kMaxLogEntries) log_.PopFront();
}

}  // namespace nubo
