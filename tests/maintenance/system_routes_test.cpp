#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/maintenance/port_test_rows.h"
#include "tests/maintenance/spawned_helper.h"
#include "tests/support/case_name.h"
#include "ui_bridge/messages.h"
#include "ui_bridge/system_routes.h"

namespace nubo {
namespace {

using nubo::testing::SpawnedHelper;
using nubo::testing::OwnerRow;
using nubo::testing::kCannotOpenText;
using nubo::testing::kOwnershipChangedText;
using nubo::testing::kProtectedText;

constexpr char kConfirmationRequired[] = "结束进程前必须明确确认。";
constexpr char kProcessIdInvalid[] = "进程标识无效，请刷新列表后重试。";

PortsContext TableOf(std::vector<PortEntry> rows, uint32_t ownProcessId = GetCurrentProcessId()) {
  return PortsContext{[rows] { return rows; }, ownProcessId};
}

std::string RuntimeErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const nlohmann::json::exception&) {
    return "json error";
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "no error";
}

// ---- ports.list ------------------------------------------------------------

TEST(PortsListRoute, AnswersTheEntriesInListOrder) {
  const PortsContext ports = TableOf({OwnerRow(0, "System Idle", 80), OwnerRow(1234, "服务.exe", 443)});
  const Json reply = RoutePortsRequest(ports, "ports.list", Json{{"requestId", "r1"}});
  EXPECT_EQ(SerializeMessage(reply),
            R"({"payload":{"entries":[)"
            R"({"localAddress":"127.0.0.1","localPort":80,"processId":0,"processName":"System Idle","protocol":"TCP","remoteAddress":"*","remotePort":0,"state":"监听"},)"
            R"({"localAddress":"127.0.0.1","localPort":443,"processId":1234,"processName":"服务.exe","protocol":"TCP","remoteAddress":"*","remotePort":0,"state":"监听"})"
            R"(],"requestId":"r1"},"type":"ports.list.result"})");
}

TEST(PortsListRoute, EmptyTableGivesAnEmptyList) {
  const Json reply = RoutePortsRequest(TableOf({}), "ports.list", Json{{"requestId", std::string(80, 'x')}});
  EXPECT_EQ(reply["type"], "ports.list.result");
  EXPECT_TRUE(reply["payload"]["entries"].is_array());
  EXPECT_TRUE(reply["payload"]["entries"].empty());
}

TEST(PortsListRoute, MachineTablesAreListed) {
  const Json reply = RoutePortsRequest(MachinePortsContext(), "ports.list", Json{{"requestId", "r"}});
  EXPECT_EQ(reply["type"], "ports.list.result");
  EXPECT_TRUE(reply["payload"]["entries"].is_array());
}

struct InvalidIdCase {
  std::string name;
  Json payload;
  std::string error;  // "json error" for the library's own
};

class PortsListInvalidId : public ::testing::TestWithParam<InvalidIdCase> {};

TEST_P(PortsListInvalidId, EscapesForAppError) {
  int reads = 0;
  const PortsContext ports{[&] {
                             ++reads;
                             return std::vector<PortEntry>{};
                           },
                           GetCurrentProcessId()};
  EXPECT_EQ(RuntimeErrorText([&] { RoutePortsRequest(ports, "ports.list", GetParam().payload); }),
            GetParam().error);
  EXPECT_EQ(reads, 0);
}

INSTANTIATE_TEST_SUITE_P(
    RoutePortsRequest, PortsListInvalidId,
    ::testing::Values(InvalidIdCase{"Missing", Json::object(), "端口请求缺少有效标识。"},
                      InvalidIdCase{"Empty", Json{{"requestId", ""}}, "端口请求缺少有效标识。"},
                      InvalidIdCase{"Of81Bytes", Json{{"requestId", std::string(81, 'x')}},
                                    "端口请求缺少有效标识。"},
                      InvalidIdCase{"NotText", Json{{"requestId", 5}}, "json error"},
                      InvalidIdCase{"PayloadNotObject", Json::array({1}), "json error"}),
    testing::CaseName());

TEST(PortsListRoute, FailureOfTheListingEscapes) {
  const PortsContext failing{[]() -> std::vector<PortEntry> { throw std::runtime_error("table gone"); },
                             GetCurrentProcessId()};
  EXPECT_EQ(RuntimeErrorText([&] { RoutePortsRequest(failing, "ports.list", Json{{"requestId", "r"}}); }),
            "table gone");
}

// ---- ports.terminate -------------------------------------------------------

struct TerminateCase {
  std::string name;
  Json payload;      // processId 0xFFFFFFF0 stands for the helper's pid
  std::string type;  // reply type, or "json error"
  std::string message;
};

class TerminateRefusal : public ::testing::TestWithParam<TerminateCase> {};

Json WithHelperPid(Json payload, uint32_t helperPid) {
  if (payload.contains("processId") && payload["processId"] == 0xFFFFFFF0u) payload["processId"] = helperPid;
  return payload;
}

TEST_P(TerminateRefusal, AnswersAndLeavesTheProcessRunning) {
  SpawnedHelper helper;
  const PortsContext ports =
      TableOf({OwnerRow(helper.pid(), SpawnedHelper::kImageName, 9000), OwnerRow(4, "System", 445),
               OwnerRow(0xFFFFFF00, "ghost.exe", 9001), OwnerRow(helper.pid(), "SvcHost.EXE", 9002)});
  const Json payload = WithHelperPid(GetParam().payload, helper.pid());
  if (GetParam().type == "json error") {
    EXPECT_THROW(RoutePortsRequest(ports, "ports.terminate", payload), nlohmann::json::exception);
  } else {
    const Json reply = RoutePortsRequest(ports, "ports.terminate", payload);
    EXPECT_EQ(reply["type"], GetParam().type);
    EXPECT_EQ(reply["payload"]["message"], GetParam().message);
    EXPECT_EQ(reply["payload"]["requestId"], payload.value("requestId", ""));
    EXPECT_EQ(reply["payload"].size(), 2u);
  }
  EXPECT_FALSE(helper.HasEnded(0));
}

Json Request(Json fields) {
  Json payload{{"requestId", "t1"}, {"processId", 0xFFFFFFF0u},
               {"processName", SpawnedHelper::kImageName}, {"confirmed", true}};
  for (auto& [key, value] : fields.items()) {
    if (value.is_null()) {
      payload.erase(key);
    } else {
      payload[key] = value;
    }
  }
  return payload;
}

INSTANTIATE_TEST_SUITE_P(
    RoutePortsRequest, TerminateRefusal,
    ::testing::Values(
        TerminateCase{"ConfirmedMissing", Request({{"confirmed", nullptr}}), "ports.terminate.error",
                      kConfirmationRequired},
        TerminateCase{"ConfirmedFalse", Request({{"confirmed", false}}), "ports.terminate.error",
                      kConfirmationRequired},
        TerminateCase{"RequestIdMissing", Request({{"requestId", nullptr}}), "ports.terminate.error",
                      kConfirmationRequired},
        TerminateCase{"RequestIdOf81Bytes", Request({{"requestId", std::string(81, 'r')}}),
                      "ports.terminate.error", kConfirmationRequired},
        TerminateCase{"ConfirmedNotBoolean", Request({{"confirmed", 1}}), "json error", ""},
        TerminateCase{"RequestIdNotText", Request({{"requestId", 7}}), "json error", ""},
        TerminateCase{"ProcessNameNotText", Request({{"processName", 7}}), "json error", ""},
        TerminateCase{"ProcessIdText", Request({{"processId", "1234"}}), "json error", ""},
        TerminateCase{"ProcessIdFraction", Request({{"processId", 1234.5}}), "ports.terminate.error",
                      kProcessIdInvalid},
        TerminateCase{"ProcessIdWholeFloat", Request({{"processId", 1234.0}}), "ports.terminate.error",
                      kProcessIdInvalid},
        TerminateCase{"ProcessIdBoolean", Request({{"processId", true}}), "ports.terminate.error",
                      kProcessIdInvalid},
        TerminateCase{"ProcessIdNegative", Request({{"processId", -1}}), "ports.terminate.error",
                      kProcessIdInvalid},
        TerminateCase{"ProcessIdBeyond32Bits", Request({{"processId", 4294967296ull}}),
                      "ports.terminate.error", kProcessIdInvalid},
        TerminateCase{"ProcessIdMissing", Request({{"processId", nullptr}}), "ports.terminate.error",
                      kProtectedText},
        TerminateCase{"ProcessIdLargest", Request({{"processId", 4294967295ull}}),
                      "ports.terminate.error", kOwnershipChangedText},
        TerminateCase{"SystemProcess", Request({{"processId", 4}, {"processName", "System"}}),
                      "ports.terminate.error", kProtectedText},
        TerminateCase{"ProtectedName", Request({{"processName", "SvcHost.EXE"}}), "ports.terminate.error",
                      kProtectedText},
        TerminateCase{"NameNotOwningThePort", Request({{"processName", "other.exe"}}),
                      "ports.terminate.error", kOwnershipChangedText},
        TerminateCase{"CannotOpen", Request({{"processId", 0xFFFFFF00u}, {"processName", "ghost.exe"}}),
                      "ports.terminate.error", kCannotOpenText}),
    testing::CaseName());

TEST(PortsTerminateRoute, ProgramsOwnProcessComesFromTheContext) {
  SpawnedHelper helper;
  const PortsContext ports = TableOf({OwnerRow(helper.pid(), SpawnedHelper::kImageName, 9000)}, helper.pid());
  const Json reply = RoutePortsRequest(ports, "ports.terminate",
                                       Json{{"requestId", "t"},
                                            {"processId", helper.pid()},
                                            {"processName", SpawnedHelper::kImageName},
                                            {"confirmed", true}});
  EXPECT_EQ(reply["payload"]["message"], kProtectedText);
  EXPECT_FALSE(helper.HasEnded(0));
}

TEST(PortsTerminateRoute, EndsTheOwner) {
  SpawnedHelper helper;
  const PortsContext ports = TableOf({OwnerRow(helper.pid(), SpawnedHelper::kImageName, 9000)});
  const Json reply = RoutePortsRequest(ports, "ports.terminate",
                                       Json{{"requestId", "t9"},
                                            {"processId", helper.pid()},
                                            {"processName", SpawnedHelper::kImageName},
                                            {"confirmed", true}});
  EXPECT_EQ(SerializeMessage(reply),
            R"({"payload":{"message":"进程已结束，端口列表正在刷新。","requestId":"t9"},"type":"ports.terminate.result"})");
  ASSERT_TRUE(helper.HasEnded(5000));
  EXPECT_EQ(helper.ExitCode(), 1u);
}

TEST(RoutePortsRequest, OtherTypesAreNotHandled) {
  EXPECT_THROW(RoutePortsRequest(TableOf({}), "ports.flush", Json{{"requestId", "r"}}), std::invalid_argument);
}

// ---- system.snapshot -------------------------------------------------------

SystemSnapshot KnownSnapshot() {
  SystemSnapshot snapshot;
  snapshot.operatingSystem = "Windows 11";
  snapshot.architecture = "ARM64";
  snapshot.batteryPercent = 255;
  return snapshot;
}

TEST(SystemSnapshotRoute, AnswersTheSnapshot) {
  const Json reply = RouteSystemRequest(KnownSnapshot, "system.snapshot", Json{{"requestId", "s1"}});
  EXPECT_EQ(reply["type"], "system.snapshot.result");
  EXPECT_EQ(reply["payload"]["requestId"], "s1");
  EXPECT_EQ(reply["payload"].size(), 2u);
  const Json& snapshot = reply["payload"]["snapshot"];
  EXPECT_EQ(snapshot.size(), 38u);
  EXPECT_EQ(snapshot["operatingSystem"], "Windows 11");
  EXPECT_EQ(snapshot["architecture"], "ARM64");
  EXPECT_EQ(snapshot["batteryPercent"], 255);
}

TEST(SystemSnapshotRoute, AnswersThisMachinesSnapshot) {
  const Json reply = RouteSystemRequest(BuildSystemSnapshot, "system.snapshot", Json{{"requestId", "s"}});
  EXPECT_EQ(reply["type"], "system.snapshot.result");
  EXPECT_EQ(reply["payload"]["snapshot"].size(), 38u);
  EXPECT_NO_THROW(SerializeMessage(reply));
}

TEST(SystemSnapshotRoute, FailureOfTheSnapshotIsItsErrorReply) {
  const auto failing = []() -> SystemSnapshot { throw std::runtime_error("无法读取 Windows 系统信息。"); };
  EXPECT_EQ(SerializeMessage(RouteSystemRequest(failing, "system.snapshot", Json{{"requestId", "s2"}})),
            R"({"payload":{"message":"无法读取 Windows 系统信息。","requestId":"s2"},"type":"system.snapshot.error"})");
  const auto jsonFailure = []() -> SystemSnapshot {
    const Json broken = Json::parse("{");  // raises the library's parse error
    static_cast<void>(broken);
    return {};
  };
  EXPECT_EQ(RouteSystemRequest(jsonFailure, "system.snapshot", Json{{"requestId", "s3"}})["type"],
            "system.snapshot.error");
}

class SnapshotInvalidId : public ::testing::TestWithParam<InvalidIdCase> {};

TEST_P(SnapshotInvalidId, EscapesForAppError) {
  int builds = 0;
  const SystemSnapshotSource source = [&] {
    ++builds;
    return KnownSnapshot();
  };
  EXPECT_EQ(RuntimeErrorText([&] { RouteSystemRequest(source, "system.snapshot", GetParam().payload); }),
            GetParam().error);
  EXPECT_EQ(builds, 0);
}

INSTANTIATE_TEST_SUITE_P(
    RouteSystemRequest, SnapshotInvalidId,
    ::testing::Values(InvalidIdCase{"Missing", Json::object(), "系统信息请求缺少有效标识。"},
                      InvalidIdCase{"Empty", Json{{"requestId", ""}}, "系统信息请求缺少有效标识。"},
                      InvalidIdCase{"Of81Bytes", Json{{"requestId", std::string(81, 'x')}},
                                    "系统信息请求缺少有效标识。"},
                      InvalidIdCase{"NotText", Json{{"requestId", true}}, "json error"},
                      InvalidIdCase{"PayloadNotObject", Json("text"), "json error"}),
    testing::CaseName());

TEST(RouteSystemRequest, OtherTypesAreNotHandled) {
  EXPECT_THROW(RouteSystemRequest(KnownSnapshot, "system.reboot", Json{{"requestId", "r"}}),
               std::invalid_argument);
}

}  // namespace
}  // namespace nubo
