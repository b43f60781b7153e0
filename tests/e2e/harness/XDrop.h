// An X drag-and-drop source for tests and benchmarks: drops a file on a Wine
// window the way a file manager does (Wine turns an XDND drop into
// WM_DROPFILES). Xlib stays out of this header.
#pragma once
#include <string>

namespace e2e {

class XDropSource {
public:
    explicit XDropSource(const std::string& display);
    ~XDropSource();
    XDropSource(const XDropSource&) = delete;
    XDropSource& operator=(const XDropSource&) = delete;
    bool ok() const { return d_ != nullptr; }

    // Drops `uri` (file://...) at (x, y) on the screen; true once the target
    // reported the drop finished.
    bool Drop(int x, int y, const std::string& uri);

private:
    void* d_;  // ::Display*
};

}  // namespace e2e
