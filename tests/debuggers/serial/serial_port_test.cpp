// The serial debugger against Python peers on the far ends of the session's
// pty-backed COM ports (scripts/lib/wine-session.sh).

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "debuggers/serial/serial_service.h"
#include "tests/debuggers/network/support/python_peer.h"
#include "tests/debuggers/network/support/route_session.h"
#include "tests/debuggers/serial/support/serial_session.h"
#include "tests/support/app_harness.h"

namespace nubo {
namespace {

using testing::Json;
using testing::CountingHex;

std::string Failure(const std::string& operation, int code) {
  return operation + "失败（Win32 " + std::to_string(code) + "）。请检查设备连接、端口占用和驱动。";
}

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(testing::MappedSerialPorts().size(), 3u) << "run under wine-session.sh"; }

  // Opens port with the peer's end in the given role and waits for "open".
  void Open(const std::string& port, const std::string& role, Json members = Json::object()) {
    peer_.Call("open " + port.substr(3) + " " + role);
    const Json reply = session_.Start(port, std::move(members));
    ASSERT_EQ(reply["type"], "serial.start.result") << reply;
    ASSERT_TRUE(session_.WaitForState("open")) << session_.snapshot();
  }

  testing::PythonPeer peer_{testing::SerialPeerScript()};
  SerialService service_;
  testing::SerialSession session_{service_};
};

TEST_F(SerialPortTest, EnumerateListsTheMappedPortsInOrder) {
  const Json ports = session_.Call("enumerate")["payload"]["ports"];
  const std::vector<std::string> mapped = testing::MappedSerialPorts();
  // The host's own serial device, if any, follows as the next free number.
  ASSERT_GE(ports.size(), mapped.size()) << ports;
  ASSERT_LE(ports.size(), mapped.size() + 1) << ports;
  for (size_t i = 0; i < mapped.size(); ++i) {
    EXPECT_EQ(ports[i]["port"], mapped[i]);
    EXPECT_EQ(ports[i]["label"], "\\Device\\Serial" + std::to_string(i));
  }
}

TEST_F(SerialPortTest, ExactBytesBothWaysWithCountersAndStatus) {
  Open("COM1", "read", {{"baud", 9600}, {"parity", 2}, {"dataBits", 7}, {"stopBits", 2}});
  EXPECT_EQ(session_.snapshot()["baud"], 9600);
  EXPECT_EQ(session_.snapshot()["parity"], 2);
  EXPECT_EQ(session_.Messages("status"), (std::vector<std::string>{"正在打开串口…", "COM1 已打开。"}));

  const std::string sent = CountingHex(300, 250);
  ASSERT_EQ(session_.Send(sent)["type"], "serial.send.result");
  EXPECT_EQ(peer_.Call("take 1 300 5"), sent);
  peer_.Call("write 1 00ff0d0a1113");
  ASSERT_TRUE(session_.WaitForRx(6));
  EXPECT_EQ(session_.DataHex("rx"), "00ff0d0a1113");
  ASSERT_TRUE(session_.PollUntil([&] { return session_.snapshot()["txBytes"] == 300; }));
  EXPECT_EQ(session_.DataHex("tx"), sent);
  EXPECT_EQ(session_.snapshot()["rxBytes"], 6);
  const Json* rx = session_.LastOfKind("rx");
  EXPECT_EQ((*rx)["byteLength"], 6);
  EXPECT_EQ((*rx)["message"], "");
  EXPECT_TRUE(session_.Messages("error").empty());
}

TEST_F(SerialPortTest, IdlePortStaysOpen) {
  Open("COM1", "hold");
  std::this_thread::sleep_for(std::chrono::seconds(2));
  session_.Poll();
  EXPECT_EQ(session_.State(), "open") << session_.snapshot();
  EXPECT_TRUE(session_.Messages("error").empty());
}

TEST_F(SerialPortTest, LongSendThroughASlowReaderSucceeds) {
  peer_.Call("open 1 read 5000");
  ASSERT_EQ(session_.Start("COM1")["type"], "serial.start.result");
  ASSERT_TRUE(session_.WaitForState("open"));
  const std::string sent = CountingHex(65536, 7);
  ASSERT_EQ(session_.Send(sent)["type"], "serial.send.result");
  // About 13 s at 5 KB/s: more than four times the stall limit in all.
  ASSERT_TRUE(session_.PollUntil([&] { return session_.snapshot()["txBytes"] == 65536 || session_.State() != "open"; },
                                 30000))
      << session_.snapshot();
  EXPECT_EQ(session_.State(), "open") << session_.snapshot();
  const std::string received = peer_.Call("take 1 65536 10");
  EXPECT_EQ(received.size(), sent.size());
  EXPECT_TRUE(received == sent);
}

TEST_F(SerialPortTest, StalledWriteFailsThreeSecondsAfterLastProgress) {
  Open("COM1", "hold");
  for (int i = 0; i < 4; ++i) ASSERT_EQ(session_.Send(CountingHex(65536, i))["type"], "serial.send.result");
  ASSERT_TRUE(session_.WaitForState("error", 20000)) << session_.snapshot();
  const std::string failure = Failure("写入串口", 1460);
  EXPECT_EQ(session_.snapshot()["lastError"], failure);
  const Json* error = session_.LastOfKind("error");
  ASSERT_NE(error, nullptr);
  EXPECT_EQ((*error)["message"], failure);
  const Json* lastTx = session_.LastOfKind("tx");
  ASSERT_NE(lastTx, nullptr) << "the pty took nothing at all";
  const int64_t quiet = (*error)["timestamp"].get<int64_t>() - (*lastTx)["timestamp"].get<int64_t>();
  EXPECT_GE(quiet, 2950);
  EXPECT_LE(quiet, 4200);
  EXPECT_EQ(session_.Send("00")["payload"]["message"], "请先打开串口。");
}

TEST_F(SerialPortTest, CutLineFailsTheReadAndAStartOpensAgain) {
  Open("COM2", "echo");
  peer_.Call("cut 2");
  ASSERT_TRUE(session_.WaitForState("error")) << session_.snapshot();
  EXPECT_EQ(session_.snapshot()["lastError"].get<std::string>().rfind("读取串口失败（Win32 ", 0), 0u)
      << session_.snapshot();
  ASSERT_EQ(peer_.Call("ready 2 5"), "1");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  Open("COM2", "echo");
  session_.Send("a5a5");
  ASSERT_TRUE(session_.WaitForRx(2));
  EXPECT_EQ(session_.DataHex("rx"), "a5a5");
}

TEST_F(SerialPortTest, MissingPortFailsToOpen) {
  ASSERT_EQ(session_.Start("COM250")["type"], "serial.start.result");
  ASSERT_TRUE(session_.WaitForState("error"));
  EXPECT_EQ(session_.snapshot()["lastError"], Failure("打开串口", 2));
  EXPECT_EQ(session_.Messages("error"), std::vector<std::string>{Failure("打开串口", 2)});
}

TEST_F(SerialPortTest, StopClosesAndAStartReopens) {
  Open("COM1", "echo");
  EXPECT_EQ(session_.Start("COM1")["payload"]["message"], "请先关闭当前串口。");
  EXPECT_EQ(session_.Call("stop")["payload"]["snapshot"]["state"], "stopping");
  ASSERT_TRUE(session_.WaitForState("stopped"));
  EXPECT_EQ(session_.Messages("status").back(), "串口已关闭。");
  Open("COM1", "echo", {{"baud", 57600}});
  EXPECT_EQ(session_.snapshot()["rxBytes"], 0);
  session_.Send("3c3e");
  ASSERT_TRUE(session_.WaitForRx(2));
  service_.Stop();
  EXPECT_EQ(session_.Poll()["payload"]["snapshot"]["state"], "stopped");
  EXPECT_EQ(session_.Messages("status").back(), "串口已关闭。");
  Open("COM1", "echo");  // a new worker after the service stop
}

TEST_F(SerialPortTest, SendQueueLimitsAtTheBoundary) {
  const std::string full = "串口发送队列已满，请降低循环频率。";
  // The peer's XOFF holds every write; the worker holds the first buffer.
  // On a busy machine a byte may leave before the XOFF is seen: send single
  // bytes until one stays held; nothing after it may leave.
  Json heldTxBytes;
  const auto openHeld = [&] {
    Open("COM1", "hold", {{"flowControl", 2}});
    peer_.Call("write 1 13");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (int attempt = 0; attempt < 5; ++attempt) {
      session_.Poll();
      const Json before = session_.snapshot()["txBytes"];
      session_.Send("01");
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      session_.Poll();
      heldTxBytes = session_.snapshot()["txBytes"];
      if (heldTxBytes == before) return;
    }
    FAIL() << "the peer's XOFF never held a write";
  };
  openHeld();
  for (int i = 0; i < 128; ++i) ASSERT_EQ(session_.Send("02")["type"], "serial.send.result") << i;
  EXPECT_EQ(session_.Send("03")["payload"]["message"], full);

  session_.Call("stop");
  ASSERT_TRUE(session_.WaitForState("stopped"));
  openHeld();
  for (int i = 0; i < 3; ++i) ASSERT_EQ(session_.Send(CountingHex(65536))["type"], "serial.send.result");
  const std::string length = "每次发送须为 1–65536 字节的完整 Hex。";
  EXPECT_EQ(session_.Send(CountingHex(65536, 1) + "00")["payload"]["message"], length);
  EXPECT_EQ(session_.Send(CountingHex(65536, 1).substr(2) + "0")["payload"]["message"], length);
  EXPECT_EQ(session_.Send(CountingHex(65534) + "zz")["payload"]["message"], "串口发送内容包含无效 Hex。");
  EXPECT_EQ(session_.Send(CountingHex(65535))["type"], "serial.send.result");  // 262,143 bytes queued
  EXPECT_EQ(session_.Send("0000")["payload"]["message"], full);
  EXPECT_EQ(session_.Send("00")["type"], "serial.send.result");  // 262,144
  EXPECT_EQ(session_.Send("00")["payload"]["message"], full);
  EXPECT_EQ(session_.snapshot()["txBytes"], heldTxBytes);
}

TEST(SerialWorkbench, HidingTheWorkbenchClosesThePort) {
  testing::PythonPeer peer(testing::SerialPeerScript());
  peer.Call("open 3 echo");
  testing::AppHarness harness;
  harness.StartWithBothWindows();
  const auto lastReply = [&](const std::string& type) {
    const std::vector<std::string> posted = harness.DashboardView().PostedOfType(type);
    return posted.empty() ? Json() : Json::parse(posted.back());
  };
  const auto poll = [&] {
    harness.FromDashboard(R"({"type":"serial.poll","payload":{"requestId":"p"}})");
    return lastReply("serial.poll.result")["payload"]["snapshot"]["state"];
  };
  harness.FromDashboard(R"({"type":"serial.start","payload":{"requestId":"s","port":"COM3"}})");
  ASSERT_EQ(lastReply("serial.start.result")["payload"]["requestId"], "s");
  ASSERT_TRUE(harness.PumpUntil([&] { return poll() == "open"; }, 5000));
  harness.FromDashboard(R"({"type":"window.hideDashboard","payload":{}})");
  EXPECT_EQ(poll(), "stopped");
  harness.FromDashboard(R"({"type":"serial.start","payload":{"requestId":"t","port":"COM3"}})");
  EXPECT_EQ(lastReply("serial.start.error")["payload"]["requestId"], "t");
}

}  // namespace
}  // namespace nubo
