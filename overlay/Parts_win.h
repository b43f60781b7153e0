// The overlay's child elements that are windows of their own: the sizer
// handles Si(0)..Si(7), the magnifier panel Va with its captions, and the
// toolbar panel Tools. Each forwards its pointer events to the overlay.
#pragma once
#include <windows.h>

#include <string>

#include "app/Window_win.h"
#include "gfx/Dib_win.h"
#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"

namespace vellumo::win {

class ScrShot;

class SizerHandle : public Window<SizerHandle> {
public:
    bool Create(ScrShot& owner, HWND parent, int index);
    void MoveTo(const Rect& r);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    ScrShot* owner_ = nullptr;
    int index_ = 0;
    PointerCapture capture_;
};

class Magnifier : public Window<Magnifier> {
public:
    bool Create(HWND parent, const Dib& frozen);
    // The read-out after a pointer move: captions, place, View and Cross.
    void Show(Point pointer, Colour underPointer, const std::wstring& sizeText, const std::wstring& rgbText,
              Size screen);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void Paint();
    static void SetCaption(HWND label, const std::wstring& text);

    const Dib* frozen_ = nullptr;  // PicB's picture: the clean frozen screen
    Point pointer_{};
    Colour cross_{};  // black until the first move
    bool viewDrawn_ = false;
    Point position_{};
    HWND size_ = nullptr;
    HWND rgbco_ = nullptr;
    unique_hbrush back_;
    unique_hfont font_;
};

class ToolsPanel : public Window<ToolsPanel> {
public:
    bool Create(HWND parent);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
};

}  // namespace vellumo::win
