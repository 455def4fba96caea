#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "debuggers/common/failure_text.h"
#include "debuggers/serial/serial_limits.h"
#include "debuggers/serial/serial_port.h"
#include "debuggers/serial/serial_service_impl.h"

namespace nubo {

namespace text = serial::text;

namespace {

using Clock = std::chrono::steady_clock;

// One write step carries about a quarter of the write time-out's worth of
// bytes at the line's rate (10 bits a byte), so a step ends by completion,
// not by the time-out: Wine reports a timed-out write with the count 0 even
// when part of it went out, and the part would be sent again.
size_t WriteStepBytes(uint32_t baudRate) {
  const size_t bytes = baudRate / 10 * serial::kWriteTotalConstantMs / 4000;
  return std::clamp<size_t>(bytes, serial::kMinWriteStepBytes, serial::kWriteBufferBytes);
}

// The worker's own port and the buffer it is writing.
struct WorkerPort {
  SerialPort* port = nullptr;
  uint32_t baudRate = 0;
  std::vector<uint8_t> buffer;
  size_t offset = 0;
  bool writing = false;     // a buffer is taken from the queue
  bool inFlight = false;    // a write step is started and not yet collected
  Clock::time_point lastProgress{};

  void Close() {
    SerialPortClose(port);
    port = nullptr;
    buffer.clear();
    offset = 0;
    writing = false;
    inFlight = false;
  }
};

}  // namespace

bool SerialService::Impl::WaitForStopOrClose() {
  std::unique_lock lock(mutex_);
  return wake_.wait_for(lock, std::chrono::milliseconds(serial::kWorkerWaitMs),
                        [this] { return stopRequested_ || closeRequested_; });
}

void SerialService::Impl::FailWithWin32Error(std::string_view operation, uint32_t code) {
  std::lock_guard lock(mutex_);
  state_ = serial::kStateError;
  lastError_ = FormatSerialPortFailure(operation, static_cast<int>(code));
  sendQueue_.Clear();
  AppendEvent(serial::kKindError, lastError_);
}

void SerialService::Impl::WorkerLoop() {
  WorkerPort w;
  std::vector<uint8_t> received(serial::kReadBufferBytes);
  for (;;) {
    SerialPortSettings copy{};
    bool openNow = false;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return w.port != nullptr || openRequested_ || closeRequested_ || stopRequested_; });
      if (closeRequested_ || stopRequested_) {
        const bool ending = stopRequested_;
        closeRequested_ = false;
        openRequested_ = false;
        sendQueue_.Clear();
        lock.unlock();
        w.Close();
        lock.lock();
        state_ = serial::kStateStopped;
        AppendEvent(serial::kKindStatus, text::kClosed);
        if (ending) return;
        continue;
      }
      if (openRequested_) {
        copy = settings_;
        openRequested_ = false;
        openNow = true;
      }
    }

    if (openNow) {
      uint32_t code = 0;
      w.Close();
      w.port = SerialPortOpen(&copy, &code);
      if (w.port == nullptr) {
        FailWithWin32Error(text::kOpOpen, code);
        continue;
      }
      w.baudRate = copy.baudRate;
      std::lock_guard lock(mutex_);
      if (!closeRequested_ && !stopRequested_) {
        state_ = serial::kStateOpen;
        AppendEvent(serial::kKindStatus, std::string(copy.portName) + std::string(text::kOpenedSuffix));
      }
      continue;
    }

    // a. Read.
    bool moved = false;
    uint32_t code = 0;
    const int got = SerialPortRead(w.port, received.data(), received.size(), &code);
    if (got < 0) {
      w.Close();
      FailWithWin32Error(text::kOpRead, code);
      continue;
    }
    if (got > 0) {
      std::lock_guard lock(mutex_);
      moved = true;
      rxBytes_ += static_cast<uint64_t>(got);
      AppendEvent(serial::kKindRx, {}, received.data(), static_cast<size_t>(got));
    }

    // b. Take the next buffer.
    if (!w.writing) {
      std::lock_guard lock(mutex_);
      if (!sendQueue_.Empty()) {
        w.buffer = sendQueue_.PopFront().item;
        w.offset = 0;
        w.writing = true;
        w.lastProgress = Clock::now();
      }
    }

    if (w.writing) {
      // c. Start a write step of the unwritten rest.
      if (!w.inFlight) {
        const size_t step = std::min(w.buffer.size() - w.offset, WriteStepBytes(w.baudRate));
        if (SerialPortWrite(w.port, w.buffer.data() + w.offset, step, &code) == 0) {
          w.Close();
          FailWithWin32Error(text::kOpWrite, code);
          continue;
        }
        w.inFlight = true;
      }
      // d. Collect it. The limit runs from the last step that moved bytes,
      // so a slow but steady device is served however long the buffer.
      uint32_t written = 0;
      const int polled = SerialPortPollWrite(w.port, &written, &code);
      const auto stalled = Clock::now() - w.lastProgress > std::chrono::nanoseconds(serial::kWriteStallNs);
      if (polled < 0 || (polled == 0 && stalled)) {
        w.Close();
        FailWithWin32Error(text::kOpWrite, polled < 0 ? code : ERROR_TIMEOUT);
        continue;
      }
      if (polled == 1) {
        w.inFlight = false;
        const size_t rest = w.buffer.size() - w.offset;
        if (written > rest) {
          w.Close();
          FailWithWin32Error(text::kOpWriteCount, ERROR_INVALID_DATA);
          continue;
        }
        if (written > 0) {
          std::lock_guard lock(mutex_);
          txBytes_ += written;
          AppendEvent(serial::kKindTx, {}, w.buffer.data() + w.offset, written);
          w.lastProgress = Clock::now();
          moved = true;
        } else if (stalled) {
          w.Close();
          FailWithWin32Error(text::kOpWrite, ERROR_TIMEOUT);
          continue;
        }
        w.offset += written;
        if (w.offset == w.buffer.size()) {
          w.buffer.clear();
          w.writing = false;
        }
      }
    }

    // e. A pass that moved bytes goes round again at once, so a flood or a
    // long send runs at the port's pace rather than one step per wait. With
    // a read in flight the wait ends when it finishes; a close or stop is
    // then seen within the same 10 ms.
    if (!moved && !SerialPortWaitForRead(w.port, serial::kWorkerWaitMs)) WaitForStopOrClose();
  }
}

}  // namespace nubo
