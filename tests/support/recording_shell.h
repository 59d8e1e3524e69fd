#pragma once
// A Shell that starts nothing and opens nothing, and writes down what it was asked to do.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell.h"

namespace corvallo::testing {

class RecordingShell : public platform::Shell {
public:
    struct Start {
        std::string program;
        std::string argument;
    };

    // In call order: "open <url>", "start elevated <program> <argument as quoted for the command line>",
    // "deleted <path>", "updated <folder>", "browse <title>".
    std::vector<std::string> calls;
    std::vector<std::string> openedLinks;
    std::vector<Start> elevatedStarts;

    // What the calls answer.
    bool linksOpen = true;
    bool programsStart = true;  // false: missing program or refused consent
    std::string startup = "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
    std::string directory = "C:\\Program Files\\Corvallo";
    std::optional<std::string> browsedFolder;  // none: the user cancels the folder browser
    void* browseOwner = nullptr;                // the owner the last browse was given

    bool openLink(std::string_view url) override {
        calls.push_back("open " + std::string(url));
        openedLinks.emplace_back(url);
        return linksOpen;
    }
    bool startElevated(std::string_view programPath, std::string_view argument) override {
        calls.push_back("start elevated " + std::string(programPath) + " " + platform::quoteArgument(argument));
        elevatedStarts.push_back({std::string(programPath), std::string(argument)});
        return programsStart;
    }
    std::string startupFolder() override { return startup; }
    void notifyChange(platform::ShellChange change, std::string_view path) override {
        calls.push_back((change == platform::ShellChange::ItemDeleted ? "deleted " : "updated ") + std::string(path));
    }
    std::string programDirectory() override { return directory; }
    std::optional<std::string> browseForFolder(void* ownerWindow, std::string_view title) override {
        calls.push_back("browse " + std::string(title));
        browseOwner = ownerWindow;
        return browsedFolder;
    }
};

}  // namespace corvallo::testing
