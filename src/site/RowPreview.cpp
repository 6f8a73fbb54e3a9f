#include "site/RowPreview.h"

namespace site {

RowPreview planPreview(const PlanRow& row) {
    RowPreview preview;
    preview.line = row.line;
    preview.controller = rowController(row);
    preview.partition = row.partition;
    if (row.partition != 0) preview.partitionWhy = "named by the plan";
    preview.programTo = row.model + " " + row.revision;
    preview.addressFrom = row.address;
    preview.addressTo = row.newAddress;
    preview.settingsFile = row.settingsFile;
    return preview;
}

namespace {

std::string fromTo(const std::string& from, const std::string& to) {
    return (from.empty() ? std::string("?") : from) + " -> " + to;
}

}  // namespace

std::string describe(const RowPreview& preview) {
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    if (!preview.osTo.empty())
        add("operating system " + fromTo(preview.osFrom, preview.osTo));
    else if (!preview.osFrom.empty())
        add("operating system " + preview.osFrom + " stays");
    if (preview.partition != 0)
        add("partition " + std::to_string(preview.partition) +
            (preview.partitionWhy.empty() ? "" : " (" + preview.partitionWhy + ")"));
    add("program " + fromTo(preview.programFrom, preview.programTo));
    if (preview.addressTo)
        add("address " +
            fromTo(preview.addressFrom ? addressText(*preview.addressFrom) : "",
                   addressText(*preview.addressTo)));
    if (!preview.settingsFile.empty()) add("settings " + preview.settingsFile);
    return text;
}

}  // namespace site
