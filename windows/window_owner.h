#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "windows/browser_host.h"
#include "windows/desktop_shell.h"

namespace nubo {

class WebViewWindow;

// What a browser-hosting window asks of the object that owns it.
class WindowOwner {
 public:
  virtual BrowserRuntime& Browser() = 0;
  virtual DesktopShell& Shell() = 0;
  virtual const std::wstring& UiFolder() const = 0;
  virtual const std::wstring& BrowserDataFolder() const = 0;
  virtual const std::wstring& CharactersFolder() const = 0;
  virtual const std::string& PetName() const = 0;
  virtual bool HasPetPosition() const = 0;
  virtual POINT PetPosition() const = 0;

  virtual void HandleWebMessage(WebViewWindow& sender, const std::string& text) = 0;
  // Tells both windows' front ends of a failure (app.error).
  virtual void BroadcastAppError(std::string_view message) = 0;
  virtual void SavePetPosition(HWND window) = 0;
  virtual void UpdatePetVisibility() = 0;
  virtual void HideDashboard() = 0;
  virtual void Quit() = 0;
  virtual void OnTick() = 0;
  virtual void OnTrayMessage(LPARAM lParam) = 0;
  virtual void OnPresentationFinished() = 0;

 protected:
  ~WindowOwner() = default;
};

}  // namespace nubo
