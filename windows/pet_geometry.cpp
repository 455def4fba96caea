#include "windows/pet_geometry.h"

#include <algorithm>
#include <cmath>

namespace nubo {
namespace {

constexpr double kPi = 3.14159265;

struct MenuBody {
  double offsetFromBottom;
  double height;
  double width;
};
constexpr MenuBody kSingleBody{212, 210, 210};
constexpr MenuBody kSheetBody{332, 340, 255};

constexpr double kMenuRoomVertical = 248;
constexpr double kMenuRoomSide = 316;
constexpr double kSideMenuWidth = 650;
constexpr double kVerticalMenuHeight = 620;
constexpr double kSideGapRight = 8;
constexpr double kSideGapLeft = 316;
constexpr double kVerticalLift = 2;
constexpr double kDpiAnchorSingle = 107;
constexpr double kDpiAnchorSheet = 162;

struct LevelStyle {
  int32_t width;
  int32_t height;
  uint64_t enterMs;
  double bounce;
  bool shakes;
};
constexpr LevelStyle kUrgent{500, 540, 760, 18, true};
constexpr LevelStyle kImportant{480, 520, 1050, 42, false};
constexpr LevelStyle kNormal{460, 500, 1400, 26, false};
constexpr int32_t kPresentationMargin = 40;
constexpr double kShakePixels = 10;

const LevelStyle& StyleOf(std::string_view level) {
  if (level == "urgent") return kUrgent;
  if (level == "important") return kImportant;
  return kNormal;
}

int32_t HalfUp(double value) { return static_cast<int32_t>(value + 0.5); }
int32_t Round(double value) { return static_cast<int32_t>(std::lround(value)); }

// Start edge, or the smaller of the candidate and the far limit, when both fit.
int32_t PlaceAxis(int32_t areaStart, int32_t areaEnd, int32_t size, int32_t candidate) {
  if (areaEnd - size >= areaStart && candidate >= areaStart) {
    return std::min(candidate, areaEnd - size);
  }
  return areaStart;
}

int32_t KeepInside(int32_t position, int32_t size, int32_t areaStart, int32_t areaEnd) {
  return position < areaStart ? areaStart : std::min(position, areaEnd - size);
}

int32_t Snap(int32_t position, int32_t size, int32_t areaStart, int32_t areaEnd) {
  if (std::abs(position - areaStart) <= kEdgeSnapDistance) return areaStart;
  if (std::abs(position + size - areaEnd) <= kEdgeSnapDistance) return areaEnd - size;
  return position;
}

PixelRect FromOrigin(int32_t left, int32_t top, int32_t width, int32_t height) {
  return PixelRect{left, top, left + width, top + height};
}

}  // namespace

int32_t ScaleRounded(int32_t value, int32_t numerator, int32_t denominator) {
  if (denominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t half = std::abs(static_cast<int64_t>(denominator)) / 2;
  const bool negative = (product < 0) != (denominator < 0);
  const int64_t magnitude = (std::abs(product) + half) / std::abs(static_cast<int64_t>(denominator));
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

int EffectiveDpi(int dpi) { return dpi == 0 ? kDefaultDpi : dpi; }

PixelRect ComputeDashboardRect(const PixelRect& workArea) {
  const int32_t workWidth = workArea.Width();
  const int32_t workHeight = workArea.Height();
  int32_t width = std::max(std::min(workWidth - 48, 1280), 720);
  int32_t height = std::max(std::min(workHeight - 48, 800), 560);
  width = std::min(width, workWidth);
  height = std::min(height, workHeight);
  return FromOrigin(workArea.left + (workWidth - width) / 2, workArea.top + (workHeight - height) / 2,
                    width, height);
}

PixelRect ComputeDefaultPetRect(const PixelRect& workArea, int dpi) {
  dpi = EffectiveDpi(dpi);
  const int32_t width = ScaleRounded(kPetLogicalWidth, dpi, kDefaultDpi);
  const int32_t height = ScaleRounded(kPetLogicalHeight, dpi, kDefaultDpi);
  return FromOrigin(workArea.right - width - kPetDefaultMargin,
                    workArea.bottom - height - kPetDefaultMargin, width, height);
}

PixelRect ComputeSavedPetRect(const PixelRect& monitor, int32_t savedX, int32_t savedY, int dpi) {
  dpi = EffectiveDpi(dpi);
  const int32_t width = ScaleRounded(kPetLogicalWidth, dpi, kDefaultDpi);
  const int32_t height = ScaleRounded(kPetLogicalHeight, dpi, kDefaultDpi);
  return FromOrigin(KeepInside(savedX, width, monitor.left, monitor.right),
                    KeepInside(savedY, height, monitor.top, monitor.bottom), width, height);
}

PixelRect ClampAndSnap(const PixelRect& window, const PixelRect& workArea) {
  const int32_t width = window.Width();
  const int32_t height = window.Height();
  int32_t left = KeepInside(window.left, width, workArea.left, workArea.right);
  int32_t top = KeepInside(window.top, height, workArea.top, workArea.bottom);
  left = Snap(left, width, workArea.left, workArea.right);
  top = Snap(top, height, workArea.top, workArea.bottom);
  return FromOrigin(left, top, width, height);
}

PetMenuPlacement ComputePetMenuLayout(const PixelRect& rest, const PixelRect& area, int dpi,
                                      bool single) {
  const double s = EffectiveDpi(dpi) / 96.0;
  const MenuBody& body = single ? kSingleBody : kSheetBody;
  const int32_t petTop = rest.bottom - HalfUp(body.offsetFromBottom * s);
  const int32_t bodyWidth = HalfUp(body.width * s);
  const int32_t bodyLeft = rest.left + (rest.Width() - bodyWidth) / 2;
  const int32_t bodyBottom = petTop + HalfUp(body.height * s);

  PetMenuPlacement placement;
  const int32_t need = static_cast<int32_t>(kMenuRoomVertical * s);
  if (petTop - area.top < need && area.bottom - bodyBottom < need) {
    const int32_t spaceLeft = bodyLeft - area.left;
    const int32_t spaceRight = area.right - bodyLeft - bodyWidth;
    const int32_t sideNeed = static_cast<int32_t>(kMenuRoomSide * s);
    if (spaceLeft >= sideNeed || spaceRight >= sideNeed) {
      placement.side = spaceLeft < spaceRight ? +1 : -1;
      const int32_t width = std::min(area.Width(), HalfUp(kSideMenuWidth * s));
      const int32_t height = std::min(area.Height(), rest.Height());
      const int32_t gap = HalfUp((placement.side == +1 ? kSideGapRight : kSideGapLeft) * s);
      const int32_t left = PlaceAxis(area.left, area.right, width, bodyLeft - gap);
      const int32_t top = PlaceAxis(area.top, area.bottom, height, rest.top);
      placement.window = FromOrigin(left, top, width, height);
      placement.above = false;
      placement.anchorX = (bodyLeft - left) / s;
      placement.anchorY = (petTop - top) / s;
      return placement;
    }
  }

  const int32_t height = std::min(area.Height(), HalfUp(kVerticalMenuHeight * s));
  const int32_t aboveTop = rest.bottom - height;
  const int32_t belowTop = petTop - HalfUp(kVerticalLift * s);
  placement.above = aboveTop >= area.top ||
                    (area.bottom < height + belowTop && petTop - area.top >= area.bottom - bodyBottom);
  const int32_t top = PlaceAxis(area.top, area.bottom, height, placement.above ? aboveTop : belowTop);
  const int32_t width = rest.Width();
  const int32_t left = PlaceAxis(area.left, area.right, width, rest.left);
  placement.window = FromOrigin(left, top, width, height);
  placement.side = 0;
  placement.anchorX = (bodyLeft - left) / s;
  placement.anchorY = (petTop - top) / s;
  return placement;
}

PixelRect ComputePetRectForDpi(const PixelRect& rest, const PixelRect& area, int oldDpi, int newDpi,
                               bool single) {
  const double s = EffectiveDpi(newDpi) / 96.0;
  const int32_t width = Round(kPetLogicalWidth * s);
  const int32_t height = Round(kPetLogicalHeight * s);
  const double anchor = single ? kDpiAnchorSingle : kDpiAnchorSheet;
  const double anchorLine = rest.bottom - anchor * EffectiveDpi(oldDpi) / 96.0;
  const int32_t left = PlaceAxis(area.left, area.right, width,
                                 Round((rest.left + rest.right) / 2.0 - width / 2.0));
  const int32_t bottomCandidate = Round(anchorLine + anchor * s);
  const int32_t top = PlaceAxis(area.top, area.bottom, height, bottomCandidate - height);
  return FromOrigin(left, top, width, height);
}

uint64_t PresentationEnterDuration(std::string_view level) { return StyleOf(level).enterMs; }

PixelRect ComputePresentationTarget(std::string_view level, const PixelRect& area, int dpi) {
  const LevelStyle& style = StyleOf(level);
  dpi = EffectiveDpi(dpi);
  const int32_t width =
      std::min(area.Width() - kPresentationMargin, ScaleRounded(style.width, dpi, kDefaultDpi));
  const int32_t height =
      std::min(area.Height() - kPresentationMargin, ScaleRounded(style.height, dpi, kDefaultDpi));
  return FromOrigin(area.left + (area.Width() - width) / 2, area.top + (area.Height() - height) / 2,
                    width, height);
}

PresentationFrame ComputePresentationFrame(PresentationPhase phase, std::string_view level,
                                           const PixelRect& from, const PixelRect& to,
                                           uint64_t elapsedMs) {
  const bool entering = phase == PresentationPhase::Entering;
  const LevelStyle& style = StyleOf(level);
  const double duration = static_cast<double>(entering ? style.enterMs : kPresentationLeaveMs);
  const double t = std::clamp(static_cast<double>(elapsedMs) / duration, 0.0, 1.0);
  if (t >= 1.0) return PresentationFrame{to, true};

  const double u = 1.0 - t;
  double eased = 0;
  if (entering) {
    eased = 1.0 - u * u * u;
  } else if (t < 0.5) {
    eased = 4.0 * t * t * t;
  } else {
    const double v = 2.0 - 2.0 * t;
    eased = 1.0 - v * v * v / 2.0;
  }
  auto mix = [eased](int32_t a, int32_t b) { return Round(a + (b - a) * eased); };
  int32_t left = mix(from.left, to.left);
  int32_t top = mix(from.top, to.top);
  const int32_t width = mix(from.Width(), to.Width());
  const int32_t height = mix(from.Height(), to.Height());
  if (entering) {
    top -= Round(std::sin(t * kPi) * style.bounce);
    if (style.shakes) left += Round(std::sin(6.0 * t * kPi) * u * kShakePixels);
  }
  return PresentationFrame{FromOrigin(left, top, width, height), false};
}

}  // namespace nubo
