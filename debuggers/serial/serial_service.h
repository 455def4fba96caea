#pragma once

namespace nubo {

// The serial-port debugger. Until its sessions exist there is nothing to
// stop; the application still owns it and stops it in its place in the order.
class SerialService {
 public:
  void Stop() {}
};

}  // namespace nubo
