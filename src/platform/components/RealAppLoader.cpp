#include "platform/components/RealAppLoader.h"

#include "platform/image/SiteArchive.h"

namespace components {

bool RealAppLoader::Open(const std::string& jobFile) {
    std::string why;
    source_ = openImage(jobFile, webSite_ ? image::Kind::WebSite : image::Kind::Application, key_,
                        why);
    if (source_ && webSite_) {
        // The controller serves what it is given: a site that cannot be read is refused here.
        const image::SiteReading site = image::readSiteArchive(source_->image.payload);
        if (!site.error.empty()) {
            why = source_->path + " is no web site: " + site.error;
            source_.reset();
        }
    }
    if (!source_) {
        // The receivers are usually set after Open: Load reports this again.
        openError_ = "The " + what() + " cannot be loaded: " + why + ".";
        return fail(openError_);
    }
    openError_.clear();
    return true;
}

bool RealAppLoader::Load() {
    cancelled_ = false;
    failureCode_ = 0;
    if (!source_) return fail(openError_);
    // Partition 0 is no partition: nothing is written rather than guessing one.
    if (partition_ == 0)
        return fail("The " + what() +
                    " cannot be loaded: no target partition was chosen (partition 0).");
    transfer::Job job;
    job.link = link_;
    job.address = {pla_, ela_};
    job.target = wire::TransferTarget::Partition;
    job.partition = partition_;
    job.model = source_->image.model;
    job.name = source_->image.name;
    job.image = source_->image.payload;
    attachSignature(job, source_->image);
    job.beforeCommit = beforeCommit_;
    job.compression = compression_;
    const transfer::Result result = send(links_, job);
    switch (result.ending) {
        case transfer::Ending::Completed:
            return true;
        case transfer::Ending::Cancelled:
            return false;
        case transfer::Ending::Failed:
            break;
    }
    // What the partition holds now is for the caller to read back: a commit may have stored
    // a damaged image, or its answer may have been lost.
    failureCode_ = result.code1;
    return fail("The " + what() + " was not loaded into partition " + std::to_string(partition_) +
                ": " + result.message + ".");
}

}  // namespace components
