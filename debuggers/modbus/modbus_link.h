#pragma once

// One open Modbus transport as the worker drives it: short, bounded waits
// only, so the worker can test for cancellation between them. Failures throw
// a standard runtime error with the user's sentence.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "debuggers/modbus/modbus_config.h"

namespace nubo {

using ModbusCancelled = std::function<bool()>;

class ModbusLink {
 public:
  virtual ~ModbusLink() = default;

  virtual bool IsTcp() const = 0;
  // Before each frame: RTU drops stale input and keeps the inter-frame gap.
  virtual void BeforeFrame(const ModbusCancelled& cancelled) { (void)cancelled; }
  // After each command, while the front end takes its outcome: TCP clears its
  // receive event there, out of the next transaction's way.
  virtual void BetweenTransactions() {}
  // Sends a first part of the bytes, waiting a few milliseconds at most for
  // room; the count taken, 0 when nothing could go yet.
  virtual size_t SendSome(const uint8_t* data, size_t size) = 0;
  // How many bytes in all to receive next, given those in; -1 when they
  // cannot begin a response of this transport.
  virtual int WantedTotal(const uint8_t* received, size_t count) const = 0;
  // Receives at most size bytes, waiting a few milliseconds at most; 0 when
  // nothing arrived.
  virtual size_t ReceiveSome(uint8_t* buffer, size_t size) = 0;
};

// Connects to config's numeric host and port within its time-out.
std::unique_ptr<ModbusLink> ModbusConnectTcp(const ModbusConnectionConfig& config, const ModbusCancelled& cancelled);

// Opens and configures config's COM port for RTU.
std::unique_ptr<ModbusLink> ModbusOpenRtu(const ModbusConnectionConfig& config, const ModbusCancelled& cancelled);

}  // namespace nubo
