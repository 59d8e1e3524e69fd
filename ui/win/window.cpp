#include "ui/win/window.h"

#include "platform/win32/wide.h"

namespace corvallo::ui {

using platform::win32::widen;

Window::~Window() {
    if (exists()) {
        // The object is going first: nothing may route messages to it any more.
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
}

bool Window::routeOkCancel(UINT message, WPARAM wParam, int okId, int cancelId,
                           const std::function<void()>& confirm) {
    if (message != WM_COMMAND) return false;
    const int command = LOWORD(wParam);
    if (command == okId || command == IDOK) {
        confirm();
        return true;
    }
    if (command == cancelId || command == IDCANCEL) {
        DestroyWindow(handle_);
        return true;
    }
    return false;
}

void Window::close() const {
    if (exists()) PostMessageW(handle_, WM_CLOSE, 0, 0);
}

bool Window::createTopLevel(const wchar_t* className, std::string_view title, int width, int height, DWORD style,
                            DWORD exStyle, HWND owner, int icon) {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (!GetClassInfoExW(programInstance(), className, &known)) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = &Window::route;
        windowClass.hInstance = programInstance();
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = className;
        if (icon != 0) {
            windowClass.hIcon = static_cast<HICON>(LoadImageW(programInstance(), MAKEINTRESOURCEW(icon), IMAGE_ICON,
                                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
            windowClass.hIconSm = static_cast<HICON>(LoadImageW(programInstance(), MAKEINTRESOURCEW(icon), IMAGE_ICON,
                                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
        }
        if (!RegisterClassExW(&windowClass)) return false;
    }
    const std::wstring text = widen(title);
    HWND created = CreateWindowExW(exStyle, className, text.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, scaled(width),
                                   scaled(height), owner, nullptr, programInstance(), this);
    return created != nullptr;
}

LRESULT CALLBACK Window::route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = self->onMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // A modal loop waiting for this window to go must wake up, even when the window was destroyed
        // by a message sent from another thread while the loop waited.
        PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
        self->onDestroyed();
    }
    return result;
}

int scaled(int pixels) {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen != nullptr) ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return MulDiv(pixels, dpi, 96);
}

HFONT interfaceFont() {
    static HFONT font = [] {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            if (HFONT made = CreateFontIndirectW(&metrics.lfMessageFont)) return made;
        }
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }();
    return font;
}

HINSTANCE programInstance() { return GetModuleHandleW(nullptr); }

}  // namespace corvallo::ui
