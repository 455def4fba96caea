#pragma once

#include "ui_bridge/dispatcher.h"

namespace nubo {

class ModbusService;
class MqttService;
class SerialService;

// The gate of every "serial.", "mqtt." and "modbus." request: requestId 1 to
// 80 bytes, the type at most 40 bytes, the message text at most 1 MiB, sent
// by the dashboard while the application is not shutting down; while the
// dashboard is hidden only the actions "poll" and "stop" pass. A refusal is
// type + ".error"; null lets the request through.
Json DeviceGate(const RouteRequest& request);

// The request after its gate: the family's service answers the action (the
// type after its first ".") with a result object, sent as type + ".result"
// with the request's requestId; any standard exception becomes type + ".error".
Json RouteDeviceRequest(SerialService& service, const RouteRequest& request);
Json RouteDeviceRequest(MqttService& service, const RouteRequest& request);
Json RouteDeviceRequest(ModbusService& service, const RouteRequest& request);

}  // namespace nubo
