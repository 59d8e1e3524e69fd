#include "platform/win32/wide.h"

#include <windows.h>

namespace corvallo::platform::win32 {

std::wstring widen(std::string_view s) {
    std::wstring out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        std::size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            cp = 0xFFFD;
            len = 1;
        }
        if (len > 1) {
            if (i + len > s.size()) {
                cp = 0xFFFD;
                len = 1;
            } else {
                for (std::size_t k = 1; k < len; ++k) {
                    unsigned char t = static_cast<unsigned char>(s[i + k]);
                    if ((t & 0xC0) != 0x80) {
                        cp = 0xFFFD;
                        len = 1;
                        break;
                    }
                    cp = (cp << 6) | (t & 0x3F);
                }
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(cp));  // lone surrogates pass as they are
        }
        i += len;
    }
    return out;
}

std::string narrow(std::wstring_view w) {
    std::string out;
    out.reserve(w.size());
    for (std::size_t i = 0; i < w.size(); ++i) {
        char32_t cp = static_cast<char16_t>(w[i]);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < w.size()) {
            char32_t low = static_cast<char16_t>(w[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::wstring longPath(std::string_view utf8) {
    std::wstring path = widen(utf8);
    for (auto& c : path) {
        if (c == L'/') c = L'\\';
    }
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;
    bool absoluteDrive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
    bool unc = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
    if (!absoluteDrive && !unc) {
        DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
        if (needed == 0) return path;
        std::wstring full(needed, L'\0');
        DWORD got = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
        if (got == 0 || got >= needed) return path;
        full.resize(got);
        path = full;
        absoluteDrive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
        unc = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
    }
    // The prefixed form does not resolve "." and ".." or doubled separators, so tidy those first.
    std::wstring root = unc ? L"\\\\" : path.substr(0, 2);
    std::wstring rest = path.substr(unc ? 2 : 2);
    std::wstring tidy;
    std::size_t pos = 0;
    while (pos <= rest.size()) {
        std::size_t next = rest.find(L'\\', pos);
        std::wstring part = rest.substr(pos, next == std::wstring::npos ? std::wstring::npos : next - pos);
        if (part == L"..") {
            auto cut = tidy.rfind(L'\\');
            if (cut != std::wstring::npos) tidy.erase(cut);
        } else if (!part.empty() && part != L".") {
            tidy += L'\\';
            tidy += part;
        }
        if (next == std::wstring::npos) break;
        pos = next + 1;
    }
    if (unc) return L"\\\\?\\UNC" + tidy;
    if (tidy.empty()) tidy = L"\\";
    // Keep a trailing separator: "D:\" must stay the root, and callers may mean a folder.
    if (!rest.empty() && rest.back() == L'\\' && tidy.back() != L'\\') tidy += L'\\';
    return L"\\\\?\\" + root + tidy;
}

FileError errorFromCode(unsigned long code, const char* operation, std::string_view path) {
    FileError error;
    error.operation = operation;
    error.path = std::string(path);
    error.code = code;
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            error.kind = FileErrorKind::NotFound;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            error.kind = FileErrorKind::AccessDenied;
            break;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            error.kind = FileErrorKind::SharingViolation;
            break;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            error.kind = FileErrorKind::AlreadyExists;
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            error.kind = FileErrorKind::DiskFull;
            break;
        case ERROR_REQUEST_ABORTED:
        case ERROR_OPERATION_ABORTED:
            error.kind = FileErrorKind::Cancelled;
            break;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY:
            error.kind = FileErrorKind::InvalidPath;
            break;
        default:
            error.kind = FileErrorKind::Other;
            break;
    }
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length != 0 && buffer != nullptr) {
        std::wstring message(buffer, length);
        while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' ||
                                    message.back() == L'.' || message.back() == L'\x3002'))
            message.pop_back();
        error.reason = narrow(message);
    }
    if (buffer != nullptr) LocalFree(buffer);
    return error;
}

FileError lastError(const char* operation, std::string_view path) {
    DWORD code = GetLastError();  // read before anything else can change it
    return errorFromCode(code, operation, path);
}

}  // namespace corvallo::platform::win32
