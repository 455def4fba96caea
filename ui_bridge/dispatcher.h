#pragma once

// The routing table of the front end's messages: each row names a type (or a
// prefix ending in "."), who may send it, the gate it passes first and the
// handler that answers it. The first row that matches handles the message.
#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "ui_bridge/dispatch_texts.h"
#include "ui_bridge/messages.h"

namespace nubo {

class WebViewWindow;

enum class SenderRule {
  kAny,
  kPetOnly,        // from the dashboard: ignored without an answer
  kDashboardOnly,  // from the pet: app.error, before anything else is looked at
};

// What the gates may test: the sender's kind, the dashboard's visibility and
// the application's shutting-down flag.
struct GateFacts {
  bool fromDashboard = false;
  bool dashboardVisible = false;
  bool shuttingDown = false;
};

// One request on its way through the table.
struct RouteRequest {
  const std::string& type;
  const Json& payload;
  size_t textBytes;  // the whole message text, in bytes
  GateFacts facts;
};

// The refusal reply, or null to let the request through.
using RouteGate = Json (*)(const RouteRequest& request);

template <typename Host>
struct RouteRow {
  std::string_view match;
  SenderRule sender;
  RouteGate gate;  // nullptr: none
  // The reply for the sender, or null when the handler answered (or had
  // nothing to answer) itself.
  Json (*handle)(Host& host, WebViewWindow& sender, const RouteRequest& request);
};

inline bool RouteMatches(std::string_view match, std::string_view type) {
  return match.ends_with('.') ? type.starts_with(match) : type == match;
}

// {"type":"app.error","payload":{"message":message}}
Json AppErrorMessage(std::string_view message);

// The message serialised; one whose text is not valid UTF-8 (a stored
// setting, an exception's text) becomes the app.error that says so.
std::string SerializeOrUnsendable(const Json& message);

// Routes one request through rows: the first row that matches applies its
// sender rule, then its gate, then its handler. A type no row matches is
// answered with app.error "暂不支持这个操作。".
template <typename Host>
Json Dispatch(std::span<const RouteRow<Host>> rows, Host& host, WebViewWindow& sender,
              const RouteRequest& request) {
  const auto row = std::ranges::find_if(
      rows, [&](const RouteRow<Host>& candidate) { return RouteMatches(candidate.match, request.type); });
  if (row == rows.end()) return AppErrorMessage(dispatch_texts::kUnsupported);
  switch (row->sender) {
    case SenderRule::kAny:
      break;
    case SenderRule::kPetOnly:
      if (request.facts.fromDashboard) return nullptr;
      break;
    case SenderRule::kDashboardOnly:
      if (!request.facts.fromDashboard) return AppErrorMessage(dispatch_texts::kNetworkFromPet);
      break;
  }
  if (row->gate != nullptr) {
    Json refusal = row->gate(request);
    if (!refusal.is_null()) return refusal;
  }
  return row->handle(host, sender, request);
}

}  // namespace nubo
