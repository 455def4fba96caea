#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "tests/debuggers/mqtt/support/mqtt_peer.h"

namespace nubo::testing {

// A test suite sharing one peer process, and mosquitto with the test CA
// trusted by this prefix.
class MqttPeerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    peer_ = new MqttPeer();
    TrustTestCa(peer_->broker().folder);
  }
  static void TearDownTestSuite() {
    delete peer_;
    peer_ = nullptr;
  }

  static inline MqttPeer* peer_ = nullptr;
};

inline int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace nubo::testing
