#pragma once

namespace nubo {

// The installed-software manager. Until its inventory and scans exist it
// holds no state; the application owns it in its place.
class SoftwareService {};

}  // namespace nubo
