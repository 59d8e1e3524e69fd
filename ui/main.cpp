// Corvallo.exe: the resident backup program.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "ui/app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES |
                                                       ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    // The shell's folder browser wants an apartment thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const int code = corvallo::ui::runCorvallo();
    if (SUCCEEDED(com)) CoUninitialize();
    return code;
}
