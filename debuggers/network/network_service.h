#pragma once

namespace nubo {

// The network debugger (TCP client, TCP server, UDP). Until its sessions exist there is nothing to
// stop; the application still owns it and stops it in its place in the order.
class NetworkService {
 public:
  void Stop() {}
};

}  // namespace nubo
