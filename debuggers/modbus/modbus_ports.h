#pragma once

#include <string>
#include <vector>

namespace nubo {

// The COM port names the system lists, in its order; empty when it lists none.
std::vector<std::string> ModbusListComPorts();

}  // namespace nubo
