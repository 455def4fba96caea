#pragma once

// Pure geometry of the two windows: placement at creation, the pet's edge
// snapping, the pet menu layout, the DPI change and the presentation frames.
// No window is touched here.

#include <cstdint>
#include <string_view>

namespace nubo {

struct PixelRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct PetMenuPlacement {
  PixelRect window;
  double anchorX = 0;  // 96-dpi units from the window's top-left corner
  double anchorY = 0;
  bool above = false;
  int32_t side = 0;  // -1 menu left of the pet, +1 right of it, 0 above or below
};

inline constexpr int kDefaultDpi = 96;
inline constexpr int32_t kPetLogicalWidth = 320;
inline constexpr int32_t kPetLogicalHeight = 360;
inline constexpr int32_t kPetDefaultMargin = 18;
inline constexpr int32_t kEdgeSnapDistance = 28;
inline constexpr int32_t kDashboardMinWidth = 760;
inline constexpr int32_t kDashboardMinHeight = 560;

// value * numerator / denominator rounded half away from zero (as MulDiv).
int32_t ScaleRounded(int32_t value, int32_t numerator, int32_t denominator);

// 0 stands for the default 96 dpi.
int EffectiveDpi(int dpi);

PixelRect ComputeDashboardRect(const PixelRect& workArea);

// The pet's place at creation: the default corner of the work area, or a
// saved position kept on the monitor that is nearest to it.
PixelRect ComputeDefaultPetRect(const PixelRect& workArea, int dpi);
PixelRect ComputeSavedPetRect(const PixelRect& monitor, int32_t savedX, int32_t savedY, int dpi);

// Keeps a window inside the work area and snaps it to an edge that is within
// the snap distance.
PixelRect ClampAndSnap(const PixelRect& window, const PixelRect& workArea);

PetMenuPlacement ComputePetMenuLayout(const PixelRect& rest, const PixelRect& workArea, int dpi,
                                      bool single);

PixelRect ComputePetRectForDpi(const PixelRect& rest, const PixelRect& workArea, int oldDpi,
                               int newDpi, bool single);

// Presentation of a due reminder.
enum class PresentationPhase : int32_t { None = 0, Entering = 1, Holding = 2, Leaving = 3 };

inline constexpr uint64_t kPresentationHoldMs = 12000;
inline constexpr uint64_t kPresentationLeaveMs = 850;
inline constexpr unsigned kAnimationFrameMs = 16;
inline constexpr unsigned kHoldingCheckMs = 200;

uint64_t PresentationEnterDuration(std::string_view level);
PixelRect ComputePresentationTarget(std::string_view level, const PixelRect& workArea, int dpi);

struct PresentationFrame {
  PixelRect window;
  bool finished = false;  // t reached 1: the window stands exactly at the target
};

// The window of one animation step, elapsedMs after the phase began.
PresentationFrame ComputePresentationFrame(PresentationPhase phase, std::string_view level,
                                           const PixelRect& from, const PixelRect& to,
                                           uint64_t elapsedMs);

}  // namespace nubo
