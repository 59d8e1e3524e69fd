#pragma once
// Owners for the handles the windows create, so that nothing leaks on any path out.

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace corvallo::ui {

template <typename H, auto Release>
class Owned {
public:
    Owned() = default;
    explicit Owned(H handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Gives the handle to something that frees it itself (a menu bar attached to its window).
    H release() { return std::exchange(handle_, nullptr); }
    void reset(H handle = nullptr) {
        if (handle_ != nullptr) Release(handle_);
        handle_ = handle;
    }

private:
    H handle_ = nullptr;
};

inline void releaseGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void releaseIcon(HICON icon) { DestroyIcon(icon); }
inline void releaseMenu(HMENU menu) { DestroyMenu(menu); }
inline void releaseImageList(HIMAGELIST list) { ImageList_Destroy(list); }
inline void releaseWindow(HWND window) { DestroyWindow(window); }

using OwnedFont = Owned<HFONT, releaseGdiObject>;
using OwnedBitmap = Owned<HBITMAP, releaseGdiObject>;
using OwnedBrush = Owned<HBRUSH, releaseGdiObject>;
using OwnedIcon = Owned<HICON, releaseIcon>;
using OwnedMenu = Owned<HMENU, releaseMenu>;
using OwnedImageList = Owned<HIMAGELIST, releaseImageList>;
using OwnedWindow = Owned<HWND, releaseWindow>;

}  // namespace corvallo::ui
