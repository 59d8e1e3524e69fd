#include "engine/plan.h"

#include "engine/copier.h"
#include "engine/folder_chain.h"
#include "engine/run_folder_name.h"
#include "engine/walk.h"

namespace corvallo::engine {

namespace {

class PlanRecorder : public Copier {
public:
    explicit PlanRecorder(std::vector<PlannedCopy>& copies) : copies_(copies) {}
    void submit(CopyJob job) override { copies_.push_back(PlannedCopy{std::move(job.source), job.folder + job.name}); }
    void finish() override {}

private:
    std::vector<PlannedCopy>& copies_;
};

}  // namespace

BackupPlan planBackup(const BackupTask& task, platform::Files& files, const platform::LocalTime& now) {
    BackupTask copy = task;
    BackupPlan plan;
    plan.runFolder = runFolderName(now);
    RunLog log;
    TargetFolders targets(files, TargetFolders::Mode::Simulate);
    PlanRecorder recorder(plan.copies);
    WalkContext walk{files, {}, targets, recorder, log};
    for (auto& source : copy.sources) backupFolder(source, copy.fileTypes, copy.destinations, plan.runFolder, walk);
    plan.failures = log.result().failures;
    return plan;
}

}  // namespace corvallo::engine
