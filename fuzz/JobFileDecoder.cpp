#include "FileDecoders.h"
#include "LineMistakes.h"
#include "platform/components/JobFile.h"

namespace filefuzz {

bool exerciseJobFile(std::span<const uint8_t> bytes, std::string& failure) {
    const std::string text(bytes.begin(), bytes.end());
    const components::JobFileReading reading = components::readJobFile(text, "job.txt");
    failure = misplacedMistake(reading.mistakes, "job.txt", text);
    if (!failure.empty()) {
        failure = "a mistake that does not say where: " + failure;
        return false;
    }
    if (!reading.ok()) return true;
    for (const components::JobStep& step : reading.job.steps) {
        const bool complete = step.action == components::StepAction::Write
                                  ? !step.variable.empty()
                                  : step.action != components::StepAction::Load ||
                                        !step.image.empty();
        if (!complete) {
            failure = "a usable file with an incomplete step at line " + std::to_string(step.line);
            return false;
        }
    }
    return true;
}

}  // namespace filefuzz
