#pragma once

#include <windows.h>

#include "ui_bridge/dispatcher.h"

namespace nubo {

class SoftwareService;
class SoftwareScanWorker;

struct SoftwareRouteContext {
  SoftwareService& service;
  HWND owner;  // the sending window, for the dialogs and the scan's reply
  SoftwareScanWorker& scans;
};

// The gate of every "software." request: requestId 1 to 80 bytes, sent by the
// dashboard while the application is not shutting down, the message text at
// most 1 MiB, and the dashboard visible (except for "software.scan.cancel").
// A refusal is type + ".error"; null lets the request through.
Json SoftwareGate(const RouteRequest& request);

// The request after its gate: its fields, the refusal while a scan runs, then
// its call. A type no row answers gets app.error "暂不支持这个操作。".
Json RouteSoftwareRequest(SoftwareRouteContext& context, const RouteRequest& request);

}  // namespace nubo
