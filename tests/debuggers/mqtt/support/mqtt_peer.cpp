#include "tests/debuggers/mqtt/support/mqtt_peer.h"

#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace nubo::testing {

MqttPeer::MqttPeer() : PythonPeer(NUBO_MQTT_PEER_SCRIPT) {}

const MqttPeer::Broker& MqttPeer::broker() {
  if (broker_.plain == 0) {
    const std::vector<std::string> words = Words("broker");
    broker_ = Broker{std::stoi(words.at(0)), std::stoi(words.at(1)), std::stoi(words.at(2)),
                     std::stoi(words.at(3)), words.at(4)};
  }
  return broker_;
}

void TrustTestCa(const std::string& unixFolder) {
  std::string path = "Z:" + unixFolder + "/ca.der";
  for (char& c : path) c = c == '/' ? '\\' : c;
  std::ifstream file(path, std::ios::binary);
  const std::vector<unsigned char> der{std::istreambuf_iterator<char>(file), {}};
  if (der.empty()) throw std::runtime_error("no test CA at " + path);
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (store == nullptr) throw std::runtime_error("machine Root store: " + std::to_string(GetLastError()));
  const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                      static_cast<DWORD>(der.size()),
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  const DWORD error = GetLastError();
  CertCloseStore(store, 0);
  if (!added) throw std::runtime_error("adding the test CA: " + std::to_string(error));
}

}  // namespace nubo::testing
