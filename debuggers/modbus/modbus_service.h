#pragma once

namespace nubo {

// The Modbus master. Until its sessions exist there is nothing to
// stop; the application still owns it and stops it in its place in the order.
class ModbusService {
 public:
  void Stop() {}
};

}  // namespace nubo
