#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "windows/webview2_interfaces.h"

namespace {

// The table index of a virtual method: its member pointer holds 1 + the
// method's byte offset in the table.
template <typename Member>
size_t SlotOf(Member member) {
  struct {
    uintptr_t offset;
    ptrdiff_t adjust;
  } raw;
  static_assert(sizeof(raw) == sizeof(member));
  std::memcpy(&raw, &member, sizeof(raw));
  return (raw.offset - 1) / sizeof(void*);
}

// A virtual added after Interface's table takes the slot just beyond it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <typename Interface>
struct Beyond : Interface {
  virtual void Next() {}
};
#pragma GCC diagnostic pop
template <typename Interface>
size_t SlotsOf() {
  return SlotOf(&Beyond<Interface>::Next);
}

#define EXPECT_SLOTS(interface, slots) EXPECT_EQ(SlotsOf<interface>(), slots##u) << #interface
#define EXPECT_SLOT(method, slot) EXPECT_EQ(SlotOf(&method), slot##u) << #method

TEST(WebView2Interfaces, TablesHaveTheRuntimesSize) {
  EXPECT_SLOTS(ICoreWebView2Environment, 8);
  EXPECT_SLOTS(ICoreWebView2Environment10, 23);
  EXPECT_SLOTS(ICoreWebView2ControllerOptions, 7);
  EXPECT_SLOTS(ICoreWebView2ControllerOptions3, 11);
  EXPECT_SLOTS(ICoreWebView2Controller, 26);
  EXPECT_SLOTS(ICoreWebView2Controller2, 28);
  EXPECT_SLOTS(ICoreWebView2, 61);
  EXPECT_SLOTS(ICoreWebView2_3, 73);
  EXPECT_SLOTS(ICoreWebView2Settings, 21);
  EXPECT_SLOTS(ICoreWebView2WebMessageReceivedEventArgs, 6);
  EXPECT_SLOTS(ICoreWebView2NavigationStartingEventArgs, 10);
  EXPECT_SLOTS(ICoreWebView2NewWindowRequestedEventArgs, 11);
  EXPECT_SLOTS(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, 4);
  EXPECT_SLOTS(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, 4);
  EXPECT_SLOTS(ICoreWebView2WebMessageReceivedEventHandler, 4);
  EXPECT_SLOTS(ICoreWebView2NavigationStartingEventHandler, 4);
  EXPECT_SLOTS(ICoreWebView2NewWindowRequestedEventHandler, 4);
}

TEST(WebView2Interfaces, MethodsSitInTheRuntimesSlots) {
  EXPECT_SLOT(ICoreWebView2Environment::CreateCoreWebView2Controller, 3);
  EXPECT_SLOT(ICoreWebView2Environment10::CreateCoreWebView2ControllerOptions, 20);
  EXPECT_SLOT(ICoreWebView2Environment10::CreateCoreWebView2ControllerWithOptions, 21);
  EXPECT_SLOT(ICoreWebView2ControllerOptions3::put_DefaultBackgroundColor, 10);
  EXPECT_SLOT(ICoreWebView2Controller::put_IsVisible, 4);
  EXPECT_SLOT(ICoreWebView2Controller::put_Bounds, 6);
  EXPECT_SLOT(ICoreWebView2Controller::Close, 24);
  EXPECT_SLOT(ICoreWebView2Controller::get_CoreWebView2, 25);
  EXPECT_SLOT(ICoreWebView2Controller2::put_DefaultBackgroundColor, 27);
  EXPECT_SLOT(ICoreWebView2::get_Settings, 3);
  EXPECT_SLOT(ICoreWebView2::Navigate, 5);
  EXPECT_SLOT(ICoreWebView2::add_NavigationStarting, 7);
  EXPECT_SLOT(ICoreWebView2::remove_NavigationStarting, 8);
  EXPECT_SLOT(ICoreWebView2::PostWebMessageAsJson, 32);
  EXPECT_SLOT(ICoreWebView2::add_WebMessageReceived, 34);
  EXPECT_SLOT(ICoreWebView2::remove_WebMessageReceived, 35);
  EXPECT_SLOT(ICoreWebView2::add_NewWindowRequested, 44);
  EXPECT_SLOT(ICoreWebView2::remove_NewWindowRequested, 45);
  EXPECT_SLOT(ICoreWebView2_3::SetVirtualHostNameToFolderMapping, 71);
  EXPECT_SLOT(ICoreWebView2Settings::put_IsStatusBarEnabled, 10);
  EXPECT_SLOT(ICoreWebView2Settings::put_AreDevToolsEnabled, 12);
  EXPECT_SLOT(ICoreWebView2Settings::put_AreDefaultContextMenusEnabled, 14);
  EXPECT_SLOT(ICoreWebView2WebMessageReceivedEventArgs::get_Source, 3);
  EXPECT_SLOT(ICoreWebView2WebMessageReceivedEventArgs::get_WebMessageAsJson, 4);
  EXPECT_SLOT(ICoreWebView2NavigationStartingEventArgs::get_Uri, 3);
  EXPECT_SLOT(ICoreWebView2NavigationStartingEventArgs::put_Cancel, 8);
  EXPECT_SLOT(ICoreWebView2NewWindowRequestedEventArgs::put_Handled, 6);
}

}  // namespace
