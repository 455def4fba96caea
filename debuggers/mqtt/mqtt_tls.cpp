// The MQTT client's TLS side over Schannel: the client handshake, the
// certificate check after it, record encryption and decryption.

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "debuggers/mqtt/mqtt_transport.h"
#include "debuggers/mqtt/mqtt_transport_limits.h"
#include "debuggers/mqtt/mqtt_transport_texts.h"
#include "debuggers/common/failure_text.h"
#include "store/hex_text.h"

namespace nubo {
namespace {

constexpr DWORD kEnabledProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;
static_assert(kEnabledProtocols == 0x2800);
constexpr DWORD kCredentialFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_AUTO_CRED_VALIDATION;
static_assert(kCredentialFlags == 0x30);
constexpr ULONG kRequirements = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_EXTENDED_ERROR | ISC_REQ_STREAM;
static_assert(kRequirements == 0xC11C);

bool Fail(std::string& text, std::string_view message) {
  text.assign(message);
  return false;
}

bool FailStatus(std::string& text, uint32_t status) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(status >> 24), static_cast<uint8_t>(status >> 16),
                           static_cast<uint8_t>(status >> 8), static_cast<uint8_t>(status)};
  text.assign(mqtt::text::kTlsHandshakeFailed);
  text += ToLowerHex(bytes, sizeof(bytes));
  text.append(mqtt::text::kTlsHandshakeFailedEnd);
  return false;
}

uint32_t LastErrorStatus() { return static_cast<uint32_t>(HRESULT_FROM_WIN32(GetLastError())); }

// Releases the provider's output token when it goes out of scope.
struct OutputToken {
  SecBuffer buffer{0, SECBUFFER_TOKEN, nullptr};
  ~OutputToken() {
    if (buffer.pvBuffer != nullptr) FreeContextBuffer(buffer.pvBuffer);
  }
};

}  // namespace

bool MqttConnection::TlsHandshake(std::string_view host, const MqttAbortTest& abort, std::string& text) {
  SCHANNEL_CRED settings{};
  settings.dwVersion = SCHANNEL_CRED_VERSION;
  settings.grbitEnabledProtocols = kEnabledProtocols;
  settings.dwFlags = kCredentialFlags;
  TimeStamp expiry{};
  if (AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                &settings, nullptr, nullptr, &credentials_, &expiry) != SEC_E_OK) {
    return Fail(text, mqtt::text::kTlsCredentials);
  }
  credentialsHeld_ = true;
  std::wstring target = MqttUtf8ToWide(host);
  if (target.empty()) return Fail(text, mqtt::text::kTlsNameNotUtf8);

  const uint64_t started = MqttSteadyNowMs();
  if (abort()) return false;
  std::vector<uint8_t> input;
  bool firstCall = true;
  for (;;) {
    if (MqttSteadyNowMs() - started >= mqtt::kHandshakeBudgetMs) return Fail(text, mqtt::text::kTlsHandshakeTimeout);
    // The provider rewrites the input descriptions: they are built afresh for every call.
    SecBuffer inBuffers[2] = {{static_cast<ULONG>(input.size()), SECBUFFER_TOKEN, input.data()},
                              {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc{SECBUFFER_VERSION, 2, inBuffers};
    OutputToken token;
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &token.buffer};
    ULONG attributes = 0;
    SECURITY_STATUS status = InitializeSecurityContextW(
        &credentials_, firstCall ? nullptr : &context_, target.data(), kRequirements, 0, SECURITY_NATIVE_DREP,
        input.empty() ? nullptr : &inDesc, 0, firstCall ? &context_ : nullptr, &outDesc, &attributes, &expiry);
    if (firstCall && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED || status == SEC_I_COMPLETE_NEEDED ||
                      status == SEC_I_COMPLETE_AND_CONTINUE)) {
      contextHeld_ = true;
    }
    firstCall = false;
    if (status == SEC_I_COMPLETE_NEEDED || status == SEC_I_COMPLETE_AND_CONTINUE) {
      if (CompleteAuthToken(&context_, &outDesc) != SEC_E_OK) return Fail(text, mqtt::text::kTlsTokenIncomplete);
      status = status == SEC_I_COMPLETE_NEEDED ? SEC_E_OK : SEC_I_CONTINUE_NEEDED;
    }
    if (token.buffer.cbBuffer > 0 && token.buffer.pvBuffer != nullptr &&
        !MqttSendAll(socket_.get(), static_cast<const uint8_t*>(token.buffer.pvBuffer), token.buffer.cbBuffer,
                     abort, text)) {
      return false;
    }
    const bool extra = inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer > 0 &&
                       inBuffers[1].cbBuffer <= input.size();
    if (status == SEC_E_OK) {
      if (extra) encrypted_.assign(input.end() - inBuffers[1].cbBuffer, input.end());
      if (!VerifyServerCertificate(target, text)) return false;
      if (QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK ||
          sizes_.cbMaximumMessage == 0) {
        return Fail(text, mqtt::text::kTlsStreamSizes);
      }
      return true;
    }
    if (status == SEC_I_CONTINUE_NEEDED) {
      if (extra) {
        input.erase(input.begin(), input.end() - inBuffers[1].cbBuffer);
        if (abort()) return false;
        continue;
      }
      input.clear();
    } else if (status != SEC_E_INCOMPLETE_MESSAGE) {
      return FailStatus(text, static_cast<uint32_t>(status));
    }

    bool readable = false;
    while (!readable) {
      if (abort()) return false;
      if (MqttSteadyNowMs() - started >= mqtt::kHandshakeBudgetMs) {
        return Fail(text, mqtt::text::kTlsHandshakeTimeout);
      }
      readable = MqttWaitSocket(socket_.get(), false, mqtt::kAbortSliceMs);
      if (!readable) continue;
      const size_t before = input.size();
      input.resize(before + mqtt::kSocketReadBytes);
      size_t length = 0;
      const int received = NetRecv(socket_.get(), input.data() + before, mqtt::kSocketReadBytes, &length, nullptr);
      input.resize(before + (received == kNetDone ? length : 0));
      if (received == kNetWouldBlock) {
        readable = false;  // ready, then nothing: wait again
        continue;
      }
      if (received != kNetDone || length == 0) return Fail(text, mqtt::text::kTlsClosedInHandshake);
    }
    if (input.size() > mqtt::kTlsHandshakeMaxBytes) return Fail(text, mqtt::text::kTlsHandshakeTooLarge);
    if (abort()) return false;
  }
}

// The provider validates the broker's chain and name itself where it can;
// the same policy check here keeps the rule where it does not (Wine's
// provider checks nothing).
bool MqttConnection::VerifyServerCertificate(const std::wstring& target, std::string& text) {
  PCCERT_CONTEXT remote = nullptr;
  const SECURITY_STATUS queried = QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &remote);
  if (queried != SEC_E_OK || remote == nullptr) {
    return FailStatus(text, static_cast<uint32_t>(queried != SEC_E_OK ? queried : SEC_E_CERT_UNKNOWN));
  }
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof(chainPara);
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  uint32_t result = 0;
  if (!CertGetCertificateChain(nullptr, remote, nullptr, remote->hCertStore, &chainPara, 0, nullptr, &chain)) {
    result = LastErrorStatus();
  } else {
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof(ssl);
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(target.c_str());
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof(policy);
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS verdict{};
    verdict.cbSize = sizeof(verdict);
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &verdict)) {
      result = LastErrorStatus();
    } else {
      result = verdict.dwError;
    }
    // Windows's SSL policy refuses a chain that reaches no root; Wine's
    // passes it, so the chain's own status is read as well.
    if (result == 0 && (chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_PARTIAL_CHAIN) != 0) {
      result = static_cast<uint32_t>(CERT_E_CHAINING);
    }
    CertFreeCertificateChain(chain);
  }
  CertFreeCertificateContext(remote);
  return result == 0 || FailStatus(text, result);
}

bool MqttConnection::SendTls(const uint8_t* data, size_t length, const MqttAbortTest& abort, std::string& text) {
  const size_t header = sizes_.cbHeader;
  const size_t trailer = sizes_.cbTrailer;
  for (size_t offset = 0; offset < length;) {
    const size_t chunk = std::min<size_t>(length - offset, sizes_.cbMaximumMessage);
    record_.assign(header + chunk + trailer, 0);
    std::memcpy(record_.data() + header, data + offset, chunk);
    SecBuffer buffers[4] = {{static_cast<ULONG>(header), SECBUFFER_STREAM_HEADER, record_.data()},
                            {static_cast<ULONG>(chunk), SECBUFFER_DATA, record_.data() + header},
                            {static_cast<ULONG>(trailer), SECBUFFER_STREAM_TRAILER, record_.data() + header + chunk},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    if (EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) return Fail(text, mqtt::text::kTlsEncryptFailed);
    const size_t total = static_cast<size_t>(buffers[0].cbBuffer) + buffers[1].cbBuffer + buffers[2].cbBuffer;
    if (!MqttSendAll(socket_.get(), record_.data(), total, abort, text)) return false;
    offset += chunk;
  }
  return true;
}

// Reads first and waits only when nothing is there, as the plain receive
// does: a flood is decrypted from large reads without a select() before each.
int MqttConnection::ReceiveTls(std::vector<uint8_t>& out, std::string& text, const MqttAbortTest& abort,
                               const std::atomic<bool>* wake, size_t room) {
  const uint64_t deadline = MqttSteadyNowMs() + mqtt::kTlsReceiveBudgetMs;
  for (;;) {
    if (MqttSteadyNowMs() >= deadline) return out.empty() ? 0 : 1;
    if (encryptedStart_ == encrypted_.size() || needMore_) {
      int code = 0;
      int received = ReadEncrypted(room, code);
      if (received == kNetWouldBlock) {
        if (!MqttWaitReadable(socket_.get(), wake)) return 0;
        received = ReadEncrypted(room, code);
      }
      if (received == kNetWouldBlock) continue;  // ready, then nothing: wait again
      if (received == kNetClosed) {
        text.assign(mqtt::text::kBrokerClosedTls);
        return -1;
      }
      if (received != kNetDone) {
        text = FormatWinsockFailure(mqtt::text::kOpReceiveTls, code);
        return -1;
      }
      if (encrypted_.size() > mqtt::kTlsReceiveMaxBytes) {
        text.assign(mqtt::text::kTlsReceiveTooLarge);
        return -1;
      }
      needMore_ = false;
    }
    switch (Decrypt(out, text)) {
      case DecryptEnd::kData:
        return 1;
      case DecryptEnd::kDrained:
        return 0;
      case DecryptEnd::kFailed:
        return -1;
      case DecryptEnd::kGoOn:
        break;
    }
    if (abort()) return 0;
  }
}

// Appends one read, as large as a plain one, behind the undecrypted bytes;
// a read of 0 bytes counts as closed.
int MqttConnection::ReadEncrypted(size_t room, int& code) {
  encrypted_.erase(encrypted_.begin(), encrypted_.begin() + static_cast<ptrdiff_t>(encryptedStart_));
  encryptedStart_ = 0;
  const size_t before = encrypted_.size();
  const size_t wanted = std::clamp(room, mqtt::kSocketReadBytes, mqtt::kSocketReadMaxBytes);
  encrypted_.resize(before + wanted);
  size_t length = 0;
  const int received = NetRecv(socket_.get(), encrypted_.data() + before, wanted, &length, &code);
  encrypted_.resize(before + (received == kNetDone ? length : 0));
  return received == kNetDone && length == 0 ? kNetClosed : received;
}

MqttConnection::DecryptEnd MqttConnection::Decrypt(std::vector<uint8_t>& out, std::string& text) {
  // Decrypted records stay in front of encryptedStart_ until the next read,
  // so that a large read is not moved up once per record.
  const size_t pending = encrypted_.size() - encryptedStart_;
  // Fewer bytes than a record header are an incomplete record whatever the
  // provider would make of them.
  if (pending < mqtt::kTlsRecordHeaderBytes) {
    needMore_ = true;
    return DecryptEnd::kGoOn;
  }
  SecBuffer buffers[4] = {{static_cast<ULONG>(pending), SECBUFFER_DATA, encrypted_.data() + encryptedStart_},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr},
                          {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
  const SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
  if (status == SEC_E_OK || status == SEC_I_RENEGOTIATE) {
    size_t extra = 0;
    for (const SecBuffer& buffer : buffers) {
      if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0 && buffer.pvBuffer != nullptr) {
        const auto* bytes = static_cast<const uint8_t*>(buffer.pvBuffer);
        out.insert(out.end(), bytes, bytes + buffer.cbBuffer);
      } else if (buffer.BufferType == SECBUFFER_EXTRA && buffer.cbBuffer <= pending) {
        extra = buffer.cbBuffer;
      }
    }
    encryptedStart_ = encrypted_.size() - extra;
    if (extra == 0) {
      encrypted_.clear();
      encryptedStart_ = 0;
    }
    if (status == SEC_I_RENEGOTIATE) {
      text.assign(mqtt::text::kTlsRenegotiate);
      return DecryptEnd::kFailed;
    }
    if (!out.empty()) return DecryptEnd::kData;
    return encrypted_.empty() ? DecryptEnd::kDrained : DecryptEnd::kGoOn;
  }
  if (status == SEC_I_CONTEXT_EXPIRED) {
    text.assign(mqtt::text::kTlsSessionClosed);
    return DecryptEnd::kFailed;
  }
  if (status == SEC_E_INCOMPLETE_MESSAGE) {
    needMore_ = true;
    return DecryptEnd::kGoOn;
  }
  text.assign(mqtt::text::kTlsRecordInvalid);
  return DecryptEnd::kFailed;
}

}  // namespace nubo
