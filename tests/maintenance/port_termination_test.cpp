#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "maintenance/ports/port_termination.h"
#include "maintenance/ports/port_texts.h"
#include "maintenance/ports/process_name.h"
#include "store/ascii_case.h"
#include "tests/maintenance/port_test_rows.h"
#include "tests/maintenance/spawned_helper.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using nubo::testing::SpawnedHelper;
using nubo::testing::OwnerRow;
using nubo::testing::kCannotOpenText;
using nubo::testing::kOwnershipChangedText;
using nubo::testing::kProtectedText;
using nubo::testing::kTerminatedText;


// A table that reports the given rows and counts how often it was read.
struct FakeOwners {
  std::vector<PortEntry> rows;
  int reads = 0;

  PortsContext Context(uint32_t ownProcessId = GetCurrentProcessId()) {
    return PortsContext{[this] {
                          ++reads;
                          return rows;
                        },
                        ownProcessId};
  }
};

TEST(ToLowerAscii, FoldsOnlyAsciiLetters) {
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const char expected = (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte + 32) : c;
    EXPECT_EQ(ToLowerAscii(std::string(1, c)), std::string(1, expected)) << "byte " << byte;
  }
  EXPECT_EQ(ToLowerAscii("调试器ABC.EXE"), "调试器abc.exe");
  // Latin-1 capitals as raw bytes stay: folding them would corrupt UTF-8.
  EXPECT_EQ(ToLowerAscii("\xC3\x89T\xC3\x89.EXE"), "\xC3\x89t\xC3\x89.exe");
}

TEST(IsPortOwnedBy, NeedsTheSameProcessUnderTheSameName) {
  FakeOwners owners{{OwnerRow(1234, "Agent.EXE"), OwnerRow(5678, "other.exe")}};
  const PortsContext context = owners.Context();
  EXPECT_TRUE(IsPortOwnedBy(1234, "agent.exe", context.listPorts));
  EXPECT_TRUE(IsPortOwnedBy(1234, "AGENT.exe", context.listPorts));
  EXPECT_FALSE(IsPortOwnedBy(1234, "other.exe", context.listPorts));
  EXPECT_FALSE(IsPortOwnedBy(9999, "agent.exe", context.listPorts));
  EXPECT_FALSE(IsPortOwnedBy(1234, "agent", context.listPorts));
  EXPECT_EQ(owners.reads, 5);  // a fresh listing every time
}

struct RuleCase {
  std::string name;
  uint32_t pid;  // 0xFFFFFFFF: the helper's pid
  std::string processName;
};

class RefusedByRule : public ::testing::TestWithParam<RuleCase> {};

// The table claims the process owns a port under that very name, so only
// the rule can refuse it, and the helper must survive. Only the cases that
// name the helper's pid start it.
TEST_P(RefusedByRule, IsRefusedWithoutTouchingTheProcess) {
  std::optional<SpawnedHelper> helper;
  if (GetParam().pid == 0xFFFFFFFF) helper.emplace();
  const uint32_t pid = helper ? helper->pid() : GetParam().pid;
  FakeOwners owners{{OwnerRow(pid, GetParam().processName)}};
  const PortTerminateResult result = TerminatePortProcess(pid, GetParam().processName, owners.Context());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, kProtectedText);
  EXPECT_EQ(owners.reads, 0);
  if (helper) {
    EXPECT_FALSE(helper->HasEnded(0));
  }
}

std::vector<RuleCase> RuleCases() {
  std::vector<RuleCase> cases = {
      {"Pid0", 0, "System Idle"},      {"Pid1", 1, "tool.exe"},       {"Pid2", 2, "tool.exe"},
      {"Pid3", 3, "tool.exe"},         {"Pid4", 4, "System"},         {"EmptyName", 0xFFFFFFFF, ""},
      {"NameOf261Bytes", 0xFFFFFFFF, std::string(257, 'a') + ".exe"},
  };
  for (std::string_view name : port_texts::kProtectedProcessNames) {
    std::string base;
    for (char c : name) base += (c == '.' ? '_' : c);
    std::string upper(name);
    std::string mixed(name);
    for (size_t i = 0; i < upper.size(); ++i) {
      if (upper[i] >= 'a' && upper[i] <= 'z') upper[i] = static_cast<char>(upper[i] - 32);
      if (i % 2 == 0 && mixed[i] >= 'a' && mixed[i] <= 'z') mixed[i] = static_cast<char>(mixed[i] - 32);
    }
    cases.push_back({base + "_lower", 0xFFFFFFFF, std::string(name)});
    cases.push_back({base + "_upper", 0xFFFFFFFF, upper});
    cases.push_back({base + "_mixed", 0xFFFFFFFF, mixed});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(TerminatePortProcess, RefusedByRule, ::testing::ValuesIn(RuleCases()),
                         testing::CaseName());

TEST(TerminatePortProcess, OwnProcessIsRefused) {
  const std::string ownName = ProcessNameFromPid(GetCurrentProcessId());
  FakeOwners owners{{OwnerRow(GetCurrentProcessId(), ownName)}};
  const PortTerminateResult result = TerminatePortProcess(GetCurrentProcessId(), ownName, owners.Context());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, kProtectedText);
}

TEST(TerminatePortProcess, OwnProcessIdComesFromTheContext) {
  SpawnedHelper helper;
  FakeOwners owners{{OwnerRow(helper.pid(), SpawnedHelper::kImageName)}};
  const PortTerminateResult result =
      TerminatePortProcess(helper.pid(), SpawnedHelper::kImageName, owners.Context(helper.pid()));
  EXPECT_EQ(result.message, kProtectedText);
  EXPECT_FALSE(helper.HasEnded(0));
}

TEST(TerminatePortProcess, NameOf260BytesPassesTheRuleButNeedsOwnership) {
  SpawnedHelper helper;
  FakeOwners owners{{OwnerRow(helper.pid(), SpawnedHelper::kImageName)}};
  const std::string name = std::string(256, 'a') + ".exe";
  EXPECT_EQ(TerminatePortProcess(helper.pid(), name, owners.Context()).message, kOwnershipChangedText);
  EXPECT_EQ(owners.reads, 1);
}

TEST(TerminatePortProcess, NameThatDoesNotOwnThePortIsRefused) {
  SpawnedHelper helper;
  FakeOwners owners{{OwnerRow(helper.pid(), SpawnedHelper::kImageName), OwnerRow(777, "other.exe")}};
  const PortTerminateResult result = TerminatePortProcess(helper.pid(), "other.exe", owners.Context());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, kOwnershipChangedText);
  EXPECT_FALSE(helper.HasEnded(0));
}

TEST(TerminatePortProcess, ProcessWithoutAPortIsRefused) {
  SpawnedHelper helper;
  FakeOwners owners{{OwnerRow(777, SpawnedHelper::kImageName)}};
  EXPECT_EQ(TerminatePortProcess(helper.pid(), SpawnedHelper::kImageName, owners.Context()).message,
            kOwnershipChangedText);
  EXPECT_FALSE(helper.HasEnded(0));
}

TEST(TerminatePortProcess, ProcessThatCannotBeOpenedIsRefused) {
  FakeOwners owners{{OwnerRow(0xFFFFFFF0, "ghost.exe")}};
  EXPECT_EQ(TerminatePortProcess(0xFFFFFFF0, "ghost.exe", owners.Context()).message, kCannotOpenText);
}

TEST(TerminatePortProcess, PortGivenUpBeforeTheOpenIsTestedAgainAfterIt) {
  SpawnedHelper helper;
  int reads = 0;
  const PortsContext context{[&] {
                               ++reads;
                               // The first listing sees the port, the one after the open does not.
                               return reads == 1 ? std::vector<PortEntry>{OwnerRow(helper.pid(), SpawnedHelper::kImageName)}
                                                 : std::vector<PortEntry>{};
                             },
                             GetCurrentProcessId()};
  EXPECT_EQ(TerminatePortProcess(helper.pid(), SpawnedHelper::kImageName, context).message,
            kOwnershipChangedText);
  EXPECT_EQ(reads, 2);
  EXPECT_FALSE(helper.HasEnded(0));
}

TEST(TerminatePortProcess, ReusedIdUnderAnotherNameIsRefusedAfterTheOpen) {
  // The table still names the process that had this id; the process now
  // behind it is the helper.
  SpawnedHelper helper;
  FakeOwners owners{{OwnerRow(helper.pid(), "previous-owner.exe")}};
  EXPECT_EQ(TerminatePortProcess(helper.pid(), "previous-owner.exe", owners.Context()).message,
            kOwnershipChangedText);
  EXPECT_FALSE(helper.HasEnded(0));
}

TEST(TerminatePortProcess, EndsTheOwnerOfThePort) {
  SpawnedHelper helper;
  FakeOwners owners{{OwnerRow(4000, "unrelated.exe"), OwnerRow(helper.pid(), "Port_Owner_Helper.EXE")}};
  const PortTerminateResult result =
      TerminatePortProcess(helper.pid(), "port_owner_helper.exe", owners.Context());
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.message, kTerminatedText);
  EXPECT_EQ(owners.reads, 2);
  ASSERT_TRUE(helper.HasEnded(5000));
  EXPECT_EQ(helper.ExitCode(), 1u);
}

// Under Wine the machine's tables name no owners, so the helper never owns a
// port there; on Windows it owns none either. Either way nothing is ended.
TEST(TerminatePortProcess, MachineTablesRefuseAProcessWithoutPorts) {
  SpawnedHelper helper;
  EXPECT_EQ(TerminatePortProcess(helper.pid(), SpawnedHelper::kImageName, MachinePortsContext()).message,
            kOwnershipChangedText);
  EXPECT_FALSE(helper.HasEnded(0));
}

TEST(ProcessNameFromPid, NamesASpawnedProcess) {
  SpawnedHelper helper;
  EXPECT_EQ(ProcessNameFromPid(helper.pid()), SpawnedHelper::kImageName);
}

}  // namespace
}  // namespace nubo
