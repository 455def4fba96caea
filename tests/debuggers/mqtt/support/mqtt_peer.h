#pragma once

#include <string>

#include "tests/debuggers/network/support/python_peer.h"

namespace nubo::testing {

// The MQTT peers of peers/mqtt_peer.py; broker() starts mosquitto once.
class MqttPeer : public PythonPeer {
 public:
  MqttPeer();

  struct Broker {
    int plain = 0;
    int tls = 0;
    int wrongName = 0;
    int untrusted = 0;
    std::string folder;  // Unix path of the certificates
  };
  const Broker& broker();

 private:
  Broker broker_;
};

// Adds the broker's test CA to this Wine prefix's machine Root store.
void TrustTestCa(const std::string& unixFolder);

}  // namespace nubo::testing
