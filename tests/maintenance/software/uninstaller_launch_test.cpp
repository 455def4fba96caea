#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maintenance/software/uninstall_texts.h"
#include "maintenance/software/uninstaller_launch.h"
#include "store/text_convert.h"
#include "tests/support/temp_dir.h"

namespace nubo {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

constexpr char kId[] = "HKCU|64|Example Tool";
constexpr char kName[] = "Example Tool";

RegisteredSoftware Program(const std::wstring& command) {
  RegisteredSoftware program;
  program.id = kId;
  program.displayName = kName;
  program.uninstallCommand = command;
  return program;
}

std::wstring BesideTestProgram(const std::wstring& name) {
  wchar_t self[MAX_PATH] = {};
  std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

// A fake list that counts its reads, and a start that records instead of starting.
struct Recorder {
  explicit Recorder(std::vector<RegisteredSoftware> programs) : list(std::move(programs)) {}

  std::vector<RegisteredSoftware> list;
  int reads = 0;
  bool startSucceeds = true;
  std::vector<std::wstring> started;

  UninstallerLaunchContext Context() {
    return UninstallerLaunchContext{[this] {
                                      ++reads;
                                      return list;
                                    },
                                    [this](const std::wstring& exe, std::wstring& commandLine) {
                                      started.push_back(exe + L"|" + commandLine.c_str());
                                      return startSucceeds;
                                    }};
  }
};

TEST(UninstallerLaunch, RefusesInOrderAndStartsTheQuotedExecutable) {
  TempDir dir;
  const std::wstring uninst = dir.file(L"uninst.exe");
  WriteWholeFile(uninst, "MZ");
  const std::wstring good = uninst + L" /S";
  const std::wstring tooLong = good + std::wstring(8192 - good.size(), L' ');
  RegisteredSoftware system = Program(good);
  system.systemComponent = true;
  RegisteredSoftware kept = Program(good);
  kept.noRemove = true;
  RegisteredSoftware longSystem = Program(tooLong);
  longSystem.systemComponent = true;

  struct Case {
    std::vector<RegisteredSoftware> list;
    std::string id, name;
    bool confirmed, startSucceeds;
    std::string_view message;
    int reads;
  };
  const std::vector<Case> cases = {
      {{Program(good)}, kId, kName, false, true, kUninstallNotConfirmed, 0},
      {{Program(good)}, kId, "example tool", true, true, kUninstallNoCommand, 1},
      {{Program(good)}, "HKCU|64|Other", kName, true, true, kUninstallNoCommand, 1},
      {{system}, kId, kName, true, true, kUninstallNoCommand, 1},
      {{kept}, kId, kName, true, true, kUninstallNoCommand, 1},
      {{Program(L"")}, kId, kName, true, true, kUninstallNoCommand, 1},
      {{longSystem}, kId, kName, true, true, kUninstallNoCommand, 1},
      {{Program(tooLong)}, kId, kName, true, true, kUninstallCommandTooLong, 1},
      {{Program(tooLong.substr(0, 8191))}, kId, kName, true, true, kUninstallerStarted, 1},
      {{Program(dir.file(L"remove.bat"))}, kId, kName, true, true, kUninstallCommandAmbiguous, 1},
      {{Program(good)}, kId, kName, true, false, kUninstallerStartFailed, 1},
      {{Program(good)}, kId, kName, true, true, kUninstallerStarted, 1},
  };
  for (const Case& c : cases) {
    Recorder recorder(c.list);
    recorder.startSucceeds = c.startSucceeds;
    const SoftwareOperationResult result = LaunchUninstaller(c.id, c.name, c.confirmed, recorder.Context());
    EXPECT_EQ(result.message, c.message) << c.name;
    EXPECT_EQ(result.succeeded, c.message == kUninstallerStarted) << c.message;
    EXPECT_TRUE(result.removedPaths.empty() && result.failedPaths.empty());
    EXPECT_EQ(recorder.reads, c.reads) << c.message;
    const bool reachedStart = c.message == kUninstallerStarted || c.message == kUninstallerStartFailed;
    EXPECT_EQ(recorder.started.size(), reachedStart ? 1u : 0u) << c.message;
  }

  Recorder msi({Program(L"MsiExec.exe /X{5A1B2C3D-0000-4000-8000-00000000AB01}")});
  LaunchUninstaller(kId, kName, true, msi.Context());
  wchar_t system32[MAX_PATH] = {};
  const std::wstring installer = std::wstring(system32, GetSystemDirectoryW(system32, MAX_PATH)) + L"\\msiexec.exe";
  ASSERT_EQ(msi.started.size(), 1u);
  EXPECT_EQ(msi.started[0], installer + L"|\"" + installer + L"\" /X{5A1B2C3D-0000-4000-8000-00000000AB01}");
}

TEST(UninstallerLaunch, StartsTheRegisteredProgramWithItsArguments) {
  TempDir dir;
  const std::wstring folder = dir.file(L"Example Tool");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring uninst = folder + L"\\uninst.exe";
  ASSERT_TRUE(CopyFileW(BesideTestProgram(L"command_recorder.exe").c_str(), uninst.c_str(), TRUE));
  WriteWholeFile(dir.file(L"plain.exe"), "not a program");
  UninstallerLaunchContext context = MachineUninstallerLaunchContext();

  // Unquoted with a blank in the folder: the launch quotes it.
  context.readInstalled = [&] { return std::vector<RegisteredSoftware>{Program(uninst + L" /S _?=中")}; };
  const SoftwareOperationResult started = LaunchUninstaller(kId, kName, true, context);
  EXPECT_TRUE(started.succeeded);
  EXPECT_EQ(started.message, kUninstallerStarted);
  const std::wstring record = folder + L"\\command.txt";
  for (int wait = 0; wait < 200 && GetFileAttributesW(record.c_str()) == INVALID_FILE_ATTRIBUTES; ++wait) Sleep(50);
  EXPECT_EQ(ReadWholeFile(record), "\"" + Utf16ToUtf8(uninst) + "\" /S _?=中");

  context.readInstalled = [&] { return std::vector<RegisteredSoftware>{Program(dir.file(L"plain.exe"))}; };
  const SoftwareOperationResult refused = LaunchUninstaller(kId, kName, true, context);
  EXPECT_FALSE(refused.succeeded);
  EXPECT_EQ(refused.message, kUninstallerStartFailed);
}

}  // namespace
}  // namespace nubo
