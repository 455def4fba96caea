#pragma once

#include <cstdint>
#include <string_view>

namespace nubo {

// The name shown for a Modbus exception code.
constexpr std::string_view ModbusExceptionName(uint8_t code) {
  switch (code) {
    case 1: return "非法功能";
    case 2: return "非法数据地址";
    case 3: return "非法数据值";
    case 4: return "设备故障";
    case 5: return "设备已确认，处理尚未完成";
    case 6: return "设备忙";
    case 8: return "存储器奇偶校验错误";
    case 10: return "网关路径不可用";
    case 11: return "网关目标无响应";
    default: return "设备拒绝请求";
  }
}

}  // namespace nubo
