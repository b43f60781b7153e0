// ValueSlider: the value slider as a child window. The rules live in ValueSliderModel;
// this paints them and turns pointer messages into value changes.
#pragma once
#include <windows.h>

#include <functional>

#include "gfx/Window_win.h"
#include "controls/ValueSliderModel.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

class ValueSlider : public Window<ValueSlider> {
public:
    ValueSlider();

    // A visible child of `parent`; Change is not raised for the initial value.
    bool Create(HWND parent, int x, int y, int w, int h, float max, float value);

    float Max() const { return model_.Max(); }
    void SetMax(float max) { model_.SetMax(max); }
    float Value() const { return model_.Value(); }
    // Clamps and rounds (SliderValueFor), redraws, raises Change every time.
    void SetValue(float v) { model_.SetValue(v); }
    bool OverMaxable() const { return model_.OverMaxable(); }
    void SetOverMaxable(bool on) { model_.SetOverMaxable(on); }

    // Repaints now.
    void Repaint();

    ValueSliderModel& model() { return model_; }

    std::function<void()> Change;
    // X in the value scale (0..Max across the control), Y in pixels.
    std::function<void(int button, int shift, float x, float y)> MouseDown, MouseMove, MouseUp;

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    PointerCapture capture_;  // while the left button is down
    void Paint();
    float ScaleX(LPARAM lp) const;

    ValueSliderModel model_;
    unique_hbrush thumb_;
};

}  // namespace vellumo::win
