#pragma once
// The files interface on the Win32 W functions, with long-path prefixes made here.

#include "platform/files.h"

namespace corvallo::platform::win32 {

class Win32Files : public Files {
public:
    FileResult<std::string> readFile(std::string_view path) override;
    FileError replaceFile(std::string_view path, std::string_view bytes, std::string_view backupPath) override;
    bool exists(std::string_view path) override;
    bool isFolder(std::string_view path) override;
    FileResult<std::vector<FolderEntry>> listFolder(std::string_view folder, std::string_view pattern) override;
    FileResult<FolderIdentity> folderIdentity(std::string_view folder) override;
    FileError createFolder(std::string_view path) override;
    FileError copyFile(std::string_view source, std::string_view target, std::stop_token stop,
                       const CopyProgress& progress) override;
    std::unique_ptr<CopyCache> makeCopyCache() override;
    FileError copyFileAs(std::string_view source, std::string_view temporary, std::string_view target,
                         std::stop_token stop, const CopyProgress& progress, CopyCache* cache) override;
    FileError rename(std::string_view from, std::string_view to) override;
    FileError removeFile(std::string_view path) override;
    FileError removeTree(std::string_view path) override;
    FileResult<std::unique_ptr<FileReader>> openForReading(std::string_view path) override;
    FileResult<std::unique_ptr<FileWriter>> createFile(std::string_view path) override;
    FileError appendFile(std::string_view path, std::string_view bytes) override;
    DriveType driveType(std::string_view drive) override;

protected:
    // Renames the open `file` to `name` in the folder that `folder` is open on and returns the NTSTATUS. Some
    // file systems refuse a rename relative to a folder (network redirectors want full names); a copy then
    // renames by full name. Virtual so that tests can refuse as they do.
    virtual long renameInFolder(void* file, void* folder, std::wstring_view name);

private:
    class Copy;
};

}  // namespace corvallo::platform::win32
