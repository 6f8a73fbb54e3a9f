#include "support/FakeComponents.h"

#include <memory>

namespace testsupport {

namespace {

using components::IQAVSErrorCallback;
using components::IQAVSProgressCallback;

std::string num(int value) { return std::to_string(value); }

// What every fake shares: its name in the call log, and the factory that keeps log and script.
class Recorded {
protected:
    Recorded(FakeComponentFactory& f, std::string name) : f_(f), name_(std::move(name)) {}
    void rec(const std::string& call) { f_.record(name_ + "." + call); }
    void compress(transfer::Compression compression) { f_.compressionOf[name_] = compression; }

    FakeComponentFactory& f_;
    std::string name_;
};

// The link number, read and written.
template <class Interface>
class Linked : public Interface, protected Recorded {
public:
    int32_t Link() const override { return link_; }
    void Link(int32_t link) override {
        this->rec("Link=" + num(link));
        link_ = link;
    }
    void Compression(transfer::Compression compression) override { compress(compression); }
    components::LoadFigures LastLoad() const override { return f_.script.loaded; }

protected:
    using Recorded::Recorded;
    int32_t link_ = 0;
};

// What the address-holding loaders share: PLA, ELA, Link, callbacks, Cancel.
template <class Interface>
class Addressed : public Linked<Interface> {
public:
    uint8_t PLA() const override { return pla_; }
    void PLA(uint8_t pla) override {
        this->rec("PLA=" + num(pla));
        pla_ = pla;
    }
    uint8_t ELA() const override { return ela_; }
    void ELA(uint8_t ela) override {
        this->rec("ELA=" + num(ela));
        ela_ = ela;
    }
    void ErrorCallback(IQAVSErrorCallback* callback) override {
        this->rec(callback ? "ErrorCallback=set" : "ErrorCallback=none");
        error_ = callback;
    }
    void ProgressCallback(IQAVSProgressCallback* callback) override {
        this->rec(callback ? "ProgressCallback=set" : "ProgressCallback=none");
        progress_ = callback;
    }
    void Cancel() override {
        this->rec("Cancel");
        cancelled_ = true;
    }

protected:
    using Linked<Interface>::Linked;

    // Reports progress and errors; false when cancelled on the way.
    bool report(const std::vector<double>& progress, const std::vector<std::string>& errors) {
        for (const std::string& e : errors) {
            if (error_ != nullptr) error_->QAVSErrorMessage(e);
        }
        for (double p : progress) {
            if (cancelled_) return false;
            if (progress_ != nullptr) progress_->QAVSProgress(p);
        }
        return !cancelled_;
    }

    uint8_t pla_ = 0, ela_ = 0;
    IQAVSErrorCallback* error_ = nullptr;
    IQAVSProgressCallback* progress_ = nullptr;
    bool cancelled_ = false;
};

class FakeAppLoader final : public Addressed<components::AppLoader> {
public:
    explicit FakeAppLoader(FakeComponentFactory& f) : Addressed(f, "AppLoader") {}

    void WebSite(bool webSite) override { rec(webSite ? "WebSite=1" : "WebSite=0"); }
    void BeforeCommit(std::function<void()> hook) override { beforeCommit_ = std::move(hook); }

    bool Open(const std::string& jobFile) override {
        rec("Open(" + jobFile + ")");
        opened_ = f_.script.openResult;
        return opened_;
    }
    bool Load() override {
        rec("Load");
        cancelled_ = false;
        if (!opened_) return false;
        const bool finished = report(f_.script.loadProgress, f_.script.loadErrors);
        // Staged whole: the caller's stop comes right before the commit.
        if (finished && beforeCommit_) beforeCommit_();
        if (finished && f_.script.beforeCommitEnds) {
            f_.script.beforeCommitEnds();
            if (cancelled_) return false;
        }
        if (f_.script.partitionAfterLoad >= 0) partition_ = uint8_t(f_.script.partitionAfterLoad);
        if (f_.script.plaAfterLoad >= 0) pla_ = uint8_t(f_.script.plaAfterLoad);
        if (f_.script.elaAfterLoad >= 0) ela_ = uint8_t(f_.script.elaAfterLoad);
        if (f_.script.onLoadEnd) f_.script.onLoadEnd();
        return finished && f_.script.loadResult;
    }
    uint8_t Partition() const override { return partition_; }
    void Partition(uint8_t partition) override {
        rec("Partition=" + num(partition));
        partition_ = partition;
    }
    std::string ProgramName() const override { return opened_ ? f_.script.programName : ""; }
    uint16_t FailureCode() const override { return f_.script.failureCode; }

private:
    uint8_t partition_ = 0;
    bool opened_ = false;
    std::function<void()> beforeCommit_;
};

class FakeJob final : public components::Job {
public:
    explicit FakeJob(std::string path) : path_(std::move(path)) {}
    const std::string& path() const override { return path_; }

private:
    std::string path_;
};

class FakeJobLoader final : public Linked<components::JobLoader> {
public:
    explicit FakeJobLoader(FakeComponentFactory& f) : Linked(f, "JobLoader") {}

    bool AddJobFile(const std::string& path, components::Job* parent,
                    std::shared_ptr<components::Job>& job) override {
        rec("AddJobFile(" + path + (parent ? ", parent)" : ")"));
        if (!f_.script.addJobResult) return false;
        job = std::make_shared<FakeJob>(path);
        return true;
    }
    bool Run() override {
        rec("Run");
        for (float p : f_.script.jobProgress) {
            progress_ = p;
            f_.record("JobLoader.step");
        }
        allDone_ = f_.script.allDone;
        return f_.script.runResult;
    }
    void OptionFlag(int16_t flag) override { rec("OptionFlag=" + num(flag)); }
    void LogFile(const std::string& path) override { rec("LogFile=" + path); }
    void ErrorFile(const std::string& path) override { rec("ErrorFile=" + path); }
    int16_t AllDone() const override { return allDone_; }
    int16_t ShowInfo() const override { return showInfo_; }
    void ShowInfo(int16_t flag) override {
        rec("ShowInfo=" + num(flag));
        showInfo_ = flag;
    }
    float Progress() const override { return progress_; }
    uint8_t PLA() const override { return pla_; }
    void PLA(uint8_t pla) override {
        rec("PLA=" + num(pla));
        pla_ = pla;
    }
    uint8_t ELA() const override { return ela_; }
    void ELA(uint8_t ela) override {
        rec("ELA=" + num(ela));
        ela_ = ela;
    }

private:
    int16_t allDone_ = 0, showInfo_ = 0;
    float progress_ = 0;
    uint8_t pla_ = 255, ela_ = 30;
};

class FakeOsUpgrader final : public Addressed<components::OsUpgrader> {
public:
    explicit FakeOsUpgrader(FakeComponentFactory& f) : Addressed(f, "OsUpgrader") {}

    bool LocateImage(int32_t flags, int16_t& found) override {
        rec("LocateImage(" + num(flags) + ")");
        found = f_.script.locateFound;
        if (found != 0) file_ = f_.script.locatedFile;
        return true;
    }
    bool Upgrade(int32_t zero, int16_t& done) override {
        rec("Upgrade(" + num(zero) + ")");
        cancelled_ = false;
        const bool finished = report(f_.script.upgradeProgress, {});
        done = finished ? f_.script.upgradeDone : int16_t(0);
        return f_.script.upgradeResult;
    }
    bool FinishUpgrade(int32_t zero, int16_t& ready) override {
        rec("FinishUpgrade(" + num(zero) + ")");
        ready = f_.script.finishReady;
        if (f_.script.plaAfterUpgrade >= 0) pla_ = uint8_t(f_.script.plaAfterUpgrade);
        if (f_.script.elaAfterUpgrade >= 0) ela_ = uint8_t(f_.script.elaAfterUpgrade);
        return f_.script.finishResult;
    }
    std::string UpgradeFile() const override { return file_; }
    void UpgradeFile(const std::string& path) override {
        rec("UpgradeFile=" + path);
        file_ = path;
    }
    int16_t ImageVerMajor() const override { return f_.script.imageVersion[0]; }
    int16_t ImageVerMinor() const override { return f_.script.imageVersion[1]; }
    int16_t ImageVerBranch() const override { return f_.script.imageVersion[2]; }
    int16_t ImageVerRevision() const override { return f_.script.imageVersion[3]; }
    std::string ImageProblem() const override { return f_.script.imageProblem; }
    uint16_t FailureCode() const override { return f_.script.upgradeFailureCode; }

private:
    std::string file_;
};

class FakeOsVersionChecker final : public components::OsVersionChecker, Recorded {
public:
    explicit FakeOsVersionChecker(FakeComponentFactory& f) : Recorded(f, "OsVersionChecker") {}

    void Owner(intptr_t) override { rec("Owner"); }
    void Directory(const std::string& directory) override { rec("Directory=" + directory); }
    void Link(int32_t link) override { rec("Link=" + num(link)); }
    void PLA(uint8_t pla) override { rec("PLA=" + num(pla)); }
    void ELA(uint8_t ela) override { rec("ELA=" + num(ela)); }
    void Compression(transfer::Compression compression) override { compress(compression); }
    bool Scan(int16_t interactive, int32_t options, int32_t& result) override {
        rec("Scan(" + num(interactive) + ", " + num(options) + ")");
        result = f_.script.scanResult;
        scanned_ = true;
        return true;
    }
    std::string FirstVersion() const override { return scanned_ ? f_.script.firstVersion : ""; }
    std::string SecondVersion() const override { return scanned_ ? f_.script.secondVersion : ""; }
    bool Upgrade(int16_t ask, int32_t options, int32_t& result) override {
        rec("Upgrade(" + num(ask) + ", " + num(options) + ")");
        result = f_.script.checkerUpgradeResult;
        return true;
    }

private:
    bool scanned_ = false;
};

// Stages changes like the real one: nothing reaches the script's table before Commit.
class FakePartitionManager final : public components::PartitionManager, Recorded {
public:
    explicit FakePartitionManager(FakeComponentFactory& f) : Recorded(f, "PartitionManager") {}

    bool Attach(uint8_t pla, uint8_t ela, int32_t link) override {
        rec("Attach(" + num(pla) + ", " + num(ela) + ", " + num(link) + ")");
        attached_ = f_.script.attachResult;
        staged_ = f_.script.partitions;
        return attached_;
    }
    bool PartitionExists(uint8_t partition, uint8_t& exists) override {
        rec("PartitionExists(" + num(partition) + ")");
        exists = staged_.count(partition) != 0 ? 1 : 0;
        return attached_;
    }
    bool NextFreePartition(uint8_t& partition) override {
        rec("NextFreePartition");
        partition = 16;
        while (staged_.count(partition) != 0) ++partition;
        return attached_;
    }
    bool CreatePartition(uint8_t partition, uint8_t kind, uint8_t type, const std::string& name,
                         int32_t sizeBytes, uint8_t& result) override {
        rec("CreatePartition(" + num(partition) + ", " + num(kind) + ", " + num(type) + ", " +
            name + ", " + num(sizeBytes) + ")");
        result = attached_ && staged_.emplace(partition, sizeBytes).second ? 1 : 0;
        return attached_;
    }
    bool RemovePartition(uint8_t partition, uint8_t& result) override {
        rec("RemovePartition(" + num(partition) + ")");
        result = attached_ && staged_.erase(partition) != 0 ? 1 : 0;
        return attached_;
    }
    bool Commit() override {
        rec("Commit");
        if (!attached_ || !f_.script.commitResult) return false;
        f_.script.partitions = staged_;
        return true;
    }
    std::string LastError() const override { return f_.script.partitionError; }

private:
    bool attached_ = false;
    std::map<uint8_t, int32_t> staged_;
};

}  // namespace

std::unique_ptr<components::AppLoader> FakeComponentFactory::NewAppLoader() {
    ++made;
    return std::make_unique<FakeAppLoader>(*this);
}
std::unique_ptr<components::JobLoader> FakeComponentFactory::NewJobLoader() {
    ++made;
    return std::make_unique<FakeJobLoader>(*this);
}
std::unique_ptr<components::OsUpgrader> FakeComponentFactory::NewOsUpgrader() {
    ++made;
    return std::make_unique<FakeOsUpgrader>(*this);
}
std::unique_ptr<components::OsVersionChecker> FakeComponentFactory::NewOsVersionChecker() {
    ++made;
    return std::make_unique<FakeOsVersionChecker>(*this);
}
std::unique_ptr<components::PartitionManager> FakeComponentFactory::NewPartitionManager() {
    ++made;
    return std::make_unique<FakePartitionManager>(*this);
}

std::vector<std::string> FakeComponentFactory::callsOf(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& c : calls) {
        if (c.rfind(prefix, 0) == 0) found.push_back(c);
    }
    return found;
}

}  // namespace testsupport
