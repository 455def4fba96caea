#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "maintenance/software/installer_records.h"
#include "maintenance/software/path_rules.h"
#include "maintenance/software/registered_location.h"
#include "maintenance/software/software_limits.h"
#include "store/adapter_addresses.h"
#include "store/registry_key.h"
#include "tests/maintenance/software/software_fixture.h"

namespace nubo {
namespace {

using testing::FixturePath;

// An IPv4 address of one of this machine's adapters other than loopback.
std::wstring OwnAdapterAddress() {
  const ResizingQueryResult adapters = ReadAdapterAddresses(AF_INET);
  if (!adapters.ok) return L"";
  for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(adapters.bytes.data()); adapter != nullptr;
       adapter = adapter->Next) {
    for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr; unicast = unicast->Next) {
      wchar_t text[INET_ADDRSTRLEN] = {};
      const auto& address = reinterpret_cast<const sockaddr_in*>(unicast->Address.lpSockaddr)->sin_addr;
      if (address.S_un.S_un_b.s_b1 != 127 && InetNtopW(AF_INET, &address, text, INET_ADDRSTRLEN)) return text;
    }
  }
  return L"";
}

TEST(RegisteredLocation, ReadsEveryWrittenFormAsTheFileSystemNamesIt) {
  wchar_t shortName[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(FixturePath(L"linkedroot").c_str(), shortName, MAX_PATH), 0u);
  ASSERT_NE(std::wstring(shortName), FixturePath(L"linkedroot"));
  const std::wstring programFiles = GetKnownFolderPath(FOLDERID_ProgramFiles);
  const std::wstring real = FixturePath(L"real\\dir");
  wchar_t computer[kHostNameUnits] = {};
  DWORD computerLength = kHostNameUnits;
  ASSERT_TRUE(GetComputerNameExW(ComputerNameDnsHostname, computer, &computerLength));
  const std::wstring ownAddress = OwnAdapterAddress();
  ASSERT_NE(ownAddress, L"") << "the tests' network has an adapter besides loopback";
  // real as this machine's administrative share of drive C names it
  const auto through = [&](const std::wstring& host) { return L"\\\\" + host + L"\\C$" + real.substr(2); };
  struct Case {
    std::wstring text;
    LocationKind kind;
    std::vector<std::wstring> forms;
  };
  const std::vector<Case> cases = {
      {L"", LocationKind::kNone, {}},
      {L" \"\" ", LocationKind::kNone, {}},
      {L"\"" + real + L"\\\"", LocationKind::kLocal, {real}},
      {L"\\\\?\\" + real, LocationKind::kLocal, {real}},
      {L"\\\\.\\" + real, LocationKind::kLocal, {real}},
      {L"\\??\\" + real, LocationKind::kLocal, {real}},
      {L"%ProgramFiles%\\Example", LocationKind::kLocal, {programFiles + L"\\Example"}},
      {shortName, LocationKind::kLocal, {shortName, FixturePath(L"linkedroot")}},
      // A link on the way and a missing rest: the final path of what exists.
      {FixturePath(L"dirlink\\gone\\x"), LocationKind::kLocal, {FixturePath(L"dirlink\\gone\\x"), real + L"\\gone\\x"}},
      {through(L"localhost"), LocationKind::kLocal, {real}},
      {L"\\\\127.0.0.1\\c$" + real.substr(2), LocationKind::kLocal, {real}},
      {through(computer), LocationKind::kLocal, {real}},
      {through(L"0--1.ipv6-literal.net"), LocationKind::kLocal, {real}},
      {through(ownAddress), LocationKind::kLocal, {real}},
      {L"\\\\?\\UNC\\localhost\\C$" + real.substr(2), LocationKind::kLocal, {real}},
      {L"\\\\127.0.0.1\\share\\x", LocationKind::kUnreadable, {}},
      {L"\\\\files.example\\C$\\x", LocationKind::kElsewhere, {}},
      {L"\\\\?\\UNC\\192.0.2.9\\share", LocationKind::kElsewhere, {}},
      {L"N:\\Example", LocationKind::kElsewhere, {}},
      {L"Example\\Tool", LocationKind::kUnreadable, {}},
      {L"\\Example", LocationKind::kUnreadable, {}},
      {L"C:Example", LocationKind::kUnreadable, {}},
      {L"%NUBO_NOT_SET%\\Example", LocationKind::kUnreadable, {}},
      {L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\x", LocationKind::kUnreadable, {}},
  };
  for (const Case& c : cases) {
    const RegisteredLocation location = ReadRegisteredLocation(c.text);
    EXPECT_EQ(location.kind, c.kind) << c.text;
    EXPECT_EQ(location.forms, c.forms) << c.text;
  }
}

TEST(InstallerRecords, PacksBracedCodesOnly) {
  EXPECT_EQ(PackInstallerCode(L"{1A2B3C4D-5E6F-4A01-8B02-9C0D1E2F3A4B}"), L"D4C3B2A1F6E510A4B820C9D0E1F2A3B4");
  EXPECT_EQ(PackInstallerCode(L"{1a2b3c4d-5e6f-4a01-8b02-9c0d1e2f3a4b}"), L"D4C3B2A1F6E510A4B820C9D0E1F2A3B4");
  for (const wchar_t* bad : {L"1A2B3C4D-5E6F-4A01-8B02-9C0D1E2F3A4B", L"{1A2B3C4D-5E6F-4A01-8B02-9C0D1E2F3A4}",
                             L"{1A2B3C4D-5E6F-4A01-8B02-9C0D1E2F3A4BB}", L"{1A2B3C4D5-E6F-4A01-8B02-9C0D1E2F3A4B}",
                             L"{1A2B3C4G-5E6F-4A01-8B02-9C0D1E2F3A4B}", L"NuboExample"}) {
    EXPECT_EQ(PackInstallerCode(bad), L"") << bad;
  }
}

// Records written as Windows Installer keeps them: a product with its
// InstallLocation property, one with an empty property and components (a
// file, a folder and a registry key as key paths), one with components only,
// and one without records.
TEST(InstallerRecords, LocatesAProductByItsPropertyElseItsComponents) {
  const std::wstring base = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\";
  const std::wstring byProperty = L"{5EB10000-1B2C-4D3E-8F40-000000000001}";
  const std::wstring byComponents = L"{5EB10000-1B2C-4D3E-8F40-000000000002}";
  const std::wstring componentsOnly = L"{5EB10000-1B2C-4D3E-8F40-000000000003}";
  const std::wstring without = L"{5EB10000-1B2C-4D3E-8F40-000000000004}";
  const std::vector<std::pair<std::wstring, std::wstring>> components = {
      {L"C:\\Nubo Records\\bin\\a.dll", L"{5EB10000-1B2C-4D3E-8F40-0000000000A1}"},
      {L"C:\\Nubo Records\\data\\", L"{5EB10000-1B2C-4D3E-8F40-0000000000A2}"},
      {L"02:\\SOFTWARE\\Nubo Records\\", L"{5EB10000-1B2C-4D3E-8F40-0000000000A3}"}};
  const auto write = [](const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    RegistryKey opened;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                              nullptr, opened.out(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(opened.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  };
  const std::wstring products = base + L"Products\\";
  write(products + PackInstallerCode(byProperty) + L"\\InstallProperties", L"InstallLocation", L"C:\\Nubo Property\\");
  write(products + PackInstallerCode(byComponents) + L"\\InstallProperties", L"InstallLocation", L"");
  for (const auto& [path, code] : components) {
    write(base + L"Components\\" + PackInstallerCode(code), PackInstallerCode(byComponents), path);
    write(base + L"Components\\" + PackInstallerCode(code), PackInstallerCode(componentsOnly), L"C:\\Elsewhere\\x.dll");
  }

  InstallerFolders folders =
      ReadInstallerFolders({byProperty, byComponents, componentsOnly, without, L"NuboPlain"}, {});
  EXPECT_TRUE(folders.complete);
  for (auto& [code, found] : folders.byProduct) std::sort(found.begin(), found.end());
  const std::map<std::wstring, std::vector<std::wstring>> expected = {
      {byProperty, {L"C:\\Nubo Property"}},
      {byComponents, {L"C:\\Nubo Records\\bin", L"C:\\Nubo Records\\data"}},
      {componentsOnly, {L"C:\\Elsewhere", L"C:\\Elsewhere", L"C:\\Elsewhere"}}};
  EXPECT_EQ(folders.byProduct, expected);
  EXPECT_FALSE(ReadInstallerFolders({byComponents}, [] { return false; }).complete);

  for (const std::wstring& code : {byProperty, byComponents}) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (products + PackInstallerCode(code)).c_str());
  }
  for (const auto& [path, code] : components) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (base + L"Components\\" + PackInstallerCode(code)).c_str());
  }
}

}  // namespace
}  // namespace nubo
