// What a VkString object keeps as an embedded control: the container's sites and sinks, its
// activation, and its extent. Interface pointers held here carry a reference each.
#pragma once
#include "platform/ole.h"

namespace vk::control {

// How the container's in-place site was found: the kinds add to one another's abilities.
enum class SiteKind { None, Plain, Extended, Windowless };

// Two inches square in HIMETRIC units.
constexpr LONG kDefaultExtent = 5080;

struct ControlState {
  IOleClientSite* clientSite = nullptr;
  IOleAdviseHolder* oleAdviseHolder = nullptr;
  IDataAdviseHolder* dataAdviseHolder = nullptr;
  IAdviseSink* viewSink = nullptr;  // IViewObject::SetAdvise
  DWORD viewAspects = 0;
  DWORD viewAdviseFlags = 0;

  IOleInPlaceSite* inPlaceSite = nullptr;
  SiteKind siteKind = SiteKind::None;
  bool inPlaceActive = false;
  bool uiActive = false;
  HWND window = nullptr;  // only when activated in a window
  RECT position{};        // in the container's pixels, as SetObjectRects gives it

  SIZEL extent{kDefaultExtent, kDefaultExtent};
  SIZEL naturalExtent{kDefaultExtent, kDefaultExtent};
  bool dirty = false;
  int freezeEvents = 0;
};

}  // namespace vk::control
