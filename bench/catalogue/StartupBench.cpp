// Start-up on a large generated catalogue: from reading the product folders to a filled model
// list (the median of five fresh starts), and the click on a model with many program rows. Prints
// figures and their ratio to the targets; it is a measurement, not a test.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "operations/Session.h"

namespace fs = std::filesystem;

namespace {

constexpr int kModels = 2000;
constexpr int kRevisions = 20;
constexpr int kProgramsPerRevisionOfBigModel = 25;  // 20 x 25 = 500 rows

void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << content;
}

// Every model has its revisions file; model 1 has 500 program rows.
void generateCatalogue(const fs::path& root) {
    writeFile(root / "machine/Kvxmatic.Ini", "[Kvxmatic]\nProductDir=../product\n");
    const fs::path programs = root / "product/Application programs";
    for (int m = 1; m <= kModels; ++m) {
        const std::string name = "M" + std::to_string(m);
        writeFile(programs / "Models" / (name + ".mod"),
                  "[ASM Model]\nName=Model " + name + "\nArtNo=100-" + std::to_string(m) +
                      "\nModel=" + std::to_string(m) +
                      "\nCode=3\nOptions=120\nTaskMask=FF\n"
                      "Revisions=" +
                      name + "\\Revisions.txt\nVelmoro=Velmoro Bench\n");
        std::ostringstream revisions;
        for (int r = 1; r <= kRevisions; ++r) {
            revisions << "[Revision]\nRevision=" << r << ".0-0-00\nPrograms=R" << r
                      << "\\Programs.txt\nCurrent=" << (r == kRevisions ? "Yes" : "No")
                      << "\nEMail=No\nSaveDPacs=\nWebSajt=No\n";
        }
        writeFile(programs / name / "Revisions.txt", revisions.str());
    }
    for (int r = 1; r <= kRevisions; ++r) {
        std::ostringstream file;
        for (int p = 1; p <= kProgramsPerRevisionOfBigModel; ++p) {
            file << "[Program]\nName=Program " << p << "\nArtNo=1\nDirectory=Module" << p
                 << "\nFile=Job.Job\n";
        }
        writeFile(programs / "M1" / ("R" + std::to_string(r)) / "Programs.txt", file.str());
    }
}

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

long peakMemoryKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main() {
    char pattern[] = "/tmp/krelvan-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path root = pattern;
    generateCatalogue(root);
    const long memoryBefore = peakMemoryKb();

    using Clock = std::chrono::steady_clock;
    // Each run is a fresh program on a fresh library, as a new start of the window would be;
    // the first run also warms the system's file cache.
    constexpr int kRuns = 5;
    std::vector<double> startups;
    std::vector<double> cpuTimes;  // on a busy machine the wall clock also counts others' work
    std::ostringstream messages;
    std::size_t modelsRead = 0;
    for (int run = 0; run < kRuns; ++run) {
        std::ostringstream runMessages;
        operations::Session fresh((root / "machine").string(), runMessages);
        const double cpu0 = cpuMs();
        const auto t0 = Clock::now();
        fresh.program().formMain.Form_Load();
        startups.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        cpuTimes.push_back(cpuMs() - cpu0);
        modelsRead = fresh.program().catalogue.ModelList.size();
        if (run == 0) messages << runMessages.str();
    }
    std::sort(startups.begin(), startups.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    const double startupMs = startups[kRuns / 2];

    operations::Session session((root / "machine").string(), messages);
    app::FormMain& form = session.program().formMain;
    form.Form_Load();
    const auto t1 = Clock::now();
    form.CtrlModels_ItemClick(1);
    const auto t2 = Clock::now();

    const double clickMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
    const double peakMb = static_cast<double>(peakMemoryKb()) / 1024.0;
    std::printf("models read:            %zu\n", modelsRead);
    std::printf(
        "start-up, median of %d: %.1f ms (%.1f us per model file; runs %.1f..%.1f ms);"
        " target 50 ms, ratio %.2f\n",
        kRuns, startupMs, startupMs * 1000.0 / kModels, startups.front(), startups.back(),
        startupMs / 50.0);
    std::printf("start-up, processor time median: %.1f ms; ratio to 50 ms %.2f\n",
                cpuTimes[kRuns / 2], cpuTimes[kRuns / 2] / 50.0);
    std::printf("model click, %zu rows:  %.1f ms\n", form.CtrlPrograms.items.size(), clickMs);
    std::printf(
        "peak memory:            %.1f MB (%.1f MB before start-up); target 50 MB, ratio %.2f\n",
        peakMb, static_cast<double>(memoryBefore) / 1024.0, peakMb / 50.0);
    if (!messages.str().empty()) std::printf("messages:\n%s", messages.str().c_str());
    fs::remove_all(root);
    const bool ok = modelsRead == kModels &&
                    session.program().catalogue.ModelList.size() == kModels &&
                    form.CtrlPrograms.items.size() == kRevisions * kProgramsPerRevisionOfBigModel;
    return ok ? 0 : 1;
}
