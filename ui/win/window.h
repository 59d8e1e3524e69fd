#pragma once
// A top-level window as a C++ object: one class per window, its messages handled by a member.
// User-interface thread only.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace corvallo::ui {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND handle() const { return handle_; }
    bool exists() const { return handle_ != nullptr && IsWindow(handle_); }

    // Asks the window to close as its frame's close box would.
    void close() const;

protected:
    // Creates the window with this outer size (pixels at 96 dpi, scaled for the screen), hidden.
    // The class is registered on first use; `icon` is a resource id or 0.
    bool createTopLevel(const wchar_t* className, std::string_view title, int width, int height, DWORD style,
                        DWORD exStyle, HWND owner, int icon);
    // The same for a modal window of ours: caption and close box, a dialog frame, no resizing.
    bool createModalFrame(const wchar_t* className, std::string_view title, int width, int height, HWND owner, int icon,
                          DWORD extraExStyle = 0) {
        return createTopLevel(className, title, width, height, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                              WS_EX_DLGMODALFRAME | extraExStyle, owner, icon);
    }

    // The window's messages; return handled(...) or callDefault(...).
    virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT callDefault(UINT message, WPARAM wParam, LPARAM lParam) const {
        return DefWindowProcW(handle_, message, wParam, lParam);
    }
    // The window is gone (WM_NCDESTROY); the object may still live on.
    virtual void onDestroyed() {}

    // The OK and Cancel buttons of a small modal window, Enter and Escape included: `okId` (or IDOK)
    // calls `confirm`, `cancelId` (or IDCANCEL) closes the window without anything else. True when
    // `message` was one of them.
    bool routeOkCancel(UINT message, WPARAM wParam, int okId, int cancelId, const std::function<void()>& confirm);

private:
    static LRESULT CALLBACK route(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND handle_ = nullptr;
};

// Pixels at 96 dpi to pixels on this screen.
int scaled(int pixels);

// The font every control of ours uses: the system's message font (it holds the Chinese glyphs).
HFONT interfaceFont();

// The module the program's resources are in.
HINSTANCE programInstance();

}  // namespace corvallo::ui
