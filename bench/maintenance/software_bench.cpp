// Figures of the software inventory and the path rules, each beside a peer
// run in the same prefix:
//   ListSoftware over 2,000 registered programs  vs  uninstaller --list
//   sizing a 50,000-file tree (entries/s)          vs  cmd /c dir /s /b /a
//   GetFileIdentity calls per second
//   software_bench [rounds]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "maintenance/registry_key.h"
#include "maintenance/software/file_identity.h"
#include "maintenance/software/scan_listing.h"
#include "maintenance/software/software_service.h"
#include "store/win_handles.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPrograms = 2000;
constexpr int kTreeFolders = 100;
constexpr int kTreeFiles = 50000;
constexpr const wchar_t* kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

template <typename Work>
double MedianSeconds(int rounds, Work&& work) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    work();
    times.push_back(Seconds(start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Runs a command line to completion with its output discarded.
void RunQuietly(std::wstring command) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  nubo::FileHandle nul(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = nul.get();
  startup.hStdError = nul.get();
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "cannot start %ls\n", command.c_str());
    std::exit(1);
  }
  const nubo::KernelHandle thread(process.hThread);
  const nubo::KernelHandle child(process.hProcess);
  WaitForSingleObject(child.get(), INFINITE);
}

std::wstring ProgramKey(int index) {
  wchar_t name[16];
  swprintf(name, 16, L"NuboBench%04d", index);
  return kUninstall + std::wstring(name);
}

void RegisterPrograms() {
  for (int i = 0; i < kPrograms; ++i) {
    nubo::RegistryKey key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, ProgramKey(i).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                    nullptr, key.out(), nullptr);
    const std::wstring name = L"Nubo Bench Program " + std::to_wstring(i);
    const std::wstring command = L"\"C:\\Program Files\\Nubo Bench\\uninstall" + std::to_wstring(i) + L".exe\"";
    RegSetValueExW(key.get(), L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * 2));
    RegSetValueExW(key.get(), L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * 2));
  }
}

void RemovePrograms() {
  for (int i = 0; i < kPrograms; ++i) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, ProgramKey(i).c_str(), KEY_WOW64_64KEY, 0);
}

std::wstring MakeTree() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring root = std::wstring(temp) + L"nubo-size-bench";
  CreateDirectoryW(root.c_str(), nullptr);
  for (int folder = 0; folder < kTreeFolders; ++folder) {
    const std::wstring sub = root + L"\\s" + std::to_wstring(folder);
    CreateDirectoryW(sub.c_str(), nullptr);
    for (int file = folder; file < kTreeFiles; file += kTreeFolders) {
      const nubo::FileHandle created(CreateFileW((sub + L"\\f" + std::to_wstring(file)).c_str(), GENERIC_WRITE, 0,
                                                 nullptr, CREATE_ALWAYS, 0, nullptr));
    }
  }
  return root;
}

void RemoveTree(const std::wstring& root) {
  for (int folder = 0; folder < kTreeFolders; ++folder) {
    const std::wstring sub = root + L"\\s" + std::to_wstring(folder);
    for (int file = folder; file < kTreeFiles; file += kTreeFolders) {
      DeleteFileW((sub + L"\\f" + std::to_wstring(file)).c_str());
    }
    RemoveDirectoryW(sub.c_str());
  }
  RemoveDirectoryW(root.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  RegisterPrograms();
  size_t listed = 0;
  const double ours = MedianSeconds(rounds, [&] { listed = nubo::SoftwareService().ListSoftware().size(); });
  const double theirs = MedianSeconds(rounds, [] { RunQuietly(L"uninstaller.exe --list"); });
  RemovePrograms();
  std::printf("ListSoftware, %zu entries: %.1f ms   uninstaller --list: %.1f ms   ratio %.2fx (goal <= 1.0x)\n",
              listed, ours * 1000, theirs * 1000, ours / theirs);

  const std::wstring tree = MakeTree();
  nubo::MeasureResult measured;
  const double sizing = MedianSeconds(rounds, [&] {
    measured = {};
    nubo::MeasureDirectory(tree, measured, 0, nullptr, [] { return 0u; });
  });
  const double listing = MedianSeconds(rounds, [&] { RunQuietly(L"cmd.exe /c dir /s /b /a \"" + tree + L"\""); });
  const double entries = kTreeFiles + kTreeFolders;
  std::printf("MeasureDirectory, %u items: %.0f entries/s   dir /s /b /a: %.0f entries/s   ratio %.2fx (goal >= 1.5x)\n",
              measured.itemCount, entries / sizing, entries / listing, listing / sizing);

  const std::wstring file = tree + L"\\s0\\f0";
  int calls = 0;
  const auto start = Clock::now();
  while (Seconds(start) < 1.0) {
    if (nubo::GetFileIdentity(file).empty()) {
      std::fprintf(stderr, "no identity for the bench file\n");
      return 1;
    }
    ++calls;
  }
  std::printf("GetFileIdentity: %.0f calls/s\n", calls / Seconds(start));
  RemoveTree(tree);
  return 0;
}
