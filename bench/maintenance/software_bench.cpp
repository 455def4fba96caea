// Figures of the software inventory and the path rules, each beside a peer
// run in the same prefix:
//   ListSoftware over 2,000 registered programs  vs  uninstaller --list
//   sizing a 50,000-file tree (entries/s)          vs  cmd /c dir /s /b /a
//   GetFileIdentity calls per second
//   a leftover scan of a synthetic profile (3,000 local data folders, a
//   50,000-file product folder, 500 Start-menu links, 2,000 registered
//   programs): wall time, the limit that ended it and items/s
//                                                  vs  cmd /c dir /s /b /a over the same roots
//   VerifyTreeBeforeDelete over 15,999 and 16,001 entries
//   a leftover scan among 300 registered programs, 100 of them Windows
//   Installer products known only by their component records
//   software_bench [rounds]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <knownfolders.h>
#include <shlobj.h>

#include "store/registry_key.h"
#include "maintenance/software/file_identity.h"
#include "maintenance/software/installer_records.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/residual_discovery.h"
#include "maintenance/software/scan_listing.h"
#include "maintenance/software/software_service.h"
#include "maintenance/software/software_texts.h"
#include "maintenance/software/tree_verify.h"
#include "store/win_handles.h"
#include "tests/characters/shortcut_files.h"

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

// Runs a command line to completion with its output written to a file
// (NUL: discarded).
void RunQuietly(std::wstring command, const std::wstring& output = L"NUL") {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  nubo::FileHandle nul(CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   output == L"NUL" ? OPEN_EXISTING : CREATE_ALWAYS, 0, nullptr));
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

std::wstring TempTreeRoot() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"nubo-size-bench";
}

std::wstring MakeTree(const std::wstring& root) {
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


std::wstring Known(REFKNOWNFOLDERID id) { return nubo::GetKnownFolderPath(id); }

constexpr int kDataFolders = 3000;
constexpr int kStartMenuLinks = 500;
constexpr int kProductLinks = 5;  // the rest point elsewhere
constexpr const wchar_t* kProductKey = L"NuboBench0000";

// The synthetic profile: the first registered program is the product, with
// its folder of 50,000 files, its local data folder among 3,000 others and 5
// of the 500 Start-menu links.
struct SyntheticProfile {
  std::wstring product = Known(FOLDERID_ProgramFiles) + L"\\Nubo Bench Product";
  std::wstring local = Known(FOLDERID_LocalAppData);
  std::wstring links = Known(FOLDERID_Programs) + L"\\Nubo Bench Links";

  std::wstring Folder(int i) const { return local + L"\\Nubo Bench Data " + std::to_wstring(i); }
  std::wstring Link(int i) const { return links + L"\\link" + std::to_wstring(i) + L".lnk"; }

  void Make() const {
    MakeTree(product);
    const std::wstring exe = product + L"\\product.exe";
    const nubo::FileHandle created(CreateFileW(exe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    CreateDirectoryW((local + L"\\Nubo Bench Product").c_str(), nullptr);
    for (int i = 0; i < kDataFolders - 1; ++i) CreateDirectoryW(Folder(i).c_str(), nullptr);
    CreateDirectoryW(links.c_str(), nullptr);
    const nubo::testing::ComScope com;
    const std::wstring elsewhere = Known(FOLDERID_Windows) + L"\\notepad.exe";
    for (int i = 0; i < kStartMenuLinks; ++i) nubo::testing::CreateShortcut(Link(i), i < kProductLinks ? exe : elsewhere);
    nubo::RegistryKey key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, ProgramKey(0).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                    nullptr, key.out(), nullptr);
    const std::wstring name = L"Nubo Bench Product";
    const std::wstring icon = L"\"" + exe + L"\",0";
    RegSetValueExW(key.get(), L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * 2));
    RegSetValueExW(key.get(), L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(product.c_str()),
                   static_cast<DWORD>((product.size() + 1) * 2));
    RegSetValueExW(key.get(), L"DisplayIcon", 0, REG_SZ, reinterpret_cast<const BYTE*>(icon.c_str()),
                   static_cast<DWORD>((icon.size() + 1) * 2));
  }

  void Remove() const {
    DeleteFileW((product + L"\\product.exe").c_str());
    RemoveTree(product);
    RemoveDirectoryW((local + L"\\Nubo Bench Product").c_str());
    for (int i = 0; i < kDataFolders - 1; ++i) RemoveDirectoryW(Folder(i).c_str());
    for (int i = 0; i < kStartMenuLinks; ++i) DeleteFileW(Link(i).c_str());
    RemoveDirectoryW(links.c_str());
  }

  // The roots the scan looks at, for the anchor.
  std::vector<std::wstring> Roots() const {
    return {Known(FOLDERID_Programs), Known(FOLDERID_CommonPrograms), Known(FOLDERID_Desktop),
            Known(FOLDERID_PublicDesktop), product, local, Known(FOLDERID_RoamingAppData), Known(FOLDERID_ProgramData)};
  }
};

// The warning of the limit that ended a scan, or that none did.
std::string EndingLimit(const std::vector<std::string>& warnings) {
  for (std::string_view limit : {nubo::kWarnScanTimeLimit, nubo::kWarnScanItemLimit,
                                 nubo::kWarnDisplayLimit, nubo::kWarnListingLimit}) {
    for (const auto& warning : warnings) {
      if (warning == limit) return warning;
    }
  }
  return "none: the scan finished";
}

size_t CountLines(const std::wstring& path) {
  nubo::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) std::fprintf(stderr, "cannot read the listing (%lu)\n", GetLastError());
  size_t lines = 0;
  char buffer[65536];
  DWORD got = 0;
  while (file && ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    lines += static_cast<size_t>(std::count(buffer, buffer + got, '\n'));
  }
  return lines;
}

void BenchScan(int rounds) {
  RegisterPrograms();
  const SyntheticProfile profile;
  profile.Make();
  const std::string id = "HKLM|64|" + std::string(kProductKey, kProductKey + 13);
  nubo::SoftwareService service;
  nubo::SoftwareCleanupPlan plan;
  const double wall = MedianSeconds(rounds, [&] { plan = service.ScanResiduals(id, "Nubo Bench Product", {}); });

  // The same steps with a budget of our own, to count the items touched.
  uint32_t items = 0;
  const double counted = MedianSeconds(rounds, [&] {
    nubo::ScanBudget budget({}, nubo::SystemTick64);
    const auto installed = nubo::ReadInstalledSoftware([&] { return !budget.Check(); });
    const nubo::RegisteredSoftware* product = nubo::FindRegisteredSoftware(installed, id, "Nubo Bench Product");
    if (product) nubo::BuildResidualCandidates(*product, installed, budget);
    items = budget.itemsCounted;
  });

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring listing = std::wstring(temp) + L"nubo-dir-listing.txt";
  size_t lines = 0;
  const double dir = MedianSeconds(rounds, [&] {
    lines = 0;
    for (const auto& root : profile.Roots()) {
      RunQuietly(L"cmd.exe /c dir /s /b /a \"" + root + L"\"", listing);
      const size_t listed = CountLines(listing);
      std::fprintf(stderr, "dir /s /b /a %ls: %zu entries\n", root.c_str(), listed);
      lines += listed;
    }
  });
  DeleteFileW(listing.c_str());
  profile.Remove();
  RemovePrograms();

  std::printf("leftover scan of the synthetic profile: %.2f s (goal <= 5.0 s, budget 4.5 s), %zu items, ended by: %s\n",
              wall, plan.residuals.size(), EndingLimit(plan.scanWarnings).c_str());
  std::printf("  %u items in %.2f s: %.0f items/s   dir /s /b /a: %zu entries in %.2f s: %.0f entries/s   "
              "ratio %.2fx (goal >= 1.0x)\n",
              items, counted, items / counted, lines, dir, lines / dir, (items / counted) / (lines / dir));
}

// A folder and files - 1 files in it: entries in all.
std::wstring MakeFlatTree(const std::wstring& root, int entries) {
  CreateDirectoryW(root.c_str(), nullptr);
  for (int i = 1; i < entries; ++i) {
    const nubo::FileHandle created(CreateFileW((root + L"\\f" + std::to_wstring(i)).c_str(), GENERIC_WRITE, 0,
                                               nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  return root;
}

void RemoveFlatTree(const std::wstring& root, int entries) {
  for (int i = 1; i < entries; ++i) DeleteFileW((root + L"\\f" + std::to_wstring(i)).c_str());
  RemoveDirectoryW(root.c_str());
}

void BenchTreeVerify(int rounds) {
  for (int entries : {15999, 16001}) {
    const std::wstring root = MakeFlatTree(Known(FOLDERID_LocalAppData) + L"\\Nubo Bench Verify", entries);
    bool verified = false;
    uint32_t counted = 0;
    const double seconds = MedianSeconds(rounds, [&] {
      nubo::ScanBudget budget({}, nubo::SystemTick64);
      verified = nubo::VerifyTreeBeforeDelete(root, budget, 0);
      counted = budget.itemsCounted;
    });
    std::printf("VerifyTreeBeforeDelete, %d entries: %.2f s (budget 4.5 s), %s after %u counted\n", entries, seconds,
                verified ? "verified" : "refused", counted);
    RemoveFlatTree(root, entries);
  }
}

using nubo::PackInstallerCode;

std::wstring Code(int kind, int index) {
  wchar_t code[40];
  swprintf(code, 40, L"{%08X-1B2C-4D3E-8F40-%012X}", 0x5EB00000 + kind, index);
  return code;
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * 2));
}

constexpr int kScanPrograms = 300;
constexpr int kInstallerProducts = 100;
constexpr int kComponentsPerProduct = 5;
constexpr int kForeignComponents = 2000;  // of products that are not listed
constexpr const wchar_t* kUserData = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\";

std::wstring ProductKey(const std::wstring& code) {
  return kUserData + std::wstring(L"Products\\") + PackInstallerCode(code);
}
std::wstring ComponentKey(const std::wstring& code) {
  return kUserData + std::wstring(L"Components\\") + PackInstallerCode(code);
}

nubo::RegistryKey CreateKey(const std::wstring& path) {
  nubo::RegistryKey key;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.out(),
                  nullptr);
  return key;
}

// 200 programs with an install folder (every fourth written as REG_SZ with
// %ProgramFiles%) and an icon, 100 Windows Installer products without one, each with its
// InstallProperties and 5 component records, and 2,000 component records of
// products that are not listed.
struct CrowdedRegistry {
  std::wstring programFiles = Known(FOLDERID_ProgramFiles);
  std::vector<std::wstring> keys;

  void Make() {
    for (int i = 0; i < kScanPrograms; ++i) {
      const bool installer = i >= kScanPrograms - kInstallerProducts;
      const std::wstring key = installer ? Code(0, i) : L"NuboCrowd" + std::to_wstring(i);
      keys.push_back(key);
      const nubo::RegistryKey uninstall = CreateKey(kUninstall + key);
      SetText(uninstall.get(), L"DisplayName", L"Nubo Crowd Program " + std::to_wstring(i));
      const std::wstring folder = L"\\Nubo Crowd " + std::to_wstring(i);
      if (installer) {
        const DWORD one = 1;
        RegSetValueExW(uninstall.get(), L"WindowsInstaller", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
        SetText(uninstall.get(), L"UninstallString", L"MsiExec.exe /X" + key);
        SetText(CreateKey(ProductKey(key) + L"\\InstallProperties").get(), L"InstallLocation", L"");
        for (int c = 0; c < kComponentsPerProduct; ++c) {
          const std::wstring part = programFiles + folder + L"\\part" + std::to_wstring(c) + L".dll";
          SetText(CreateKey(ComponentKey(Code(1, i * 10 + c))).get(), PackInstallerCode(key).c_str(), part);
        }
      } else {
        SetText(uninstall.get(), L"InstallLocation", i % 4 == 1 ? L"%ProgramFiles%" + folder : programFiles + folder);
        SetText(uninstall.get(), L"DisplayIcon", L"\"" + programFiles + folder + L"\\crowd.exe\",0");
      }
    }
    for (int c = 0; c < kForeignComponents; ++c) {
      const std::wstring part = L"C:\\Windows\\System32\\foreign" + std::to_wstring(c) + L".dll";
      SetText(CreateKey(ComponentKey(Code(2, c))).get(), PackInstallerCode(Code(3, c)).c_str(), part);
    }
  }

  void Remove() {
    for (const auto& key : keys) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (kUninstall + key).c_str(), KEY_WOW64_64KEY, 0);
    for (int i = kScanPrograms - kInstallerProducts; i < kScanPrograms; ++i) {
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, ProductKey(Code(0, i)).c_str());
      for (int c = 0; c < kComponentsPerProduct; ++c) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, ComponentKey(Code(1, i * 10 + c)).c_str());
      }
    }
    for (int c = 0; c < kForeignComponents; ++c) RegDeleteTreeW(HKEY_LOCAL_MACHINE, ComponentKey(Code(2, c)).c_str());
  }
};

// The scanned program among them: its folder, a data folder and a shortcut.
void BenchCrowdedScan(int rounds) {
  CrowdedRegistry registry;
  registry.Make();
  const std::wstring product = Known(FOLDERID_ProgramFiles) + L"\\Nubo Crowd 0";
  const std::wstring exe = product + L"\\crowd.exe";
  const std::wstring data = Known(FOLDERID_LocalAppData) + L"\\Nubo Crowd Program 0";
  const std::wstring link = Known(FOLDERID_Programs) + L"\\Nubo Crowd Program 0.lnk";
  CreateDirectoryW(product.c_str(), nullptr);
  CreateDirectoryW(data.c_str(), nullptr);
  { const nubo::FileHandle created(CreateFileW(exe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)); }
  {
    const nubo::testing::ComScope com;
    nubo::testing::CreateShortcut(link, exe);
  }
  nubo::SoftwareService service;
  nubo::SoftwareCleanupPlan plan;
  const double wall =
      MedianSeconds(rounds, [&] { plan = service.ScanResiduals("HKLM|64|NuboCrowd0", "Nubo Crowd Program 0", {}); });
  DeleteFileW(link.c_str());
  DeleteFileW(exe.c_str());
  RemoveDirectoryW(product.c_str());
  RemoveDirectoryW(data.c_str());
  registry.Remove();
  std::printf("leftover scan among %d registered programs (%d Windows Installer, %d component records): %.0f ms "
              "(budget 4500 ms), %zu items, ended by: %s\n",
              kScanPrograms, kInstallerProducts, kInstallerProducts * kComponentsPerProduct + kForeignComponents,
              wall * 1000, plan.residuals.size(), EndingLimit(plan.scanWarnings).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (argc > 2 && std::string(argv[2]) == "crowded") {  // that figure alone
    BenchCrowdedScan(rounds);
    return 0;
  }

  RegisterPrograms();
  size_t listed = 0;
  const double ours = MedianSeconds(rounds, [&] { listed = nubo::SoftwareService().ListSoftware().size(); });
  const double theirs = MedianSeconds(rounds, [] { RunQuietly(L"uninstaller.exe --list"); });
  RemovePrograms();
  std::printf("ListSoftware, %zu entries: %.1f ms   uninstaller --list: %.1f ms   ratio %.2fx (goal <= 1.0x)\n",
              listed, ours * 1000, theirs * 1000, ours / theirs);

  const std::wstring tree = MakeTree(TempTreeRoot());
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

  // dir takes minutes over the product folder under Wine: three rounds at most.
  BenchScan(std::min(rounds, 3));
  BenchTreeVerify(rounds);
  BenchCrowdedScan(rounds);
  return 0;
}
