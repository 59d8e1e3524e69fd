// The backup run written literally as first described, to measure the engine against: ANSI functions,
// a file search for every folder level before each copy, a search per collision name, CopyFileA.
//
//   engine_reference SOURCE DESTINATION      (both folders; prints files copied and seconds)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

long copied = 0;

std::vector<std::string> split(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\') {
            parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < path.size()) parts.push_back(path.substr(start));
    return parts;
}

bool found(const std::string& path, bool folderOnly) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return !folderOnly || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isDriveRoot(const std::string& path) {
    if (path.empty()) return false;
    std::vector<std::string> drives;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::string drive = std::string(1, letter) + ":";
        UINT type = GetDriveTypeA((drive + "\\").c_str());
        if (type >= 2 && type <= 5) drives.push_back(drive);
    }
    for (const auto& drive : drives) {
        if (path.compare(0, 2, drive) == 0 && path.size() == 3 && path.back() == '\\') return true;
    }
    return false;
}

int makeFolderChain(const std::string& path) {
    std::vector<std::string> parts = split(path);
    if (parts.size() < 2 || parts[0].size() != 2 || parts[0][1] != ':') return 1;
    std::string current = parts[0];
    for (std::size_t k = 1; k < parts.size(); ++k) {
        if (parts[k] == "." || parts[k] == ".." || parts[k].empty()) return 1;
        current += "\\" + parts[k];
        if (!found(current, true)) {
            if (!CreateDirectoryA(current.c_str(), nullptr)) return 1;
        } else if (k + 1 == parts.size()) {
            return 2;
        }
    }
    return 0;
}

bool copyIntoBackup(const std::string& sourceFile, const std::string& targetRoot) {
    std::string target = targetRoot;
    if (sourceFile.empty() || target.empty()) return false;
    if (target.back() != '\\') target += '\\';
    if (!found(sourceFile, false)) return false;
    if (!isDriveRoot(target) && makeFolderChain(target) == 1) return false;
    std::vector<std::string> parts = split(sourceFile);
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) target += parts[i] + "\\";
    if (makeFolderChain(target) == 1) return false;
    std::string name = parts.back();
    for (int k = 1; found(target + name, false); ++k) name = std::to_string(k) + "_" + name;
    if (!CopyFileA(sourceFile.c_str(), (target + name).c_str(), FALSE)) return false;
    ++copied;
    return true;
}

void backupFolder(std::string folder, const std::vector<std::string>& fileTypes, std::string& destination,
                  const std::string& runFolder) {
    if (folder.back() != '\\') folder += '\\';
    WIN32_FIND_DATAA data;
    for (const auto& pattern : fileTypes) {
        HANDLE find = FindFirstFileA((folder + pattern).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            if (destination.back() != '\\') destination += '\\';
            copyIntoBackup(folder + data.cFileName, destination + runFolder);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    HANDLE find = FindFirstFileA((folder + "*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        backupFolder(folder + name, fileTypes, destination, runFolder);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: engine_reference SOURCE DESTINATION\n");
        return 2;
    }
    SYSTEMTIME t;
    GetLocalTime(&t);
    const std::string runFolder = std::to_string(t.wYear) + "-" + std::to_string(t.wMonth) + "-" + std::to_string(t.wDay) +
                                  " " + std::to_string(t.wHour) + std::to_string(t.wMinute) + std::to_string(t.wSecond) +
                                  "\\";
    std::string destination = argv[2];
    const auto start = std::chrono::steady_clock::now();
    backupFolder(argv[1], {"*.*"}, destination, runFolder);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("copied %ld files in %.2f s\n", copied, seconds);
    return 0;
}
