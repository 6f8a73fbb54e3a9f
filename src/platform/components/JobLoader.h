#pragma once
// Runs job files against a controller without KVXreal C, at PLA:ELA on `Link` (255:30, the
// controller at the end of the link, unless set): stop the application, clear it, write
// variables by name, load application images, start it (the format is in docs/job-file.md).
// Flags are -1 (true) or 0 (false).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/components/ApplicationImage.h"
#include "platform/components/LoadFigures.h"

namespace components {

// A job file read by AddJobFile; the program only holds it until the run is over.
class Job {
public:
    virtual ~Job() = default;
    virtual const std::string& path() const = 0;
};

// Keeping the application that runs before a job stops or clears it, so that a load that fails
// afterwards can put it back.
struct ImageKeeping {
    // Files the application read back: its path, or nothing with `why` (the job then changes
    // nothing).
    std::function<std::optional<std::string>(const HeldApplication&, std::string& why)> keep;
    // Put when the controller cannot give its application back: true to load all the same.
    std::function<bool(const std::string& question)> goOnWithout;
};

class JobLoader {
public:
    virtual ~JobLoader() = default;

    // Reads and checks the job file and queues it (under `parent` when given). False, with
    // the file and line of the first mistake in the error file, when it cannot be used; a
    // bad file queues nothing.
    virtual bool AddJobFile(const std::string& path, Job* parent, std::shared_ptr<Job>& job) = 0;
    // Runs every queued job, processing window events between steps. True when all completed.
    virtual bool Run() = 0;
    // -1: stop at the first failed step (the rest of the jobs is left undone); 0: go on.
    virtual void OptionFlag(int16_t flag) = 0;
    virtual void LogFile(const std::string& path) = 0;
    virtual void ErrorFile(const std::string& path) = 0;
    virtual int32_t Link() const = 0;
    virtual void Link(int32_t link) = 0;
    virtual uint8_t PLA() const = 0;
    virtual void PLA(uint8_t pla) = 0;
    virtual uint8_t ELA() const = 0;
    virtual void ELA(uint8_t ela) = 0;
    // -1 when every job completed.
    virtual int16_t AllDone() const = 0;
    // Setting -1 shows the loading information (the log) in a message box.
    virtual int16_t ShowInfo() const = 0;
    virtual void ShowInfo(int16_t flag) = 0;
    // 0..1 over all queued jobs.
    virtual float Progress() const = 0;
    // Whether the images may travel compressed: Auto where the link makes it pay (the
    // default), Off for plain blocks. Set before Run or PutBack.
    virtual void Compression(transfer::Compression compression) { (void)compression; }
    // The images the last Run loaded together, or the application the last PutBack put back;
    // empty before one.
    virtual LoadFigures LastLoad() const { return {}; }
    // Unset (the default), nothing is read back before a job changes the controller.
    virtual void KeepImages(ImageKeeping keeping) { (void)keeping; }
    // Puts a kept application back into the controller at PLA:ELA on Link and starts it,
    // reading back that it runs. False with `why`.
    virtual bool PutBack(const HeldApplication& application, std::string& why) {
        (void)application;
        why = "this loader cannot put an application back";
        return false;
    }
};

}  // namespace components
