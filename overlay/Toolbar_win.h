// Tools, the toolbar beside a completed selection, and its buttons. The
// action buttons (copy, pin, save, quit) report clicks to the overlay.
#pragma once
#include <windows.h>

#include <array>
#include <functional>

#include "app/Window_win.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

enum class ToolButtonId { Image1, pinimg, SavePic, Exi };

// A small owner-drawn button with a tooltip.
class ToolButton : public Window<ToolButton> {
public:
    bool Create(HWND parent, ToolButtonId id, int x, int y, int w, int h);
    ToolButtonId id() const { return id_; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    ToolButtonId id_ = ToolButtonId::Exi;
    bool pressed_ = false;
    PointerCapture capture_;
};

class ToolsPanel : public Window<ToolsPanel> {
public:
    using ClickHandler = std::function<void(ToolButtonId)>;
    bool Create(HWND parent, ClickHandler onClick);
    // Tooltips need the common controls, loaded only once a toolbar is shown
    // so that starting a capture does not wait for them.
    void EnsureTooltips();
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    ClickHandler onClick_;
    std::array<ToolButton, 4> buttons_;
    HWND tooltip_ = nullptr;  // owned by the panel: destroyed with it
};

}  // namespace vellumo::win
