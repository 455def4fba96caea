#include "debuggers/serial/serial_port.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "debuggers/serial/serial_limits.h"
#include "store/win_handles.h"

namespace nubo {

struct SerialPort {
  FileHandle handle;
  OVERLAPPED readOverlapped{};
  EventHandle readEvent;
  OVERLAPPED writeOverlapped{};
  EventHandle writeEvent;
  bool readPending = false;
  bool writePending = false;
  bool writeDone = false;
  DWORD bytesWritten = 0;
  uint8_t readBuffer[serial::kReadBufferBytes];
  uint8_t writeBuffer[serial::kWriteBufferBytes];
};

namespace {

void SetCode(uint32_t* errorCode, DWORD code) {
  if (errorCode != nullptr) *errorCode = code;
}

// Wine ends an overlapped transfer cut short by the port's time-outs with
// ERROR_TIMEOUT; Windows reports success with the short count. Both are a
// completion with the count moved so far.
bool CompletedOrTimedOut(BOOL ok, DWORD error) { return ok || error == ERROR_TIMEOUT; }

bool Configure(HANDLE handle, const SerialPortSettings& s) {
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  if (!GetCommState(handle, &dcb)) return false;
  dcb.BaudRate = s.baudRate;
  dcb.ByteSize = static_cast<BYTE>(s.dataBits);
  dcb.Parity = static_cast<BYTE>(s.parity);
  dcb.StopBits = static_cast<BYTE>(s.stopBits);
  dcb.fBinary = TRUE;
  dcb.fParity = s.parity != 0;
  dcb.fOutxCtsFlow = s.flowControl == 1;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fTXContinueOnXoff = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  dcb.fDtrControl = s.dtr == 1 ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb.fOutX = s.flowControl == 2;
  dcb.fInX = s.flowControl == 2;
  dcb.fRtsControl = s.flowControl == 1 ? RTS_CONTROL_HANDSHAKE : (s.rts == 1 ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE);
  dcb.XonLim = 256;
  dcb.XoffLim = 256;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  if (!SetCommState(handle, &dcb)) return false;
  if (!SetupComm(handle, serial::kDriverQueueBytes, serial::kDriverQueueBytes)) return false;
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = serial::kReadTotalConstantMs;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = serial::kWriteTotalConstantMs;
  if (!SetCommTimeouts(handle, &timeouts)) return false;
  return PurgeComm(handle, PURGE_TXCLEAR | PURGE_RXCLEAR) != FALSE;
}

int CopyRead(SerialPort* port, uint8_t* destination, DWORD count) {
  if (count > 0) std::memcpy(destination, port->readBuffer, count);
  return static_cast<int>(count);
}

}  // namespace

SerialPort* SerialPortOpen(const SerialPortSettings* settings, uint32_t* errorCode) {
  if (SerialPortValidateSettings(settings) == 0) {
    SetCode(errorCode, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SerialPort* port = new (std::nothrow) SerialPort();
  if (port == nullptr) {
    SetCode(errorCode, ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  char path[24];
  std::snprintf(path, sizeof(path), "\\\\.\\%s", settings->portName);
  port->handle.reset(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr));
  bool ok = static_cast<bool>(port->handle);
  if (ok) {
    port->readEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    port->writeEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ok = port->readEvent && port->writeEvent;
  }
  if (ok) {
    port->readOverlapped.hEvent = port->readEvent.get();
    port->writeOverlapped.hEvent = port->writeEvent.get();
    ok = Configure(port->handle.get(), *settings);
  }
  if (!ok) {
    const DWORD code = GetLastError();
    SerialPortClose(port);
    SetCode(errorCode, code);
    return nullptr;
  }
  SetCode(errorCode, 0);
  return port;
}

int SerialPortRead(SerialPort* port, uint8_t* destination, size_t capacity, uint32_t* errorCode) {
  if (port == nullptr || destination == nullptr || capacity < serial::kReadBufferBytes) {
    SetCode(errorCode, ERROR_INVALID_PARAMETER);
    return -1;
  }
  DWORD count = 0;
  if (!port->readPending) {
    ResetEvent(port->readEvent.get());
    const BOOL ok = ReadFile(port->handle.get(), port->readBuffer, serial::kReadBufferBytes, &count,
                             &port->readOverlapped);
    const DWORD error = ok ? 0 : GetLastError();
    if (CompletedOrTimedOut(ok, error)) {
      if (!ok) count = static_cast<DWORD>(port->readOverlapped.InternalHigh);
      return CopyRead(port, destination, count);
    }
    if (error != ERROR_IO_PENDING) {
      SetCode(errorCode, error);
      return -1;
    }
    port->readPending = true;
  }
  const BOOL ok = GetOverlappedResult(port->handle.get(), &port->readOverlapped, &count, FALSE);
  const DWORD error = ok ? 0 : GetLastError();
  if (!ok && error == ERROR_IO_INCOMPLETE) return 0;
  port->readPending = false;
  if (CompletedOrTimedOut(ok, error)) {
    return CopyRead(port, destination, ok ? count : static_cast<DWORD>(port->readOverlapped.InternalHigh));
  }
  SetCode(errorCode, error);
  return -1;
}

bool SerialPortWaitForRead(SerialPort* port, uint32_t timeoutMs) {
  if (port == nullptr || !port->readPending) return false;
  WaitForSingleObject(port->readEvent.get(), timeoutMs);
  return true;
}

int SerialPortWrite(SerialPort* port, const uint8_t* bytes, size_t length, uint32_t* errorCode) {
  if (port == nullptr || bytes == nullptr || length == 0 || length > serial::kWriteBufferBytes ||
      port->writePending || port->writeDone) {
    SetCode(errorCode, ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::memcpy(port->writeBuffer, bytes, length);
  ResetEvent(port->writeEvent.get());
  DWORD count = 0;
  const BOOL ok = WriteFile(port->handle.get(), port->writeBuffer, static_cast<DWORD>(length), &count,
                            &port->writeOverlapped);
  const DWORD error = ok ? 0 : GetLastError();
  if (CompletedOrTimedOut(ok, error)) {
    port->writeDone = true;
    port->bytesWritten = ok ? count : static_cast<DWORD>(port->writeOverlapped.InternalHigh);
    return 1;
  }
  if (error == ERROR_IO_PENDING) {
    port->writePending = true;
    return 1;
  }
  SetCode(errorCode, error);
  return 0;
}

int SerialPortPollWrite(SerialPort* port, uint32_t* bytesWritten, uint32_t* errorCode) {
  if (port == nullptr || bytesWritten == nullptr || (!port->writePending && !port->writeDone)) {
    SetCode(errorCode, ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (port->writePending) {
    DWORD count = 0;
    const BOOL ok = GetOverlappedResult(port->handle.get(), &port->writeOverlapped, &count, FALSE);
    const DWORD error = ok ? 0 : GetLastError();
    if (!ok && error == ERROR_IO_INCOMPLETE) return 0;
    port->writePending = false;
    port->writeDone = false;
    if (!CompletedOrTimedOut(ok, error)) {
      SetCode(errorCode, error);
      return -1;
    }
    *bytesWritten = ok ? count : static_cast<DWORD>(port->writeOverlapped.InternalHigh);
    return 1;
  }
  port->writeDone = false;
  port->writePending = false;
  *bytesWritten = port->bytesWritten;
  return 1;
}

void SerialPortClose(SerialPort* port) {
  if (port == nullptr) return;
  if (port->handle) {
    CancelIoEx(port->handle.get(), nullptr);
    DWORD count = 0;
    if (port->readPending) GetOverlappedResult(port->handle.get(), &port->readOverlapped, &count, TRUE);
    if (port->writePending) GetOverlappedResult(port->handle.get(), &port->writeOverlapped, &count, TRUE);
    port->handle.reset();
  }
  delete port;
}

}  // namespace nubo
