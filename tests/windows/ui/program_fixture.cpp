#include "tests/windows/ui/program_fixture.h"

#include "core/text/cp936.h"
#include "ui/commands.h"
#include "ui/options_window.h"

namespace corvallo::testing {

namespace {

class ForwardingPower : public platform::Power {
public:
    explicit ForwardingPower(Recorded& recorded) : recorded_(recorded) {}
    void turnScreenOff() override { add("screen off"); }
    bool enableShutdownPrivilege() override {
        add("privilege");
        return true;
    }
    void standBy(bool force) override { add(force ? "stand by forced" : "stand by"); }
    void logOff(bool force) override { add(force ? "log off forced" : "log off"); }
    void restart(bool force) override { add(force ? "restart forced" : "restart"); }
    void shutDown(bool force) override { add(force ? "shut down forced" : "shut down"); }

private:
    void add(std::string call) {
        std::lock_guard lock(recorded_.mutex);
        recorded_.powerCalls.push_back(std::move(call));
    }
    Recorded& recorded_;
};

}  // namespace

BackupTask quietTask(std::int32_t id, std::string name, bool enabled) {
    BackupTask task;
    task.id = id;
    task.enabled = enabled ? 1 : 0;
    task.name = std::move(name);
    task.sources = {"C:\\nowhere\\"};
    task.fileTypes = {"*.*"};
    task.destinations = {"C:\\nowhere-backup\\"};
    task.scheduleKind = static_cast<std::int32_t>(ScheduleKind::Daily);
    task.hour = 23;
    task.minute = 59;
    return task;
}

ProgramFixture::ProgramFixture()
    : taskFile_(files_, folder_ / kTaskFileName),
      settingsFile_(files_, folder_ / kSettingsFileName),
      log_(files_, folder_ / service::kServiceLogName) {
    service_ = std::make_unique<service::BackupService>(
        service::ServiceEnvironment{tasks_, taskFile_, clock_, observer_, log_});
}

ProgramFixture::~ProgramFixture() {
    stop();
    service_.reset();
}

void ProgramFixture::writeSettings(const std::string& text) {
    ASSERT_FALSE(files_.replaceFile(settingsFile_.path(), text, ""));
}

void ProgramFixture::writeTasks(const std::vector<BackupTask>& tasks) {
    TaskList list;
    for (const BackupTask& task : tasks) list.append(task);
    ASSERT_FALSE(saveTaskFile(list, taskFile_));
    // The start-up must find exactly this file, not a backup beside it.
    files_.removeFile(taskFile_.path() + kTaskFileBackupSuffix);
}

void ProgramFixture::start() {
    ui_.run([this] {
        ui::MainWindowContext context{
            tasks_,
            taskFile_,
            settingsFile_,
            *service_,
            observer_,
            prompter_,
            [this](HWND) { return std::make_unique<ForwardingPower>(recorded_); },
            [this](const std::string& link) {
                std::lock_guard lock(recorded_.mutex);
                recorded_.links.push_back(link);
            },
            [this](HWND owner, std::optional<std::int32_t> id) {
                editorOpenings_.push_back(id);
                if (openEditor_) openEditor_(owner, id);
            },
            [this](HWND owner, Settings& settings) {
                ui::openOptions(owner, {settingsFile_, settings, shell_, systemInfo_});
            },
        };
        window_ = std::make_unique<ui::MainWindow>(std::move(context));
        ASSERT_TRUE(window_->create());
    });
}

void ProgramFixture::stop() {
    ui_.run([this] { window_.reset(); });
}

std::string ProgramFixture::fileBytes(const std::string& name) {
    auto bytes = files_.readFile(folder_ / name);
    return bytes.ok() ? bytes.value : std::string();
}

}  // namespace corvallo::testing

namespace corvallo::testing {

std::string ProgramFixture::fileText(const std::string& name) { return text::cp936ToUtf8(fileBytes(name)); }

}  // namespace corvallo::testing
