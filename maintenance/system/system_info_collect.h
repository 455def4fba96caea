#pragma once

#include <windows.h>

#include <cstdint>

#include "maintenance/system/system_info_record.h"

namespace nubo {

// Fills the record from Windows. 1 when filled; 0 when record is null or the
// memory status cannot be read. Any other source that fails leaves its field
// empty or 0 (255 for the power fields, 96 for the DPI). Never throws.
int SystemInfoCollect(SystemInfoRecord* record);

// Entries of one LOGICAL_PROCESSOR_RELATIONSHIP kind; 0 when unreadable.
uint32_t SystemInfoCountProcessorRelations(LOGICAL_PROCESSOR_RELATIONSHIP relationship);

// activeAdapters, adapterName and ipv4: the primary adapter is the first one
// that is up, neither loopback nor tunnel, and has an IPv4 address.
void SystemInfoReadNetworkAdapters(SystemInfoRecord* record);

// The description of the primary display adapter attached to the desktop,
// else of the first attached one, else empty; cut to units - 1.
void SystemInfoReadPrimaryDisplay(wchar_t* buffer, uint32_t units);

// A REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ value that fits the buffer (its
// last unit is forced to NUL). False, and the buffer empty, otherwise.
bool SystemInfoReadRegistryString(HKEY root, const wchar_t* key, const wchar_t* valueName,
                                  wchar_t* buffer, uint32_t units);

}  // namespace nubo
