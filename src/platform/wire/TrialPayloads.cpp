#include "platform/wire/TrialPayloads.h"

#include "platform/wire/Bytes.h"

namespace wire {
namespace {

bool consistent(const TrialReport& r) {
    if (static_cast<uint8_t>(r.state) > static_cast<uint8_t>(TrialState::Returned)) return false;
    if (static_cast<uint8_t>(r.reason) > static_cast<uint8_t>(ReturnReason::TimeRanOut))
        return false;
    // A reason belongs to a return; time is left only on trial.
    if ((r.reason != ReturnReason::None) != (r.state == TrialState::Returned)) return false;
    return r.remainingMs == 0 || r.state == TrialState::OnTrial;
}

}  // namespace

Result<std::vector<uint8_t>> encodePayload(const TrialGrant& grant) {
    std::vector<uint8_t> out;
    ByteWriter(out).u32(grant.trialMs);
    return out;
}

Result<TrialGrant> decodeTrialGrant(std::span<const uint8_t> bytes) {
    if (bytes.size() != 4) return Error::WrongLength;
    ByteReader r(bytes);
    return TrialGrant{r.u32()};
}

Result<std::vector<uint8_t>> encodePayload(const TrialReport& report) {
    if (!consistent(report)) return Error::BadValue;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>(report.state));
    w.u8(report.programRuns ? 1 : 0);
    w.u8(report.partition);
    w.u8(report.subApplication);
    w.u8(report.returnPartition);
    w.u8(report.returnSubApplication);
    w.u32(report.remainingMs);
    w.u8(static_cast<uint8_t>(report.reason));
    return out;
}

Result<TrialReport> decodeTrialReport(std::span<const uint8_t> bytes) {
    if (bytes.size() != kTrialReportSize) return Error::WrongLength;
    ByteReader r(bytes);
    TrialReport report;
    report.state = static_cast<TrialState>(r.u8());
    const uint8_t runs = r.u8();
    report.partition = r.u8();
    report.subApplication = r.u8();
    report.returnPartition = r.u8();
    report.returnSubApplication = r.u8();
    report.remainingMs = r.u32();
    report.reason = static_cast<ReturnReason>(r.u8());
    if (runs > 1) return Error::BadValue;
    report.programRuns = runs == 1;
    if (!consistent(report)) return Error::BadValue;
    return report;
}

}  // namespace wire
