// The application's own messages: settings, workbench navigation, website
// shortcuts, pet actions and reminders.
#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>

#include "app/app_texts.h"
#include "app/application.h"
#include "characters/character_texts.h"
#include "store/file_utils.h"
#include "store/repeat_rules.h"
#include "store/settings_keys.h"
#include "store/text_convert.h"
#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/field_readers.h"
#include "ui_bridge/messages.h"
#include "ui_bridge/web_address.h"

namespace nubo {
namespace {

namespace keys = settings_keys;
namespace texts = dispatch_texts;

constexpr size_t kTitleMaxBytes = 160;
// A due time is a JSON integer of Unix milliseconds up to the end of
// 9999-12-31 (UTC); a fraction or a larger number is refused, never cut or
// saturated into a time no repeat rule can move on from.
constexpr int64_t kEarliestDueAt = 1;
constexpr int64_t kLatestDueAt = 253'402'300'799'999;
constexpr int32_t kSnoozeDefaultMinutes = 5;
constexpr int32_t kSnoozeMinMinutes = 1;
constexpr int32_t kSnoozeMaxMinutes = 1440;
constexpr int64_t kMinuteMs = 60'000;

constexpr std::array<std::string_view, 7> kPetActions = {"idle",  "walkLeft", "walkRight", "wave",
                                                         "hop",   "sleepy",   "petted"};
constexpr std::array<std::string_view, 4> kRepeatRules = {"none", "daily", "weekdays", "weekly"};
constexpr std::array<std::string_view, 3> kPriorities = {"normal", "important", "urgent"};

const char* Flag(bool on) { return on ? "1" : "0"; }

// A repeating reminder's next due time can be calculated (the local-time
// conversion ends long before the last accepted due time); otherwise it
// could never be completed.
bool CanMoveOn(int64_t dueAt, std::string_view rule) {
  if (!IsRepeatingRule(rule)) return true;
  try {
    NextRepeatDueAt(dueAt, rule, dueAt);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

Json ReminderIdMessage(const char* type, int64_t id) { return MakeMessage(type, Json{{"id", id}}); }

}  // namespace

void Application::OnSettingsUpdate(const Json& payload) {
  // Every member is read and checked before anything changes, so a refusal or
  // a member of the wrong type leaves memory, store and windows as they were.
  const std::string name = ReadTextOr(payload, "petName", petName_);
  if (!IsValidDisplayName(name, settings_defaults::kPetNameMaxCodePoints)) {
    throw std::runtime_error(std::string(texts::kBadPetName));
  }
  const std::string theme = ReadTextOr(payload, "workspaceTheme", workspaceTheme_);
  const std::string textSize = ReadTextOr(payload, "workspaceTextSize", workspaceTextSize_);
  if (!IsValidTheme(theme) || !IsValidTextSize(textSize)) {
    throw std::runtime_error(std::string(texts::kBadThemeOrSize));
  }
  const bool sound = ReadBoolOr(payload, "soundEnabled", soundEnabled_);
  const bool speech = ReadBoolOr(payload, "speechEnabled", speechEnabled_);
  const bool openLastView = ReadBoolOr(payload, "openLastView", openLastView_);

  // Stored before memory changes: a failed store leaves both as they were.
  store_.PutSettings({{keys::kPetName, name},
                      {keys::kSound, Flag(sound)},
                      {keys::kSpeech, Flag(speech)},
                      {keys::kTheme, theme},
                      {keys::kTextSize, textSize},
                      {keys::kOpenLastView, Flag(openLastView)}});
  petName_ = name;
  soundEnabled_ = sound;
  speechEnabled_ = speech;
  workspaceTheme_ = theme;
  workspaceTextSize_ = textSize;
  openLastView_ = openLastView;

  ApplyNames();
  SendStateSync(nullptr);
}

void Application::OnNavigationUpdate(WebViewWindow& sender, const Json& payload) {
  const std::string view = ReadTextOr(payload, "view", "");
  const std::string category = ReadTextOr(payload, "category", "");
  if (!IsKnownWorkspaceView(view) || !IsKnownToolCategory(category)) {
    SendAppError(sender, texts::kUnknownView);
    return;
  }
  store_.PutSettings({{keys::kLastView, view}, {keys::kLastCategory, category}});
  lastView_ = view;
  lastCategory_ = category;
}

void Application::OnAppReady(WebViewWindow& sender, const Json&) {
  SendStateSync(&sender);
  if (sender.Kind() != WindowKind::Dashboard) return;
  dashboardUiReady_ = true;
  FlushPendingNavigation();
}

void Application::OnPetMenu(WebViewWindow& sender, const Json& payload) {
  const std::optional<PetLayout> layout =
      ParsePetLayout(ReadTextOr(payload, "layout", character_texts::kLayoutSingle));
  if (!layout) return;
  const bool open = ReadBoolOr(payload, "open", false);
  sender.SetPetMenuLayout(open, *layout);
}

void Application::OnOpenShortcutSettings(WebViewWindow& sender, const Json& payload) {
  const std::string shortcut = ReadTextOr(payload, "shortcut", "");
  if (!shortcut.empty() && shortcut != "finance" && shortcut != "learning") {
    SendAppError(sender, texts::kUnknownShortcut);
    return;
  }
  OpenDashboardAt(app_texts::kShortcutsView, shortcut);
}

Json Application::OnShortcutsSave(WebViewWindow& sender, const RouteRequest& request) {
  const Json& payload = request.payload;
  std::string requestId;
  ReadStringField(payload, "requestId", requestId);
  return WithOwnCatch(request.type, requestId, [&] {
    if (!IsValidRequestId(requestId)) {
      throw std::runtime_error(std::string(texts::kShortcutsBadRequestId));
    }
    if (sender.Kind() != WindowKind::Dashboard) {
      throw std::runtime_error(std::string(texts::kShortcutsNotDashboard));
    }
    std::string finance;
    std::string learning;
    if (!ReadStringField(payload, "financeWebsiteUrl", finance) ||
        !ReadStringField(payload, "learningWebsiteUrl", learning)) {
      throw std::runtime_error(std::string(texts::kShortcutsNotText));
    }
    if (!IsValidWebUrl(finance)) throw std::runtime_error(std::string(texts::kFinanceUrlInvalid));
    if (!IsValidWebUrl(learning)) throw std::runtime_error(std::string(texts::kLearningUrlInvalid));

    const Json saved{{"financeWebsiteUrl", finance}, {"learningWebsiteUrl", learning}};
    store_.PutSetting(keys::kShortcuts, SerializeMessage(saved));
    financeWebsiteUrl_ = finance;
    learningWebsiteUrl_ = learning;
    SendStateSync(nullptr);
    return MakeResultReply(request.type, requestId, saved);
  });
}

void Application::OnShortcutsOpen(WebViewWindow& sender, const Json& payload) {
  const std::string shortcut = ReadTextOr(payload, "shortcut", "");
  if (shortcut != "finance" && shortcut != "learning") {
    SendAppError(sender, texts::kUnknownShortcut);
    return;
  }
  const std::string& address = shortcut == "finance" ? financeWebsiteUrl_ : learningWebsiteUrl_;
  if (address.empty()) {
    OpenDashboardAt(app_texts::kShortcutsView, shortcut);
    return;
  }
  if (!IsValidWebUrl(address)) {
    SendAppError(sender, texts::kSavedAddressInvalid);
    return;
  }
  if (!shell_->OpenUrl(sender.Handle(), Utf8ToUtf16(address))) {
    SendAppError(sender, texts::kBrowserOpenFailed);
  }
}

void Application::OnPetAction(WebViewWindow& sender, const Json& payload) {
  const std::string action = ReadTextOr(payload, "action", "");
  if (!IsOneOf(action, kPetActions)) {
    SendAppError(sender, texts::kUnknownPetAction);
    return;
  }
  Broadcast(MakeMessage("pet.action", Json{{"action", action}}));
}

void Application::OnReminderCreate(WebViewWindow& sender, const Json& payload) {
  const std::string title = ReadTextOr(payload, "title", "");
  int64_t dueAt = 0;
  const bool dueAtValid = ReadIntegerField(payload, "dueAt", kEarliestDueAt, kLatestDueAt, dueAt);
  const std::string repeatRule = ReadTextOr(payload, "repeatRule", "none");
  const std::string priority = ReadTextOr(payload, "priority", "normal");
  if (title.empty() || title.size() > kTitleMaxBytes || !dueAtValid ||
      !IsOneOf(repeatRule, kRepeatRules) || !IsOneOf(priority, kPriorities) ||
      !CanMoveOn(dueAt, repeatRule)) {
    SendAppError(sender, texts::kBadReminder);
    return;
  }
  store_.CreateReminder(title, dueAt, repeatRule, priority);
  SendStateSync(nullptr);
  Broadcast(MakeMessage("pet.action", Json{{"action", "wave"}}));
}

void Application::DismissPresentedReminder(int64_t id, bool announce) {
  if (!hasPresentedReminder_ || presentedReminderId_ != id) return;
  hasPresentedReminder_ = false;
  presentedReminderId_ = 0;
  if (!petWindow_ || !petWindow_->IsPresenting()) return;
  // Ended without the end message, whichever request ends it.
  petWindow_->CancelPresentation();
  if (announce) Broadcast(ReminderIdMessage("reminder.dismissed", id));
}

void Application::OnReminderComplete(const Json& payload) {
  const int64_t id = ReadNumberOr<int64_t>(payload, "id", 0);
  store_.CompleteReminder(id, NowMilliseconds());
  Broadcast(ReminderIdMessage("reminder.completed", id));
  if (soundEnabled_) shell_->Beep(0);
  DismissPresentedReminder(id, true);
  SendStateSync(nullptr);
}

void Application::OnReminderDelete(const Json& payload) {
  const int64_t id = ReadNumberOr<int64_t>(payload, "id", 0);
  store_.DeleteReminder(id);
  DismissPresentedReminder(id, true);
  SendStateSync(nullptr);
}

void Application::OnReminderSnooze(const Json& payload) {
  const int64_t id = ReadNumberOr<int64_t>(payload, "id", 0);
  const int32_t minutes = std::clamp(ReadNumberOr<int32_t>(payload, "minutes", kSnoozeDefaultMinutes),
                                     kSnoozeMinMinutes, kSnoozeMaxMinutes);
  store_.RescheduleReminder(id, NowMilliseconds() + minutes * kMinuteMs);
  DismissPresentedReminder(id, false);
  SendStateSync(nullptr);
  Broadcast(ReminderIdMessage("reminder.dismissed", id));
}

// The wardrobe's requests: the payload is read here, in the order the
// wardrobe checks it.
void Application::OnWardrobeChanged() { SendStateSync(nullptr); }

void Application::OnCharacterUpload(const Json& payload) {
  const std::string name = ReadTextOr(payload, "name", "");
  const std::string layout = ReadTextOr(payload, "layout", character_texts::kLayoutSingle);
  const std::string dataUrl = ReadTextOr(payload, "dataUrl", "");
  wardrobe_.Upload(name, layout, dataUrl);
}

void Application::OnCharacterActivate(const Json& payload) {
  wardrobe_.Activate(ReadTextOr(payload, "id", ""));
  Broadcast(MakeMessage(character_texts::kPetActionType, Json{{"action", character_texts::kWaveAction}}));
}

void Application::OnCharacterIconUpdate(const Json& payload) {
  const std::string id = ReadTextOr(payload, "id", "");
  if (!wardrobe_.IsIconFor(id)) return;
  ApplyAssistantIcon(wardrobe_.WriteIcon(id, ReadTextOr(payload, "dataUrl", "")));
}

void Application::OnCharacterDelete(const Json& payload) {
  wardrobe_.Delete(ReadTextOr(payload, "id", ""));
  SendStateSync(nullptr);
}

}  // namespace nubo
