// Reading the stored settings at start-up: every value must pass its rule or
// the default stays.
#include <string>

#include "app/application.h"
#include "store/settings_keys.h"
#include "store/utf8.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/web_address.h"

namespace nubo {
namespace {

constexpr char kLegacyMarketplaceView[] = "marketplace";

bool IsStoredPetName(const std::string& name) {
  return IsValidUtf8(name) && IsValidDisplayName(name, settings_defaults::kPetNameMaxCodePoints);
}

// Read like the standard string-to-int conversion: leading white space and a
// sign allowed, trailing text ignored; no digits or out of range throws.
int32_t ParseStoredCoordinate(const std::string& text) { return std::stoi(text); }

}  // namespace

void Application::LoadStoredSettings() {
  try {
    ReadStoredSettings();
    wardrobe_.Load();
  } catch (const std::exception&) {
    hasPetPosition_ = false;
    wardrobe_.ForgetStored();
  }
}

void Application::ReadStoredSettings() {
  namespace keys = settings_keys;
  if (auto name = store_.GetSetting(keys::kPetName); name && IsStoredPetName(*name)) {
    petName_ = *name;
  }
  if (auto sound = store_.GetSetting(keys::kSound)) soundEnabled_ = *sound != "0";
  if (auto speech = store_.GetSetting(keys::kSpeech)) speechEnabled_ = *speech == "1";
  if (auto shortcuts = store_.GetSetting(keys::kShortcuts)) {
    const Json parsed = Json::parse(*shortcuts, nullptr, false);
    if (parsed.is_object()) {
      for (auto [key, target] : {std::pair{"financeWebsiteUrl", &financeWebsiteUrl_},
                                 std::pair{"learningWebsiteUrl", &learningWebsiteUrl_}}) {
        const auto it = parsed.find(key);
        if (it != parsed.end() && it->is_string() && IsValidWebUrl(it->get_ref<const std::string&>())) {
          *target = it->get<std::string>();
        }
      }
    }
  }
  if (auto theme = store_.GetSetting(keys::kTheme); theme && IsValidTheme(*theme)) {
    workspaceTheme_ = *theme;
  }
  if (auto size = store_.GetSetting(keys::kTextSize); size && IsValidTextSize(*size)) {
    workspaceTextSize_ = *size;
  }
  if (auto openLast = store_.GetSetting(keys::kOpenLastView)) openLastView_ = *openLast != "0";

  bool wasMarketplace = false;
  if (auto view = store_.GetSetting(keys::kLastView)) {
    std::string value = *view;
    if (value == kLegacyMarketplaceView) {
      value = "toolbox";
      wasMarketplace = true;
    }
    if (IsKnownWorkspaceView(value)) lastView_ = value;
  }
  if (auto category = store_.GetSetting(keys::kLastCategory); category && IsKnownToolCategory(*category)) {
    lastCategory_ = *category;
  }
  if (wasMarketplace) lastCategory_.clear();

  auto x = store_.GetSetting(keys::kPetX);
  auto y = store_.GetSetting(keys::kPetY);
  if (x && y) {
    const int32_t parsedX = ParseStoredCoordinate(*x);
    const int32_t parsedY = ParseStoredCoordinate(*y);
    petX_ = parsedX;
    petY_ = parsedY;
    hasPetPosition_ = true;
  }
}

}  // namespace nubo

