#pragma once

// Names of the application's own folders and files.
namespace nubo {

inline constexpr wchar_t kAppFolderName[] = L"CuteTavuDesktopPet";
inline constexpr wchar_t kLegacyFolderName[] = L"NuboDesktopPet";
inline constexpr wchar_t kDatabaseFileName[] = L"tavu.db";
inline constexpr wchar_t kDatabaseWalFileName[] = L"tavu.db-wal";
inline constexpr wchar_t kDatabaseShmFileName[] = L"tavu.db-shm";
// A legacy file is copied under its name with this suffix, then renamed into place.
inline constexpr wchar_t kMigratingSuffix[] = L".migrating";
// A journal without its database is renamed aside: its name, this suffix and a number.
inline constexpr wchar_t kSetAsideSuffix[] = L".stale-";
inline constexpr wchar_t kLegacyDatabaseFileName[] = L"nubo.db";
inline constexpr wchar_t kLegacyDatabaseWalFileName[] = L"nubo.db-wal";
inline constexpr wchar_t kOnboardingMarkerFileName[] = L"onboarding.complete";
inline constexpr wchar_t kBrowserDataFolderName[] = L"WebView2";
inline constexpr wchar_t kCharactersFolderName[] = L"Characters";
inline constexpr wchar_t kUiFolderName[] = L"ui";
inline constexpr wchar_t kUiEntryFileName[] = L"index.html";
inline constexpr char kOnboardingMarkerContent[] = "CuteTavuDesktopPet 1.0.0";

}  // namespace nubo
