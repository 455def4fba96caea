// The Modbus master's worker: takes the queued commands one at a time and
// drives the link; every wait is short so a stop is obeyed at once.
#include <chrono>
#include <stdexcept>
#include <thread>

#include "debuggers/modbus/modbus_exception_names.h"
#include "debuggers/modbus/modbus_lock.h"
#include "debuggers/modbus/modbus_service_impl.h"
#include "debuggers/modbus/modbus_texts.h"
#include "store/file_utils.h"

namespace nubo {
namespace {

namespace texts = modbus_texts;
using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(std::string_view text) { throw std::runtime_error(std::string(text)); }

// One byte of room past the largest response shows a device that says more.
constexpr size_t kReceiveRoom = kModbusMaxResponseBytes + 1;

constexpr auto kLookForNextCommand = std::chrono::milliseconds(2);

}  // namespace

void ModbusService::Impl::WorkerLoop() {
  uint64_t seen = 0;
  for (;;) {
    ModbusCommand command;
    if (!TakeCommand(command, seen)) break;
    if (IsCancelled(command.generation)) continue;
    try {
      Handle(command);
    } catch (const std::exception& failure) {
      FailCommand(command.generation, failure.what());
    }
    if (link_) link_->BetweenTransactions();
  }
  CloseLink();
}

// Takes the oldest command, or returns false once the service shuts down.
// A front end that polls until a request is done asks for the next one a
// fraction of a millisecond later: looking out for it a little while before
// sleeping spares the sleep and the wake-up, which under Wine (each a round
// trip to the Wine server) cost more than the transaction itself. seen: the
// queued count at which no command waits.
bool ModbusService::Impl::TakeCommand(ModbusCommand& command, uint64_t& seen) {
  std::unique_lock lock(mutex_, std::defer_lock);
  const auto lookUntil = Clock::now() + kLookForNextCommand;
  while (!shutDown_ && Clock::now() < lookUntil) {
    if (queuedCount_ != seen && lock.try_lock()) break;
    std::this_thread::yield();
  }
  if (!lock.owns_lock()) lock = ModbusLockSoon(mutex_);
  work_.wait(lock, [this] { return shutDown_ || !commands_.Empty(); });
  if (shutDown_) return false;
  command = commands_.PopFront().item;
  seen = queuedCount_ - commands_.Size();
  return true;
}

void ModbusService::Impl::Handle(const ModbusCommand& command) {
  if (command.name == "stop") {
    CloseLink();
    {
      std::lock_guard lock(mutex_);
      lastStopGeneration_ = command.generation;
      if (command.generation == generation_) snapshot_["state"] = "stopped";
    }
    stopProcessed_.notify_all();
  } else if (command.name == "start") {
    current_ = command.config;
    Connect(current_, command.generation);
    std::lock_guard lock(mutex_);
    if (command.generation == generation_) snapshot_["state"] = "connected";
  } else {
    RunRequest(command);
  }
}

void ModbusService::Impl::CloseLink() { link_.reset(); }

void ModbusService::Impl::FailCommand(int64_t generation, const std::string& text) {
  CloseLink();
  std::lock_guard lock(mutex_);
  if (generation != generation_ || shutDown_) return;
  snapshot_["state"] = "error";
  snapshot_["pending"] = false;
  snapshot_["error"] = text;
  snapshot_["result"] = nullptr;
}

void ModbusService::Impl::Connect(const ModbusConnectionConfig& config, int64_t generation) {
  CloseLink();
  if (IsCancelled(generation)) Fail(texts::kCancelled);
  const ModbusCancelled cancelled = [this, generation] { return IsCancelled(generation); };
  link_ = config.tcp ? ModbusConnectTcp(config, cancelled) : ModbusOpenRtu(config, cancelled);
}

void ModbusService::Impl::RunRequest(const ModbusCommand& command) {
  const ModbusRequest& request = *command.request;
  const int64_t generation = command.generation;
  const auto started = Clock::now();
  const bool write = ModbusIsWriteFunction(request.functionCode);
  const int attempts = write ? 1 : 1 + current_.retries;
  std::string failure;
  ModbusResponse response{};
  for (int attempt = 0; attempt < attempts && !IsCancelled(generation); ++attempt) {
    try {
      if (attempt > 0) {
        Connect(current_, generation);
        AppendLog(generation, "INFO", nullptr, 0, std::string(texts::kReadRetry) + std::to_string(attempt));
      }
      if (!link_) Fail(texts::kCancelled);
      uint8_t bytes[kReceiveRoom];
      const size_t length = Transact(request, ++transactionId_, generation, bytes);
      const char* parsed = ModbusParseResponse(&request, link_->IsTcp(), transactionId_, bytes, length, &response);
      if (parsed != nullptr) Fail(parsed);
      failure.clear();
      break;
    } catch (const std::exception& error) {
      failure = error.what();
      CloseLink();
    }
  }
  if (IsCancelled(generation)) {
    CloseLink();
    return;
  }
  if (!failure.empty()) Fail(write ? failure + std::string(texts::kWriteUncertain) : failure);
  const auto lock = ModbusLockSoon(mutex_);
  if (IsCancelled(generation)) return;
  snapshot_["pending"] = false;
  if (response.exceptionCode != 0) {
    snapshot_["error"] = std::string(texts::kExceptionPrefix) + std::to_string(response.exceptionCode) +
                         std::string(texts::kExceptionOpen) + std::string(ModbusExceptionName(response.exceptionCode)) +
                         std::string(texts::kExceptionClose);
    return;
  }
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
  snapshot_["result"] = Json{{"id", ++nextEntryId_},
                             {"functionCode", request.functionCode},
                             {"address", request.address},
                             {"quantity", request.quantity},
                             {"values", std::vector<uint16_t>(response.values, response.values + response.valueCount)},
                             {"timestamp", NowMilliseconds()},
                             {"elapsedMs", elapsed},
                             {"written", write}};
}

size_t ModbusService::Impl::Transact(const ModbusRequest& request, uint16_t transactionId, int64_t generation,
                                     uint8_t* response) {
  ModbusLink& link = *link_;
  uint8_t frame[kModbusFrameBufferSize];
  const size_t frameLength = ModbusBuildRequestFrame(&request, link.IsTcp(), transactionId, frame, sizeof(frame));
  const ModbusCancelled cancelled = [this, generation] { return IsCancelled(generation); };
  link.BeforeFrame(cancelled);
  const auto deadline = Clock::now() + std::chrono::milliseconds(current_.timeoutMs);

  size_t sent = 0;
  while (sent < frameLength && !cancelled() && Clock::now() < deadline) {
    sent += link.SendSome(frame + sent, frameLength - sent);
  }
  if (cancelled()) Fail(texts::kCancelled);
  if (sent < frameLength) Fail(texts::kSendTimeout);
  AppendLog(generation, "TX", frame, frameLength);

  size_t received = 0;
  int wanted = link.WantedTotal(response, received);
  while (!cancelled() && Clock::now() < deadline) {
    received += link.ReceiveSome(response + received, static_cast<size_t>(wanted) - received);
    if (received > kModbusMaxResponseBytes) Fail(texts::kTooLong);
    wanted = link.WantedTotal(response, received);
    if (wanted < 0) {
      AppendLog(generation, "RX", response, received);
      Fail(texts::kBadMbap);
    }
    const int expected = ModbusExpectedResponseLength(response, received, link.IsTcp());
    if (expected < 0) {
      AppendLog(generation, "RX", response, received);
      Fail(texts::kBadHeader);
    }
    if (expected > 0 && received >= static_cast<size_t>(expected)) {
      AppendLog(generation, "RX", response, received);
      return received;
    }
  }
  if (received > 0) AppendLog(generation, "RX", response, received, texts::kIncomplete);
  Fail(cancelled() ? texts::kCancelled : texts::kResponseTimeout);
}

}  // namespace nubo
