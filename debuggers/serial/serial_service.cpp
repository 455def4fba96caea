#include "debuggers/serial/serial_service.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "debuggers/common/failure_text.h"
#include "debuggers/serial/serial_limits.h"
#include "debuggers/serial/serial_port.h"
#include "debuggers/serial/serial_requests.h"
#include "debuggers/serial/serial_service_impl.h"
#include "store/file_utils.h"
#include "store/hex_text.h"

namespace nubo {

namespace text = serial::text;
using Json = nlohmann::json;

SerialService::SerialService() : impl_(std::make_unique<Impl>()) {}

SerialService::~SerialService() { Stop(); }

void SerialService::Stop() { impl_->Stop(); }

void SerialService::HandleRequest(Json& result, std::string_view action, const Json& payload) {
  if (!payload.is_object()) throw std::runtime_error(std::string(text::kPayloadNotObject));
  if (action == "enumerate") {
    result = impl_->Enumerate();
  } else if (action == "start") {
    result = impl_->Start(payload);
  } else if (action == "stop") {
    result = impl_->RequestClose();
  } else if (action == "send") {
    result = impl_->Send(payload);
  } else if (action == "poll") {
    result = impl_->Poll();
  } else {
    throw std::runtime_error(std::string(text::kUnknownAction));
  }
}

Json SerialService::Impl::Enumerate() const {
  std::vector<SerialPortInfo> entries(serial::kEnumerateMaxPorts);
  uint32_t code = 0;
  const int count = SerialPortEnumerate(entries.data(), entries.size(), &code);
  if (count < 0) {
    throw std::runtime_error(FormatWin32Failure(text::kOpEnumerate, static_cast<int>(code)));
  }
  Json ports = Json::array();
  for (int i = 0; i < count; ++i) {
    ports.push_back(Json{{"port", entries[i].portName}, {"label", entries[i].deviceName}});
  }
  return Json{{"ports", std::move(ports)}};
}

Json SerialService::Impl::Snapshot() const {
  return Json{{"state", state_},
              {"port", settings_.portName},
              {"baud", settings_.baudRate},
              {"dataBits", settings_.dataBits},
              {"parity", settings_.parity},
              {"stopBits", settings_.stopBits},
              {"flowControl", settings_.flowControl},
              {"rxBytes", rxBytes_},
              {"txBytes", txBytes_},
              {"lastError", lastError_}};
}

void SerialService::Impl::AppendEvent(std::string_view kind, std::string_view message, const uint8_t* bytes,
                                      size_t length) {
  log_.Append(kind, message, bytes, length, NowMilliseconds());
}

void SerialService::Impl::ClearSendQueue() { sendQueue_.Clear(); }

Json SerialService::Impl::Start(const Json& payload) {
  std::lock_guard lock(mutex_);
  if (state_ != serial::kStateStopped && state_ != serial::kStateError) {
    throw std::runtime_error(std::string(text::kCloseFirst));
  }
  const SerialPortSettings settings = SerialParseSettings(payload);
  settings_ = settings;
  rxBytes_ = 0;
  txBytes_ = 0;
  lastError_.clear();
  log_.Clear();
  ClearSendQueue();
  closeRequested_ = false;
  stopRequested_ = false;
  state_ = serial::kStateOpening;
  openRequested_ = true;
  if (!worker_.joinable()) {
    try {
      worker_ = std::thread(&Impl::WorkerLoop, this);
    } catch (...) {
      openRequested_ = false;
      state_ = serial::kStateError;
      throw;
    }
  }
  AppendEvent(serial::kKindStatus, text::kOpening);
  wake_.notify_all();
  return Json{{"snapshot", Snapshot()}};
}

Json SerialService::Impl::RequestClose() {
  std::lock_guard lock(mutex_);
  if (state_ != serial::kStateStopped && state_ != serial::kStateError) {
    state_ = serial::kStateStopping;
    closeRequested_ = true;
    wake_.notify_all();
  }
  return Json{{"snapshot", Snapshot()}};
}

Json SerialService::Impl::Send(const Json& payload) {
  std::lock_guard lock(mutex_);
  if (state_ != serial::kStateOpen) throw std::runtime_error(std::string(text::kOpenFirst));
  std::vector<uint8_t> bytes = SerialParseSendHex(payload);
  if (sendQueue_.Size() >= serial::kSendQueueMaxBuffers ||
      sendQueue_.TotalCost() + bytes.size() > serial::kSendQueueMaxBytes) {
    throw std::runtime_error(std::string(text::kSendQueueFull));
  }
  const uint64_t size = bytes.size();
  sendQueue_.Push(std::move(bytes), size);
  wake_.notify_all();
  return Json{{"snapshot", Snapshot()}};
}

Json SerialService::Impl::Poll() {
  std::vector<SerialEvent> taken;
  Json snapshot;
  {
    std::lock_guard lock(mutex_);
    taken = log_.Take(serial::kPollMaxEvents, NowMilliseconds());
    snapshot = Snapshot();
  }
  // The hex text of up to 1 MiB is written without holding up the worker.
  Json events = Json::array();
  for (SerialEvent& event : taken) {
    events.push_back(Json{{"id", event.id},
                          {"kind", std::move(event.kind)},
                          {"timestamp", event.timestamp},
                          {"dataHex", ToLowerHex(event.data.data(), event.data.size())},
                          {"byteLength", event.data.size()},
                          {"message", std::move(event.message)}});
  }
  return Json{{"snapshot", std::move(snapshot)}, {"events", std::move(events)}};
}

void SerialService::Impl::Stop() {
  std::unique_lock lock(mutex_);
  stopRequested_ = true;
  wake_.notify_all();
  std::thread worker = std::move(worker_);
  lock.unlock();
  if (worker.joinable()) worker.join();
  lock.lock();
  state_ = serial::kStateStopped;
  openRequested_ = false;
  ClearSendQueue();
}

}  // namespace nubo
