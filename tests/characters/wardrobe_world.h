#pragma once

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/app_harness.h"

namespace nubo::testing {

using Json = nlohmann::json;

// An application with both windows up, and what a wardrobe test looks at:
// the pushes, the stored settings, the Characters folder and the shared state.
class WardrobeWorld {
 public:
  explicit WardrobeWorld(AppHarness::Options options = {});

  // Starts the application (again, after Stop) with both windows ready.
  void Start(bool withDashboard = true);
  void Stop() { harness.Destroy(); }
  Application& app() { return harness.app(); }
  void ClearPosts();

  void FromPet(const std::string& type, const Json& payload);
  void FromDashboard(const std::string& type, const Json& payload);
  // Uploads from the pet and returns the id of the new active character.
  std::string Upload(const std::string& name, const std::string& dataUrl,
                     const std::string& layout = "single");
  void UpdateIcon(const std::string& id, const std::string& dataUrl);

  std::vector<std::string> Log() const { return harness.log.Entries(); }
  std::vector<std::string> PetPosts() { return harness.PetView().Posted(); }
  std::vector<std::string> DashboardPosts() { return harness.DashboardView().Posted(); }

  // The shared state without its clock.
  Json State();
  std::vector<std::string> CustomIds();
  std::string Setting(const std::string& key);
  std::map<std::string, std::string> AllSettings() { return harness.StoredSettings(); }
  void FailWritesOf(const std::string& key) { harness.FailWritesOf(key); }
  void AllowAllWrites() { harness.AllowAllWrites(); }
  void ExecuteSql(const std::string& sql) { harness.ExecuteSql(sql); }

  std::wstring CharactersFolder() const;
  std::wstring CharacterFile(const std::string& name) const;
  std::wstring Listing() const;
  // Stores a picture file and the list before the application starts.
  void StorePicture(const std::string& name, const std::string& bytes);
  void StoreList(const Json& list);

  AppHarness harness;
};

std::string AppErrorText(const std::string& message);

}  // namespace nubo::testing
