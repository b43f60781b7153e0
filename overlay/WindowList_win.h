// The system's window list for window detection.
#pragma once
#include "overlay/PickList.h"

namespace vellumo::win {

class Win32WindowLister : public WindowLister {
public:
    std::vector<WindowId> VisibleTopLevel() override;
    std::vector<WindowId> VisibleDescendants(WindowId top) override;
    bool WindowRect(WindowId id, Rect& out) override;
};

}  // namespace vellumo::win
