// Start-up on a large generated catalogue: from reading the product folders to a filled model
// list, and the click on a model with many program rows. Prints figures and their ratio to the
// targets; it is a measurement, not a test.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/Session.h"

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
                      "\nModel=" + std::to_string(m) + "\nCode=3\nOptions=120\nTaskMask=FF\n"
                      "Revisions=" + name + "\\Revisions.txt\nVelmoro=Velmoro Bench\n");
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

    std::ostringstream messages;
    cli::Session session((root / "machine").string(), messages);
    app::FormMain& form = session.program().formMain;

    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    form.Form_Load();
    const auto t1 = Clock::now();
    form.CtrlModels_ItemClick(1);
    const auto t2 = Clock::now();

    const double startupMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
    const double clickMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
    const double peakMb = static_cast<double>(peakMemoryKb()) / 1024.0;
    std::printf("models read:            %zu\n", session.program().catalogue.ModelList.size());
    std::printf("start-up:               %.1f ms (%.1f us per model file); target 200 ms, ratio %.2f\n",
                startupMs, startupMs * 1000.0 / kModels, startupMs / 200.0);
    std::printf("model click, %zu rows:  %.1f ms\n", form.CtrlPrograms.items.size(), clickMs);
    std::printf("peak memory:            %.1f MB (%.1f MB before start-up); target 50 MB, ratio %.2f\n",
                peakMb, static_cast<double>(memoryBefore) / 1024.0, peakMb / 50.0);
    if (!messages.str().empty()) std::printf("messages:\n%s", messages.str().c_str());
    fs::remove_all(root);
    const bool ok = session.program().catalogue.ModelList.size() == kModels &&
                    form.CtrlPrograms.items.size() == kRevisions * kProgramsPerRevisionOfBigModel;
    return ok ? 0 : 1;
}
