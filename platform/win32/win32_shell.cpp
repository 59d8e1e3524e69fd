#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/wide.h"

namespace corvallo::platform {

std::string programDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    while (true) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    auto slash = buffer.find_last_of(L"\\/");
    if (slash != std::wstring::npos) buffer.resize(slash);
    return win32::narrow(buffer);
}

namespace win32 {

namespace {

// ShellExecuteExW may hand the work to shell extensions, which need COM on the calling thread. A thread
// that already chose its apartment keeps it.
class ComForThisCall {
public:
    ComForThisCall() {
        HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        ours_ = SUCCEEDED(result);
    }
    ~ComForThisCall() {
        if (ours_) CoUninitialize();
    }
    ComForThisCall(const ComForThisCall&) = delete;
    ComForThisCall& operator=(const ComForThisCall&) = delete;

private:
    bool ours_ = false;
};

}  // namespace

bool Win32Shell::openLink(std::string_view url) {
    ComForThisCall com;
    std::wstring target = widen(url);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // No error box: a link that cannot be opened is not reported to the user.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = target.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

bool Win32Shell::startElevated(std::string_view programPath, std::string_view argument) {
    ComForThisCall com;
    std::wstring program = widen(programPath);
    std::wstring parameters = widen(quoteArgument(argument));
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // "runas" brings up the consent window where CreateProcess would fail with ERROR_ELEVATION_REQUIRED.
    // No error box: a program that cannot be started is not reported to the user.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return false;
    if (info.hProcess != nullptr) {
        WaitForInputIdle(info.hProcess, 1000);
        CloseHandle(info.hProcess);
    }
    return true;
}

std::string Win32Shell::startupFolder() {
    PWSTR path = nullptr;
    std::string folder;
    // Not created when missing; whoever deletes in it finds nothing there.
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, KF_FLAG_DONT_VERIFY, nullptr, &path))) {
        folder = narrow(path);
        while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    }
    CoTaskMemFree(path);
    return folder;
}

void Win32Shell::notifyChange(ShellChange change, std::string_view path) {
    LONG event = change == ShellChange::ItemDeleted ? SHCNE_DELETE : SHCNE_UPDATEDIR;
    std::wstring widePath = widen(path);
    SHChangeNotify(event, SHCNF_PATHW | SHCNF_FLUSH, widePath.c_str(), nullptr);
}

std::string Win32Shell::programDirectory() { return platform::programDirectory(); }

std::optional<std::string> Win32Shell::browseForFolder(void* ownerWindow, std::string_view title) {
    // The new dialog style hosts shell views, which need an apartment-threaded COM.
    ComForThisCall com;
    std::wstring prompt = widen(title);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = static_cast<HWND>(ownerWindow);
    info.pszDisplayName = displayName;
    info.lpszTitle = prompt.c_str();
    info.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (chosen == nullptr) return std::nullopt;
    // Room for a long path: a folder deeper than MAX_PATH still has one.
    std::wstring path(32768, L'\0');
    const bool hasPath =
        SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT) != FALSE;
    CoTaskMemFree(chosen);
    if (!hasPath) return std::nullopt;
    path.resize(wcslen(path.c_str()));
    if (path.empty()) return std::nullopt;
    return narrow(path);
}

}  // namespace win32
}  // namespace corvallo::platform
