#pragma once

namespace nubo {

// The MQTT client. Until its sessions exist there is nothing to
// stop; the application still owns it and stops it in its place in the order.
class MqttService {
 public:
  void Stop() {}
};

}  // namespace nubo
