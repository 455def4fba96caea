#include "windows/browser_host.h"

namespace nubo {
namespace {

// What the loader reports when no runtime is installed.
constexpr HRESULT kRuntimeMissing = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

class Unavailable final : public BrowserRuntime {
 public:
  HRESULT CreateEnvironment(HWND, const std::wstring&, EnvironmentCompleted) override {
    return kRuntimeMissing;
  }
};

}  // namespace

BrowserRuntime& UnavailableBrowserRuntime() {
  static Unavailable runtime;
  return runtime;
}

}  // namespace nubo
