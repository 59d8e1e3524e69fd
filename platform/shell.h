#pragma once
// The shell's services: opening links, starting a program with administrator rights, the Startup
// folder and change notices, and the program's place on disk. Paths and texts are UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace corvallo::platform {

// What a change notice tells the shell about a path.
enum class ShellChange {
    ItemDeleted,    // the file at the path is gone
    FolderUpdated,  // the folder at the path has changed content
};

class Shell {
public:
    virtual ~Shell() = default;

    // Opens a web page or a "mailto:" link with the program the user chose for it, shown normally.
    // False when nothing could be started; the shell shows no error box either way.
    virtual bool openLink(std::string_view url) = 0;

    // Starts `programPath` with administrator rights (the system asks for consent when this process has
    // ordinary rights), with `argument` as its one command-line argument. Waits at most a second for it
    // to be ready for input, never for its end. False when it did not start (missing, consent refused).
    virtual bool startElevated(std::string_view programPath, std::string_view argument) = 0;

    // The current user's Startup folder, without a trailing backslash; empty when it is unknown. Never
    // created here.
    virtual std::string startupFolder() = 0;

    // Tells the shell (Explorer windows, the Start menu) that something changed at `path`.
    virtual void notifyChange(ShellChange change, std::string_view path) = 0;

    // The folder that holds the running executable, without a trailing backslash.
    virtual std::string programDirectory() = 0;

    // The shell's folder browser, owned by `ownerWindow` (a window handle, or null), with `title` as
    // its prompt and an edit box to type a path into. The chosen folder's file-system path; none when
    // the user cancelled or chose something without a path (a printer, the network itself).
    virtual std::optional<std::string> browseForFolder(void* ownerWindow, std::string_view title) = 0;
};

// The folder that holds the running executable, without a trailing backslash (UTF-8).
std::string programDirectory();

// `argument` written so that the Windows command-line rules read it back as exactly one argument:
// unchanged when it needs nothing, otherwise in double quotes with its quotes and the backslashes
// before them escaped.
std::string quoteArgument(std::string_view argument);

}  // namespace corvallo::platform
