// About 2,000 hostile requests of every type through the whole route table,
// made from a fixed seed by breaking a valid payload: members dropped, added
// or given values of the wrong type, huge or fractional numbers, deep
// nesting, invalid UTF-8 and oversized texts. Each one gets one well-formed
// answer on the sending window (the families without a reply type: at most
// one app.error), and a refused one changes nothing stored.
//
// Nothing reaches the machine: the harness's shell records beeps, speech,
// balloons and opened addresses; the file dialogs answer at once; the
// software manager's installed list, Recycle Bin, Explorer and uninstaller
// launch are fakes that refuse; the ports list is an empty table, so no
// process can be ended; Fence() keeps every host on loopback; serial and
// Modbus RTU requests name only a port no machine has (Fence() adds it where
// a Modbus start would fall back on COM1); no request carries a decodable
// picture, so the desktop shortcut's icon is never touched; app.quit goes last.

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <random>
#include <string>
#include <vector>

#include "maintenance/software/software_service.h"
#include "store/app_files.h"
#include "store/file_utils.h"
#include "store/text_convert.h"
#include "tests/support/app_harness.h"
#include "ui_bridge/dispatch_texts.h"

namespace nubo {
namespace {

using Json = nlohmann::json;

constexpr uint64_t kSeed = 0x5eed'2024;
constexpr int kRequests = 2000;
constexpr char kNoSuchPort[] = "COM12345";
const std::string kToken(32, 'a');

// A valid payload of every request type.
const std::vector<std::pair<std::string, std::string>> kValid = {
    {"app.ready", "{}"}, {"reminder.list", "{}"}, {"window.petMenu", R"({"open":true,"layout":"sheet"})"},
    {"window.openToolbox", "{}"}, {"window.openShortcutSettings", R"({"shortcut":"finance"})"},
    {"shortcuts.save", R"({"requestId":"r","financeWebsiteUrl":"https://a.example/x","learningWebsiteUrl":""})"},
    {"shortcuts.open", R"({"shortcut":"finance"})"}, {"window.drag.start", "{}"}, {"window.drag.move", "{}"},
    {"window.drag.end", "{}"}, {"window.openDashboard", "{}"}, {"window.hideDashboard", "{}"},
    {"window.hidePet", "{}"}, {"pet.action", R"({"action":"hop"})"},
    {"character.upload", R"({"name":"小猫","layout":"single","dataUrl":"data:image/png;base64,AAAA"})"},
    {"character.activate", R"({"id":"builtin"})"},
    {"character.icon.update", R"({"id":"builtin","dataUrl":"data:image/png;base64,AAAA"})"},
    {"character.delete", R"({"id":"custom-1"})"},
    {"tool.execute", R"({"requestId":"r","toolId":"hex","operation":"encode","input":"Hi"})"},
    {"serial.enumerate", R"({"requestId":"r"})"},
    {"serial.start", R"({"requestId":"r","port":"COM12345","baud":9600})"},
    {"serial.send", R"({"requestId":"r","dataHex":"0102"})"}, {"serial.poll", R"({"requestId":"r"})"},
    {"serial.stop", R"({"requestId":"r"})"},
    {"mqtt.start", R"({"requestId":"r","host":"127.0.0.1","port":1883,"clientId":"c","username":"","password":"",)"
                   R"("keepAlive":60,"cleanSession":true,"tls":false})"},
    {"mqtt.subscribe", R"({"requestId":"r","topic":"a/#","qos":1})"},
    {"mqtt.unsubscribe", R"({"requestId":"r","topic":"a/#"})"},
    {"mqtt.publish", R"({"requestId":"r","topic":"a/b","dataHex":"6869","qos":0,"retain":false})"},
    {"mqtt.poll", R"({"requestId":"r"})"}, {"mqtt.stop", R"({"requestId":"r"})"},
    {"modbus.ports", R"({"requestId":"r"})"},
    {"modbus.start", R"({"requestId":"r","transport":"rtu","serialPort":"COM12345","timeoutMs":100})"},
    {"modbus.request", R"({"requestId":"r","functionCode":3,"address":0,"quantity":2})"},
    {"modbus.poll", R"({"requestId":"r"})"}, {"modbus.stop", R"({"requestId":"r"})"},
    {"network.interfaces", R"({"requestId":"r"})"},
    {"network.start", R"({"requestId":"r","mode":"udp","localHost":"127.0.0.1","localPort":0,)"
                      R"("remoteHost":"127.0.0.1","remotePort":9,"allowLan":false})"},
    {"network.send", R"({"requestId":"r","dataHex":"01","targetPeerId":""})"},
    {"network.poll", R"({"requestId":"r"})"}, {"network.stop", R"({"requestId":"r"})"},
    {"system.snapshot", R"({"requestId":"r"})"}, {"ports.list", R"({"requestId":"r"})"},
    {"ports.terminate", R"({"requestId":"r","processId":4242,"processName":"x.exe","confirmed":true})"},
    {"software.list", R"({"requestId":"r"})"},
    {"software.uninstall", R"({"requestId":"r","softwareId":"probe","displayName":"Probe","confirmed":true})"},
    {"software.scan", R"({"requestId":"r","softwareId":"probe","displayName":"Probe"})"},
    {"software.scan.cancel", R"({"requestId":"r"})"},
    {"software.refresh", R"({"requestId":"r","planToken":")" + kToken + R"("})"},
    {"software.reveal", R"({"requestId":"r","planToken":")" + kToken + R"(","path":"C:\\x"})"},
    {"software.cleanup", R"({"requestId":"r","planToken":")" + kToken +
                             R"(","typedName":"Probe","selectedPaths":["C:\\x"],"confirmed":true})"},
    {"image.save", R"({"requestId":"r","format":"png","suggestedBaseName":"a","dataUrl":"data:image/png;base64,AAAA"})"},
    {"database.pick", R"({"requestId":"r","createNew":true})"}, {"database.refresh", R"({"requestId":"r"})"},
    {"database.execute", R"({"requestId":"r","sql":"CREATE TABLE IF NOT EXISTS t(a);","allowWrite":true})"},
    {"database.close", R"({"requestId":"r"})"},
    {"settings.update", R"({"petName":"朵朵","soundEnabled":false,"workspaceTheme":"rose","workspaceTextSize":"large"})"},
    {"workspace.navigation.update", R"({"view":"today","category":"data"})"},
    {"reminder.create", R"({"title":"喝水","dueAt":1900000000000,"repeatRule":"daily","priority":"urgent"})"},
    {"reminder.complete", R"({"id":1})"}, {"reminder.delete", R"({"id":2})"},
    {"reminder.snooze", R"({"id":1,"minutes":10})"}, {"app.explode", "{}"}, {"software.x", R"({"requestId":"r"})"},
    {"network.x", R"({"requestId":"r"})"}};

// Wrong types, edges of number ranges, odd texts, and a few values that are
// valid for some member, so that one valid change meets another member's refusal.
const Json kHostileValues = Json::parse(R"([null, true, false, 0, -1, 1, 0.5, -0.0, 1e300, -1e300,
    18446744073709551615, -9223372036854775808, 4294967296, 65536, 253402300800000, "", " ", "a\u0000 b",
    "喝水 提醒", "..\\.. \\Windows", "%s %n<script>", "cloud", "weekly", "learning", "today", "sheet",
    [], {}, [1, "a", null], {"a": {"b": []}}])");
const char* const kBadUtf8[] = {"\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE6\x9C", "\\ud800"};
constexpr char kMarker[] = "\"@@ hostile @@\"";  // replaced in the text by what Json cannot hold

// The families that always answer with a reply of their own (or app.error).
bool MustAnswer(const std::string& type) {
  for (const char* family : {"shortcuts.save", "tool.", "serial.", "mqtt.", "modbus.", "network.", "system.",
                             "ports.", "software.", "image.", "database.", "app.explode"}) {
    if (type.starts_with(family)) return true;
  }
  return false;
}

bool IsReply(const std::string& type) {
  return type == "app.error" || type.ends_with(".result") || type.ends_with(".error");
}

bool IsLoopback(const std::string& host) { return host == "127.0.0.1" || host == "::1" || host == "localhost"; }

// Keeps what a request could reach on this machine: hosts on loopback, and a
// Modbus RTU start (whose port defaults to COM1) on a port no machine has.
void Fence(const std::string& type, Json& payload) {
  if (!payload.is_object()) return;
  for (const char* name : {"host", "remoteHost", "localHost"}) {
    const auto host = payload.find(name);
    if (host == payload.end() || !host->is_string() || IsLoopback(*host)) continue;
    const std::string& text = host->get_ref<const std::string&>();
    if (!text.empty() && text.size() <= 255 && text.find_first_of(std::string(" \0", 2)) == std::string::npos) {
      *host = "127.0.0.1";
    }
  }
  if (type == "modbus.start" && !payload.contains("serialPort")) payload["serialPort"] = kNoSuchPort;
}

struct Request {
  std::string type;
  std::string text;
  bool fromDashboard = true;
  bool mustAnswer = false;
};

class Generator {
 public:
  Request Next() {
    const auto& [type, valid] = kValid[Pick(kValid.size())];
    Request request{type, "", Pick(4) != 0, MustAnswer(type)};
    Json payload = Json::parse(valid);
    std::string insert;  // what the marker stands for: deep nesting or invalid UTF-8
    for (size_t breaks = Pick(4); breaks > 0 && payload.is_object(); --breaks) {
      const std::string member = payload.empty() ? "extra" : std::next(payload.begin(), Pick(payload.size())).key();
      switch (Pick(9)) {
        case 0: payload.erase(member); break;
        case 1: case 2: payload[member] = Hostile(); break;
        case 3: payload["extra" + std::to_string(Pick(3))] = Hostile(); break;
        case 4: payload = Hostile(); break;
        case 5: payload[member] = std::string(Pick(2) ? 1'048'577 : 161, 'a'); break;
        case 6: {
          const size_t depth = 1 + Pick(20'000);
          insert = std::string(depth, '[') + std::string(depth, ']');
          payload[member] = "@@ hostile @@";
          break;
        }
        case 7:
          insert = std::string("\"x") + kBadUtf8[Pick(std::size(kBadUtf8))] + "\"";
          payload[member] = "@@ hostile @@";
          break;
        default:
          return Envelope(request, payload);
      }
    }
    Fence(type, payload);
    request.text = Json{{"type", type}, {"payload", payload}}.dump();
    if (const size_t at = request.text.find(kMarker); at != std::string::npos) {
      request.text.replace(at, sizeof(kMarker) - 1, insert);
      request.mustAnswer = request.mustAnswer || insert.front() == '"';
    }
    return request;
  }

 private:
  size_t Pick(size_t count) { return static_cast<size_t>(random_() % count); }
  Json Hostile() { return kHostileValues[Pick(kHostileValues.size())]; }

  // A broken envelope: every one is answered with app.error.
  Request Envelope(Request request, const Json& payload) {
    const std::string body = payload.dump();
    const std::string texts[] = {
        R"({"payload":)" + body + "}", R"({"type":7,"payload":)" + body + "}",
        R"({"type":")" + request.type + R"(x","payload":)" + body + "}", "[" + body + "]",
        R"({"type":")" + request.type + R"(","payload":)" + body.substr(0, body.size() / 2)};
    request.text = texts[Pick(std::size(texts))];
    request.mustAnswer = true;
    return request;
  }

  std::mt19937_64 random_{kSeed};
};

// Everything a refused request must leave as it was.
class StoredState {
 public:
  explicit StoredState(const std::wstring& database) {
    sqlite3_open_v2(Utf16ToUtf8(database).c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
  }
  ~StoredState() { sqlite3_close(db_); }

  std::string Take(Application& app, const std::wstring& charactersFolder) {
    std::string rows;
    sqlite3_exec(
        db_, "SELECT * FROM reminders ORDER BY id; SELECT * FROM app_settings ORDER BY key;",
        [](void* out, int count, char** values, char**) {
          std::string& text = *static_cast<std::string*>(out);
          for (int i = 0; i < count; ++i) text += std::string(values[i] ? values[i] : "NULL") + "|";
          return 0;
        },
        &rows, nullptr);
    Json state = app.BuildStatePayload();
    state.erase("now");
    return rows + state.dump() + Utf16ToUtf8(testing::ListFolder(charactersFolder));
  }

 private:
  sqlite3* db_ = nullptr;
};

// The message is one the front end can read: type and payload, a reply
// carrying its requestId, app.error its message alone.
::testing::AssertionResult WellFormed(const std::string& text) {
  const Json parsed = Json::parse(text, nullptr, false);
  if (!parsed.is_object() || parsed.size() != 2 || !parsed.contains("type") || !parsed["type"].is_string() ||
      !parsed.contains("payload") || !parsed["payload"].is_object()) {
    return ::testing::AssertionFailure() << text.substr(0, 300);
  }
  const std::string type = parsed["type"];
  const Json& payload = parsed["payload"];
  const auto message = payload.find("message");
  const bool hasMessage = message != payload.end() && message->is_string();
  const bool fine = type == "app.error" ? payload.size() == 1 && hasMessage &&
                                              message->get<std::string>() != dispatch_texts::kUnsendable
                                        : !IsReply(type) || (payload.contains("requestId") &&
                                                             (type.ends_with(".result") || hasMessage));
  return fine ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << text.substr(0, 300);
}

TEST(HostileRequests, EachGetsOneWellFormedAnswerAndARefusalChangesNothing) {
  testing::AppHarness harness;
  harness.ports = PortsContext{[] { return std::vector<PortEntry>{}; }, GetCurrentProcessId()};
  RegisteredSoftware probe;
  probe.id = "probe";
  probe.displayName = "Probe";
  probe.uninstallCommand = L"C:\\nowhere\\uninstall.exe";
  harness.softwareSystem = MachineSoftwareSystem();
  harness.softwareSystem->readInstalled = [&](const std::function<bool()>&) {
    return std::vector<RegisteredSoftware>{probe};
  };
  harness.softwareSystem->moveToRecycleBin = [](const std::wstring&) { return false; };
  harness.softwareSystem->revealInExplorer = [](const std::wstring&) { return false; };
  harness.softwareSystem->startProcess = [](const std::wstring&, std::wstring&) { return false; };
  harness.softwareScan = [](const SoftwareScanJob& job, const std::function<bool()>&) {
    SoftwareCleanupPlan plan;
    plan.token = kToken;
    plan.displayName = job.displayName;
    return plan;
  };
  harness.dialogs.databaseFile = [&](HWND, bool, wchar_t* buffer, uint64_t) {
    const std::wstring path = harness.root.file(L"picked.db");
    path.copy(buffer, path.size());
    buffer[path.size()] = L'\0';
    return 1;
  };
  harness.dialogs.saveImage = [](HWND, const wchar_t*, const wchar_t*, wchar_t*, uint64_t) { return 0; };
  Application& app = harness.StartWithBothWindows();
  WebViewWindow& pet = *app.PetWindow();
  WebViewWindow& dashboard = *app.DashboardWindow();
  testing::ScriptedView& petView = harness.PetView();
  testing::ScriptedView& dashboardView = harness.DashboardView();
  const std::wstring charactersFolder = JoinPath(harness.AppFolder(), kCharactersFolderName);
  StoredState stored(JoinPath(harness.AppFolder(), kDatabaseFileName));

  Generator generator;
  std::string before = stored.Take(app, charactersFolder);
  for (int i = 0; i < kRequests; ++i) {
    const Request request = generator.Next();
    SCOPED_TRACE(std::to_string(i) + ": " + request.text.substr(0, 300));
    testing::ScriptedView& senderView = request.fromDashboard ? dashboardView : petView;
    testing::ScriptedView& otherView = request.fromDashboard ? petView : dashboardView;
    app.HandleWebMessage(request.fromDashboard ? dashboard : pet, request.text);
    if (request.type == "software.scan" || request.type == "software.refresh") {
      harness.PumpUntil([&] {  // an accepted scan answers through the tick
        app.DeliverSoftwareScanResult();
        return !senderView.Posted().empty();
      });
    }

    std::vector<std::string> replies;
    for (const testing::ScriptedView* view : {&senderView, &otherView}) {
      for (const std::string& text : view->Posted()) {
        ASSERT_TRUE(WellFormed(text));
        const std::string type = Json::parse(text)["type"].get<std::string>();
        if (!IsReply(type)) continue;
        ASSERT_EQ(view, &senderView) << text.substr(0, 300);  // the other window gets no reply
        replies.push_back(type);
      }
    }
    ASSERT_LE(replies.size(), 1u);
    if (request.mustAnswer) {
      ASSERT_EQ(replies.size(), 1u);
    }
    std::string after = stored.Take(app, charactersFolder);
    if (!replies.empty() && !replies[0].ends_with(".result")) {
      ASSERT_EQ(after, before) << replies[0];
    }
    before = std::move(after);
    petView.ClearPosted();
    dashboardView.ClearPosted();
  }

  // The first quit ends the application; the later ones find it ended.
  app.HandleWebMessage(pet, R"({"type":"app.quit","payload":{}})");
  EXPECT_TRUE(app.IsShuttingDown());
  for (const char* payload : {"[1]", R"({"x":1e300})"}) {
    app.HandleWebMessage(pet, std::string(R"({"type":"app.quit","payload":)") + payload + "}");
  }
  EXPECT_EQ(pet.Handle(), nullptr);
}

}  // namespace
}  // namespace nubo
