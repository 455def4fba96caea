#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "debuggers/common/failure_text.h"
#include "debuggers/modbus/modbus_frame.h"
#include "debuggers/modbus/modbus_link.h"
#include "debuggers/modbus/modbus_texts.h"
#include "store/text_convert.h"
#include "store/win_handles.h"

namespace nubo {
namespace {

namespace texts = modbus_texts;

constexpr DWORD kReadTotalConstantMs = 20;
constexpr DWORD kWriteTotalConstantMs = 50;

[[noreturn]] void FailSystem(std::string_view operation) {
  throw std::runtime_error(FormatSystemCodeFailure(operation, static_cast<int>(GetLastError())));
}

class RtuLink final : public ModbusLink {
 public:
  RtuLink(FileHandle port, uint32_t baudRate) : port_(std::move(port)), gapMs_(ModbusRtuGapMs(baudRate)) {}

  bool IsTcp() const override { return false; }

  void BeforeFrame(const ModbusCancelled& cancelled) override {
    PurgeComm(port_.get(), PURGE_RXCLEAR);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(gapMs_);
    while (std::chrono::steady_clock::now() < end && !cancelled()) Sleep(1);
  }

  size_t SendSome(const uint8_t* data, size_t size) override {
    DWORD written = 0;
    if (!WriteFile(port_.get(), data, static_cast<DWORD>(size), &written, nullptr)) FailSystem(texts::kOpPortSend);
    return written;
  }

  // Always one byte more than a response may hold, less what is in: a
  // device that keeps talking is caught without overrunning the buffer.
  int WantedTotal(const uint8_t*, size_t) const override { return static_cast<int>(kModbusMaxResponseBytes + 1); }

  size_t ReceiveSome(uint8_t* buffer, size_t size) override {
    DWORD read = 0;
    if (!ReadFile(port_.get(), buffer, static_cast<DWORD>(size), &read, nullptr)) FailSystem(texts::kOpPortReceive);
    return read;
  }

 private:
  FileHandle port_;
  uint32_t gapMs_;
};

}  // namespace

std::unique_ptr<ModbusLink> ModbusOpenRtu(const ModbusConnectionConfig& config, const ModbusCancelled&) {
  const std::wstring path = L"\\\\.\\" + Utf8ToUtf16(config.serialPort);
  FileHandle port(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!port) FailSystem(texts::kOpOpenPort);
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  if (!GetCommState(port.get(), &dcb)) FailSystem(texts::kOpReadPortSettings);
  dcb.BaudRate = static_cast<DWORD>(config.baudRate);
  dcb.ByteSize = 8;
  dcb.Parity = config.parity == "even" ? EVENPARITY : config.parity == "odd" ? ODDPARITY : NOPARITY;
  dcb.StopBits = config.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fParity = config.parity != "none";
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = kReadTotalConstantMs;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = kWriteTotalConstantMs;
  if (!SetCommState(port.get(), &dcb) || !SetCommTimeouts(port.get(), &timeouts)) FailSystem(texts::kOpConfigurePort);
  PurgeComm(port.get(), PURGE_RXCLEAR | PURGE_TXCLEAR);
  return std::make_unique<RtuLink>(std::move(port), static_cast<uint32_t>(config.baudRate));
}

}  // namespace nubo
