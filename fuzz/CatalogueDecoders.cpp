#include "CatalogueDecoders.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <vector>

#include "catalogue/CatalogueFiles.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/SectionedFile.h"
#include "platform/ui/MessageBoxes.h"

namespace cataloguefuzz {
namespace {

using kvxglib::Section;

class RecordingBoxes final : public ui::MessageBoxes {
  public:
    void showMessage(const std::string& text, ui::MessageKind) override { shown.push_back(text); }
    int32_t ask(const std::string&, const std::string&, int32_t buttons) override {
        return ui::defaultAnswer(buttons);
    }
    std::vector<std::string> shown;
};

// One folder per process, removed at exit; every input is written to the same file in it.
const std::string& inputPath() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string folder = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                             "/catalogue-fuzz-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr) std::abort();
        static const std::string keep = folder;
        std::atexit([] {
            ::unlink((keep + "/input.txt").c_str());
            ::rmdir(keep.c_str());
        });
        return folder + "/input.txt";
    }();
    return path;
}

struct Reading {
    catalogue::Catalogue catalogue;
    std::vector<std::string> messages;
};

// A library of its own for every input: the library keeps parsed files by path and stamp.
template <class Read>
Reading readThroughLibrary(std::span<const uint8_t> bytes, Read read) {
    {
        std::ofstream out(inputPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) std::abort();
    }
    RecordingBoxes boxes;
    Reading reading;
    {
        kvxglib::RealLibrary glib(boxes, "");
        read(glib, reading.catalogue, inputPath());
    }
    reading.messages = std::move(boxes.shown);
    return reading;
}

Reading readModel(std::span<const uint8_t> bytes) {
    return readThroughLibrary(bytes, [](kvxglib::Library& glib, catalogue::Catalogue& cat,
                                        const std::string& path) {
        catalogue::ReadModelFile(glib, cat, path);
    });
}

Reading readPrograms(std::span<const uint8_t> bytes) {
    return readThroughLibrary(bytes, [](kvxglib::Library& glib, catalogue::Catalogue& cat,
                                        const std::string& path) {
        catalogue::ReadProgramsFile(glib, cat, path, "1.0-0-00", true);
    });
}

std::optional<kvxglib::SectionedFile> parsed(std::span<const uint8_t> bytes) {
    return kvxglib::SectionedFile::parse(std::string(bytes.begin(), bytes.end()));
}

bool fail(std::string& failure, std::string why) {
    failure = std::move(why);
    return false;
}

bool sameMessages(const std::vector<std::string>& shown, const std::optional<std::string>& expected,
                  std::string& failure) {
    if (!expected && shown.empty()) return true;
    if (expected && shown.size() == 1 && shown[0] == *expected) return true;
    return fail(failure, "shows " + std::to_string(shown.size()) + " messages, the first \"" +
                             (shown.empty() ? std::string() : shown[0]) + "\", instead of \"" +
                             expected.value_or("") + "\"");
}

}  // namespace

bool exerciseModelFile(std::span<const uint8_t> bytes, std::string& failure) {
    const Reading reading = readModel(bytes);
    const auto file = parsed(bytes);
    if (!file) {
        if (!reading.catalogue.ModelList.empty())
            return fail(failure, "a file that does not read gave a model");
        return sameMessages(reading.messages, std::nullopt, failure);
    }
    if (reading.catalogue.ModelList.size() != 1) return fail(failure, "not exactly one model");
    const catalogue::CModel& model = reading.catalogue.ModelList[0];
    static const std::set<std::string> known{"Name",  "ArtNo", "Revisions", "Velmoro",
                                             "Model", "Code",  "Options",   "TaskMask"};
    catalogue::CModel expected;
    std::optional<std::string> message;
    for (const Section& s : file->sections()) {
        if (s.lead || s.name != "ASM Model") continue;
        for (const kvxglib::SectionEntry& e : s.entries) {
            if (known.count(e.key) == 0) {
                message = "Can't understand the parameter " + e.key + " in the file " + inputPath();
                break;
            }
            if (e.key == "Name") expected.Name = e.value;
            if (e.key == "ArtNo") expected.ArtNo = e.value;
            if (e.key == "Revisions") expected.Revisions = e.value;
            if (e.key == "Velmoro") expected.Velmoro = e.value;
        }
        break;
    }
    if (model.Name != expected.Name || model.ArtNo != expected.ArtNo ||
        model.Revisions != expected.Revisions || model.Velmoro != expected.Velmoro)
        return fail(failure, "the model's texts are not the file's values");
    return sameMessages(reading.messages, message, failure);
}

bool exerciseProgramsFile(std::span<const uint8_t> bytes, std::string& failure) {
    const Reading reading = readPrograms(bytes);
    const auto file = parsed(bytes);
    std::vector<catalogue::CProgram> expected;
    std::optional<std::string> message;
    if (file) {
        for (const Section& s : file->sections()) {
            if (s.lead) continue;
            if (s.name != "Program") {
                message = "Can not understand the section " + s.name + " in the file " +
                          inputPath();
                break;
            }
            catalogue::CProgram& program = expected.emplace_back();
            for (const kvxglib::SectionEntry& e : s.entries) {
                if (e.key == "Name") program.Name = e.value;
                else if (e.key == "ArtNo") program.ArtNo = e.value;
                else if (e.key == "File") program.File = e.value;
                else if (e.key == "FileC") program.FileC = e.value;
                else if (e.key != "Directory") {
                    message = "F\xC3\xB6rst\xC3\xA5r inte parameter " + e.key + " i filen " +
                              inputPath();
                    break;
                }
            }
            if (message) break;
        }
    }
    const std::vector<catalogue::CProgram>& read = reading.catalogue.ProgramList;
    if (read.size() != expected.size())
        return fail(failure, std::to_string(read.size()) + " programs instead of " +
                                 std::to_string(expected.size()));
    for (std::size_t i = 0; i < read.size(); ++i)
        if (read[i].Name != expected[i].Name || read[i].ArtNo != expected[i].ArtNo ||
            read[i].File != expected[i].File || read[i].FileC != expected[i].FileC ||
            read[i].Revision != "1.0-0-00" || !read[i].Current)
            return fail(failure, "program " + std::to_string(i + 1) + " is not its section");
    return sameMessages(reading.messages, message, failure);
}

bool modelFileReads(std::span<const uint8_t> bytes) {
    const Reading reading = readModel(bytes);
    return reading.catalogue.ModelList.size() == 1 && reading.messages.empty();
}

bool programsFileReads(std::span<const uint8_t> bytes) {
    return parsed(bytes).has_value() && readPrograms(bytes).messages.empty();
}

}  // namespace cataloguefuzz
