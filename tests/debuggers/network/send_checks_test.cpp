// Refusals of network.send, checked on sessions held in name resolution so
// that nothing queued can leave before the checks are made.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "debuggers/network/network_service.h"
#include "tests/debuggers/common/support/fake_resolver.h"
#include "tests/debuggers/network/support/route_session.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using testing::Json;

class HeldSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::ResetFakeResolver(); }
  void TearDown() override { testing::CompletePendingLookups(WSAECANCELLED); }

  void StartHeld(const std::string& mode) {
    ASSERT_EQ(session_.Start(testing::SessionMembers(mode, "", 0, "held.test", 9))["type"], "network.start.result");
    ASSERT_TRUE(session_.PollUntil([] { return testing::PendingLookups() == 1; }));
  }
  std::string SendMessage(const std::string& hex, const std::string& target = "") {
    const Json reply = session_.Send(hex, target);
    return reply["type"] == "network.send.result" ? "queued" : reply["payload"]["message"].get<std::string>();
  }

  NetworkService service_{testing::FakeResolver()};
  testing::RouteSession session_{service_};
};

struct HexCase {
  std::string name;
  std::string text;
  std::string outcome;
};

std::ostream& operator<<(std::ostream& out, const HexCase& value) { return out << value.name; }

class SendHexTest : public HeldSessionTest, public ::testing::WithParamInterface<HexCase> {};

TEST_P(SendHexTest, TextIsParsedByTheService) {
  StartHeld("tcp-client");
  EXPECT_EQ(SendMessage(GetParam().text), GetParam().outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Service, SendHexTest,
    ::testing::Values(HexCase{"PrefixAndSeparators", "0x41 42-43:44_45", "queued"},
                      HexCase{"UpperCaseDigits", "0XaBcD", "queued"},
                      HexCase{"InvalidCharacter", "4g", "十六进制数据包含无效字符。"},
                      HexCase{"OddDigits", "41 4", "十六进制数字数量必须为偶数。"},
                      HexCase{"LonePrefix", "0x", "请输入需要发送的数据。"},
                      HexCase{"OnlySeparators", " -:_ ", "请输入需要发送的数据。"},
                      HexCase{"SecondPrefixAfterDigit", "41 0x42", "十六进制数据包含无效字符。"}),
    testing::CaseName());

TEST_F(HeldSessionTest, PendingBytesMayReachFourMebibytesExactly) {
  StartHeld("tcp-client");
  const std::string full = testing::CountingHex(65536);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(SendMessage(full), "queued") << i;
  EXPECT_EQ(SendMessage("00"), "待发送数据已达到 4 MiB 上限。");
  // A refused send changes nothing: the session still holds its place.
  EXPECT_EQ(session_.State(), "starting");
}

TEST_F(HeldSessionTest, UdpDatagramLimitsAndTarget) {
  StartHeld("udp");
  EXPECT_EQ(SendMessage(testing::CountingHex(65507)), "queued");
  EXPECT_EQ(SendMessage(testing::CountingHex(65508)), "UDP 数据报不能超过 65507 字节。");
  EXPECT_EQ(SendMessage("01", "3"), "UDP 模式使用已配置的目标地址。");
  EXPECT_EQ(SendMessage("01", "0"), "queued");
}

TEST_F(HeldSessionTest, TcpModesTakeSixtyFourKibibytes) {
  StartHeld("tcp-client");
  EXPECT_EQ(SendMessage(testing::CountingHex(65536), "7"), "queued");  // a client ignores the target
  std::string error;
  EXPECT_FALSE(service_.Send(testing::CountingHex(65537), 0, error));
  EXPECT_EQ(error, "单次发送不能超过 64 KiB。");
}

TEST_F(HeldSessionTest, SendAfterAFailureIsRefused) {
  StartHeld("udp");
  testing::CompletePendingLookups(11001);
  ASSERT_TRUE(session_.WaitForState("error"));
  EXPECT_EQ(session_.snapshot()["lastError"], "解析 UDP 地址失败（Winsock 11001）。");
  EXPECT_EQ(SendMessage("01"), "网络会话尚未启动。");
}

}  // namespace
}  // namespace nubo
