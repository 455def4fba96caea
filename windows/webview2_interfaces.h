#pragma once

// The WebView2 COM interfaces the browser window calls, declared by their
// binary interface: each table keeps the runtime's slot order, and only the
// methods the program calls have names. Every other slot is a placeholder
// that answers E_NOTIMPL, so that our own handler objects (and a stand-in
// runtime) implement only what is used. Where the versions between an
// interface and the one the program asks for add nothing it calls, the later
// version derives straight from the first and keeps their slots as
// placeholders. The slot a placeholder fills is part of its name.

#include <windows.h>
#include <unknwn.h>
#include <eventtoken.h>

// COM objects go by Release, never by delete through an interface: like the
// system's own interfaces these have no virtual destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#define NUBO_UNUSED_SLOT(slot) \
  virtual HRESULT STDMETHODCALLTYPE Unused##slot() { return E_NOTIMPL; }

struct COREWEBVIEW2_COLOR {
  BYTE A;
  BYTE R;
  BYTE G;
  BYTE B;
};
static_assert(sizeof(COREWEBVIEW2_COLOR) == 4);

enum COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND : INT32 {
  COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_DENY = 0,
  COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW = 1,
  COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_DENY_CORS = 2,
};

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2ControllerOptions;
struct ICoreWebView2Environment;
struct ICoreWebView2EnvironmentOptions;  // never passed: the defaults are used
struct ICoreWebView2NavigationStartingEventArgs;
struct ICoreWebView2NewWindowRequestedEventArgs;
struct ICoreWebView2WebMessageReceivedEventArgs;

struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT result,
                                           ICoreWebView2Environment* environment) = 0;
};

struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT result, ICoreWebView2Controller* controller) = 0;
};

struct ICoreWebView2WebMessageReceivedEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                           ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};

struct ICoreWebView2NavigationStartingEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                           ICoreWebView2NavigationStartingEventArgs* args) = 0;
};

struct ICoreWebView2NewWindowRequestedEventHandler : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                           ICoreWebView2NewWindowRequestedEventArgs* args) = 0;
};

struct ICoreWebView2Environment : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
  NUBO_UNUSED_SLOT(4) NUBO_UNUSED_SLOT(5) NUBO_UNUSED_SLOT(6) NUBO_UNUSED_SLOT(7)
};

// Slots 8 to 19 belong to versions 2 to 9.
struct ICoreWebView2Environment10 : ICoreWebView2Environment {
  NUBO_UNUSED_SLOT(8) NUBO_UNUSED_SLOT(9) NUBO_UNUSED_SLOT(10) NUBO_UNUSED_SLOT(11)
  NUBO_UNUSED_SLOT(12) NUBO_UNUSED_SLOT(13) NUBO_UNUSED_SLOT(14) NUBO_UNUSED_SLOT(15)
  NUBO_UNUSED_SLOT(16) NUBO_UNUSED_SLOT(17) NUBO_UNUSED_SLOT(18) NUBO_UNUSED_SLOT(19)
  virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2ControllerOptions(
      ICoreWebView2ControllerOptions** options) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2ControllerWithOptions(
      HWND parentWindow, ICoreWebView2ControllerOptions* options,
      ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
  NUBO_UNUSED_SLOT(22)
};

struct ICoreWebView2ControllerOptions : IUnknown {
  NUBO_UNUSED_SLOT(3) NUBO_UNUSED_SLOT(4) NUBO_UNUSED_SLOT(5) NUBO_UNUSED_SLOT(6)
};

// Slots 7 and 8 belong to version 2.
struct ICoreWebView2ControllerOptions3 : ICoreWebView2ControllerOptions {
  NUBO_UNUSED_SLOT(7) NUBO_UNUSED_SLOT(8) NUBO_UNUSED_SLOT(9)
  virtual HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR color) = 0;
};

struct ICoreWebView2Controller : IUnknown {
  NUBO_UNUSED_SLOT(3)
  virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) = 0;
  NUBO_UNUSED_SLOT(5)
  virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;
  NUBO_UNUSED_SLOT(7) NUBO_UNUSED_SLOT(8) NUBO_UNUSED_SLOT(9) NUBO_UNUSED_SLOT(10)
  NUBO_UNUSED_SLOT(11) NUBO_UNUSED_SLOT(12) NUBO_UNUSED_SLOT(13) NUBO_UNUSED_SLOT(14)
  NUBO_UNUSED_SLOT(15) NUBO_UNUSED_SLOT(16) NUBO_UNUSED_SLOT(17) NUBO_UNUSED_SLOT(18)
  NUBO_UNUSED_SLOT(19) NUBO_UNUSED_SLOT(20) NUBO_UNUSED_SLOT(21) NUBO_UNUSED_SLOT(22)
  NUBO_UNUSED_SLOT(23)
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** view) = 0;
};

struct ICoreWebView2Controller2 : ICoreWebView2Controller {
  NUBO_UNUSED_SLOT(26)
  virtual HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR color) = 0;
};

struct ICoreWebView2Settings : IUnknown {
  NUBO_UNUSED_SLOT(3) NUBO_UNUSED_SLOT(4) NUBO_UNUSED_SLOT(5) NUBO_UNUSED_SLOT(6)
  NUBO_UNUSED_SLOT(7) NUBO_UNUSED_SLOT(8) NUBO_UNUSED_SLOT(9)
  virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL enabled) = 0;
  NUBO_UNUSED_SLOT(11)
  virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL enabled) = 0;
  NUBO_UNUSED_SLOT(13)
  virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;
  NUBO_UNUSED_SLOT(15) NUBO_UNUSED_SLOT(16) NUBO_UNUSED_SLOT(17) NUBO_UNUSED_SLOT(18)
  NUBO_UNUSED_SLOT(19) NUBO_UNUSED_SLOT(20)
};

struct ICoreWebView2 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) = 0;
  NUBO_UNUSED_SLOT(4)
  virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;
  NUBO_UNUSED_SLOT(6)
  virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(
      ICoreWebView2NavigationStartingEventHandler* handler, EventRegistrationToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) = 0;
  NUBO_UNUSED_SLOT(9) NUBO_UNUSED_SLOT(10) NUBO_UNUSED_SLOT(11) NUBO_UNUSED_SLOT(12)
  NUBO_UNUSED_SLOT(13) NUBO_UNUSED_SLOT(14) NUBO_UNUSED_SLOT(15) NUBO_UNUSED_SLOT(16)
  NUBO_UNUSED_SLOT(17) NUBO_UNUSED_SLOT(18) NUBO_UNUSED_SLOT(19) NUBO_UNUSED_SLOT(20)
  NUBO_UNUSED_SLOT(21) NUBO_UNUSED_SLOT(22) NUBO_UNUSED_SLOT(23) NUBO_UNUSED_SLOT(24)
  NUBO_UNUSED_SLOT(25) NUBO_UNUSED_SLOT(26) NUBO_UNUSED_SLOT(27) NUBO_UNUSED_SLOT(28)
  NUBO_UNUSED_SLOT(29) NUBO_UNUSED_SLOT(30) NUBO_UNUSED_SLOT(31)
  virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) = 0;
  NUBO_UNUSED_SLOT(33)
  virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(
      ICoreWebView2WebMessageReceivedEventHandler* handler, EventRegistrationToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) = 0;
  NUBO_UNUSED_SLOT(36) NUBO_UNUSED_SLOT(37) NUBO_UNUSED_SLOT(38) NUBO_UNUSED_SLOT(39)
  NUBO_UNUSED_SLOT(40) NUBO_UNUSED_SLOT(41) NUBO_UNUSED_SLOT(42) NUBO_UNUSED_SLOT(43)
  virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(
      ICoreWebView2NewWindowRequestedEventHandler* handler, EventRegistrationToken* token) = 0;
  virtual HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) = 0;
  NUBO_UNUSED_SLOT(46) NUBO_UNUSED_SLOT(47) NUBO_UNUSED_SLOT(48) NUBO_UNUSED_SLOT(49)
  NUBO_UNUSED_SLOT(50) NUBO_UNUSED_SLOT(51) NUBO_UNUSED_SLOT(52) NUBO_UNUSED_SLOT(53)
  NUBO_UNUSED_SLOT(54) NUBO_UNUSED_SLOT(55) NUBO_UNUSED_SLOT(56) NUBO_UNUSED_SLOT(57)
  NUBO_UNUSED_SLOT(58) NUBO_UNUSED_SLOT(59) NUBO_UNUSED_SLOT(60)
};

// Slots 61 to 67 belong to version 2.
struct ICoreWebView2_3 : ICoreWebView2 {
  NUBO_UNUSED_SLOT(61) NUBO_UNUSED_SLOT(62) NUBO_UNUSED_SLOT(63) NUBO_UNUSED_SLOT(64)
  NUBO_UNUSED_SLOT(65) NUBO_UNUSED_SLOT(66) NUBO_UNUSED_SLOT(67) NUBO_UNUSED_SLOT(68)
  NUBO_UNUSED_SLOT(69) NUBO_UNUSED_SLOT(70)
  virtual HRESULT STDMETHODCALLTYPE SetVirtualHostNameToFolderMapping(
      LPCWSTR hostName, LPCWSTR folderPath, COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND accessKind) = 0;
  NUBO_UNUSED_SLOT(72)
};

struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* json) = 0;
  NUBO_UNUSED_SLOT(5)
};

struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
  NUBO_UNUSED_SLOT(4) NUBO_UNUSED_SLOT(5) NUBO_UNUSED_SLOT(6) NUBO_UNUSED_SLOT(7)
  virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;
  NUBO_UNUSED_SLOT(9)
};

struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
  NUBO_UNUSED_SLOT(3) NUBO_UNUSED_SLOT(4) NUBO_UNUSED_SLOT(5)
  virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
  NUBO_UNUSED_SLOT(7) NUBO_UNUSED_SLOT(8) NUBO_UNUSED_SLOT(9) NUBO_UNUSED_SLOT(10)
};

#undef NUBO_UNUSED_SLOT
#pragma GCC diagnostic pop

// WebView2Loader.dll's entry: browser folder (null: the installed runtime),
// user-data folder, options (null: the defaults) and the completion.
using CreateCoreWebView2EnvironmentWithOptionsFunction = HRESULT(STDAPICALLTYPE*)(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

__CRT_UUID_DECL(ICoreWebView2, 0x76eceacb, 0x0462, 0x4d94, 0xac, 0x83, 0x42, 0x3a, 0x67, 0x93, 0x77, 0x5e)
__CRT_UUID_DECL(ICoreWebView2_3, 0xa0d6df20, 0x3b92, 0x416d, 0xaa, 0x0c, 0x43, 0x7a, 0x9c, 0x72, 0x78, 0x57)
__CRT_UUID_DECL(ICoreWebView2Controller, 0x4d00c0d1, 0x9434, 0x4eb6, 0x80, 0x78, 0x86, 0x97, 0xa5, 0x60, 0x33, 0x4f)
__CRT_UUID_DECL(ICoreWebView2Controller2, 0xc979903e, 0xd4ca, 0x4228, 0x92, 0xeb, 0x47, 0xee, 0x3f, 0xa9, 0x6e, 0xab)
__CRT_UUID_DECL(ICoreWebView2ControllerOptions, 0x12aae616, 0x8ccb, 0x44ec, 0xbc, 0xb3, 0xeb, 0x18, 0x31, 0x88, 0x16, 0x35)
__CRT_UUID_DECL(ICoreWebView2ControllerOptions3, 0xb32b191a, 0x8998, 0x57ca, 0xb7, 0xcb, 0xe0, 0x46, 0x17, 0xe4, 0xce, 0x4a)
__CRT_UUID_DECL(ICoreWebView2Environment, 0xb96d755e, 0x0319, 0x4e92, 0xa2, 0x96, 0x23, 0x43, 0x6f, 0x46, 0xa1, 0xfc)
__CRT_UUID_DECL(ICoreWebView2Environment10, 0xee0eb9df, 0x6f12, 0x46ce, 0xb5, 0x3f, 0x3f, 0x47, 0xb9, 0xc9, 0x28, 0xe0)
__CRT_UUID_DECL(ICoreWebView2Settings, 0xe562e4f0, 0xd7fa, 0x43ac, 0x8d, 0x71, 0xc0, 0x51, 0x50, 0x49, 0x9f, 0x00)
__CRT_UUID_DECL(ICoreWebView2WebMessageReceivedEventArgs, 0x0f99a40c, 0xe962, 0x4207, 0x9e, 0x92, 0xe3, 0xd5, 0x42, 0xef, 0xf8, 0x49)
__CRT_UUID_DECL(ICoreWebView2NavigationStartingEventArgs, 0x5b495469, 0xe119, 0x438a, 0x9b, 0x18, 0x76, 0x04, 0xf2, 0x5f, 0x2e, 0x49)
__CRT_UUID_DECL(ICoreWebView2NewWindowRequestedEventArgs, 0x34acb11c, 0xfc37, 0x4418, 0x91, 0x32, 0xf9, 0xc2, 0x1d, 0x1e, 0xaf, 0xb9)
__CRT_UUID_DECL(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, 0x4e8a3389, 0xc9d8, 0x4bd2, 0xb6, 0xb5, 0x12, 0x4f, 0xee, 0x6c, 0xc1, 0x4d)
__CRT_UUID_DECL(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, 0x6c4819f3, 0xc9b7, 0x4260, 0x81, 0x27, 0xc9, 0xf5, 0xbd, 0xe7, 0xf6, 0x8c)
__CRT_UUID_DECL(ICoreWebView2WebMessageReceivedEventHandler, 0x57213f19, 0x00e6, 0x49fa, 0x8e, 0x07, 0x89, 0x8e, 0xa0, 0x1e, 0xcb, 0xd2)
__CRT_UUID_DECL(ICoreWebView2NavigationStartingEventHandler, 0x9adbe429, 0xf36d, 0x432b, 0x9d, 0xdc, 0xf8, 0x88, 0x1f, 0xbd, 0x76, 0xe3)
__CRT_UUID_DECL(ICoreWebView2NewWindowRequestedEventHandler, 0xd4c185fe, 0xc81c, 0x4989, 0x97, 0xaf, 0x2d, 0x3f, 0xa7, 0xab, 0x56, 0x51)
