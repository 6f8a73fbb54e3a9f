#include "platform/components/JobFile.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <optional>

#include "platform/sysvars/Table.h"
#include "platform/text/Text.h"

namespace components {
namespace {

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

struct Entry {
    std::string value;
    int line = 0;
};

struct Section {
    std::string name;  // lower case
    int line = 0;
    std::map<std::string, Entry> keys;  // lower-case key
};

template <class T>
std::optional<T> number(const std::string& text) {
    T v{};
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end) return std::nullopt;
    return v;
}

// The value text as the variable's type; nullopt with `why` when it does not fit.
std::optional<wire::Value> valueFor(const sysvars::Variable& v, const std::string& text,
                                    std::string& why) {
    using T = wire::VarType;
    switch (v.type) {
        case T::Boolean: {
            const std::string t = lower(text);
            if (t == "yes" || t == "true" || t == "-1" || t == "1") return wire::Value::boolean(true);
            if (t == "no" || t == "false" || t == "0") return wire::Value::boolean(false);
            why = "is not yes or no";
            return std::nullopt;
        }
        case T::SmallInt:
        case T::Int: {
            const auto n = number<int32_t>(text);
            if (!n || *n < -32768 || *n > 32767) {
                why = "is not a whole number from -32768 to 32767";
                return std::nullopt;
            }
            return v.type == T::SmallInt ? wire::Value::smallInt(static_cast<int16_t>(*n))
                                         : wire::Value::int16(static_cast<int16_t>(*n));
        }
        case T::Long: {
            const auto n = number<int32_t>(text);
            if (!n) {
                why = "is not a 32-bit whole number";
                return std::nullopt;
            }
            return wire::Value::long32(*n);
        }
        case T::Real: {
            const auto n = number<float>(text);
            if (!n || !std::isfinite(*n)) {
                why = "is not a number";
                return std::nullopt;
            }
            return wire::Value::real32(*n);
        }
        case T::Text: {
            const std::string oem = text::toOem(text);
            if (oem.size() > v.maxLength) {
                why = "is longer than the " + std::to_string(v.maxLength) +
                      " characters the variable holds";
                return std::nullopt;
            }
            return wire::Value::oemText(oem);
        }
    }
    why = "has a type the loader cannot write";
    return std::nullopt;
}

class Reader {
public:
    explicit Reader(std::string name) : name_(std::move(name)) {}

    void mistake(int line, const std::string& what) {
        result.mistakes.push_back(name_ + ":" + std::to_string(line) + ": " + what);
    }

    std::vector<Section> sections(const std::string& text) {
        std::vector<Section> out;
        int line = 0;
        std::size_t pos = 0;
        while (pos <= text.size()) {
            const auto end = text.find('\n', pos);
            const std::string raw =
                text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            pos = end == std::string::npos ? text.size() + 1 : end + 1;
            ++line;
            const std::string s = trim(raw);
            if (s.empty() || s[0] == ';' || s[0] == '#') continue;
            if (s.front() == '[') {
                if (s.back() != ']') {
                    mistake(line, "a section header must end with ]");
                    continue;
                }
                out.push_back({lower(trim(s.substr(1, s.size() - 2))), line, {}});
                continue;
            }
            const auto eq = s.find('=');
            if (eq == std::string::npos) {
                mistake(line, "expected Key=Value");
                continue;
            }
            if (out.empty()) {
                mistake(line, "a key before the first section");
                continue;
            }
            const std::string key = lower(trim(s.substr(0, eq)));
            if (key.empty()) {
                mistake(line, "a key name is missing");
                continue;
            }
            if (!out.back().keys.emplace(key, Entry{trim(s.substr(eq + 1)), line}).second)
                mistake(line, "the key " + trim(s.substr(0, eq)) + " is given twice");
        }
        return out;
    }

    // Takes a key out of the section; what is left over afterwards is unknown.
    std::optional<Entry> take(Section& s, const std::string& key) {
        auto it = s.keys.find(key);
        if (it == s.keys.end()) return std::nullopt;
        Entry e = it->second;
        s.keys.erase(it);
        return e;
    }

    void unknownKeys(const Section& s, const std::string& what) {
        for (const auto& [key, e] : s.keys)
            mistake(e.line, "the key " + key + " does not belong in " + what);
    }

    void job(Section& s) {
        JobFile& j = result.job;
        if (auto e = take(s, "program")) j.program = e->value;
        if (auto e = take(s, "revision")) j.revision = e->value;
        if (auto e = take(s, "image")) {
            j.image = e->value;
            j.imageLine = e->line;
            if (j.image.empty()) mistake(e->line, "Image names no file");
        }
        for (const char* informational : {"artno", "module", "address"}) take(s, informational);
        unknownKeys(s, "[Job]");
    }

    void step(Section& s) {
        JobStep st;
        st.line = s.line;
        const auto action = take(s, "action");
        if (!action) {
            mistake(s.line, "the step has no Action");
            return;
        }
        const std::string a = lower(action->value);
        static const std::map<std::string, StepAction> kActions{
            {"stop", StepAction::Stop},   {"clear", StepAction::Clear},
            {"write", StepAction::Write}, {"load", StepAction::Load},
            {"start", StepAction::Start}};
        const auto found = kActions.find(a);
        if (found == kActions.end()) {
            mistake(action->line, "unknown Action " + action->value +
                                      " (Stop, Clear, Write, Load or Start)");
            return;
        }
        st.action = found->second;
        if (st.action == StepAction::Write) {
            const auto variable = take(s, "variable");
            const auto value = take(s, "value");
            if (!variable || !value) {
                mistake(s.line, "a Write step needs Variable and Value");
                unknownKeys(s, "a Write step");
                return;
            }
            st.variable = variable->value;
            const sysvars::Variable* v = sysvars::findByName(variable->value);
            if (v == nullptr) {
                mistake(variable->line, "unknown variable " + variable->value);
            } else if (!v->existsOn(false)) {
                mistake(variable->line, "the variable " + variable->value +
                                            " does not exist on controllers without KVXreal C");
            } else {
                std::string why;
                if (auto parsed = valueFor(*v, value->value, why)) {
                    st.address = v->address();
                    st.value = *parsed;
                } else {
                    mistake(value->line, "the value " + why);
                }
            }
            unknownKeys(s, "a Write step");
        } else if (st.action == StepAction::Load) {
            const auto image = take(s, "image");
            if (!image || image->value.empty()) {
                mistake(s.line, "a Load step needs Image");
            } else {
                st.image = image->value;
            }
            unknownKeys(s, "a Load step");
        } else {
            unknownKeys(s, std::string("a ") + stepActionName(st.action) + " step");
        }
        result.job.steps.push_back(std::move(st));
    }

    JobFileReading result;

private:
    std::string name_;
};

}  // namespace

const char* stepActionName(StepAction action) {
    switch (action) {
        case StepAction::Stop:
            return "Stop";
        case StepAction::Clear:
            return "Clear";
        case StepAction::Write:
            return "Write";
        case StepAction::Load:
            return "Load";
        case StepAction::Start:
            return "Start";
    }
    return "?";
}

JobFileReading readJobFile(const std::string& text, const std::string& name) {
    Reader r(name);
    std::vector<Section> sections = r.sections(text);
    bool sawJob = false;
    for (Section& s : sections) {
        if (s.name == "job") {
            if (sawJob) {
                r.mistake(s.line, "a second [Job] section");
            } else if (!r.result.job.steps.empty()) {
                r.mistake(s.line, "[Job] must come before the steps");
            }
            sawJob = true;
            r.job(s);
        } else if (s.name == "step") {
            r.step(s);
        } else {
            r.mistake(s.line, "unknown section [" + s.name + "]");
        }
    }
    if (!sawJob && r.result.mistakes.empty()) r.mistake(1, "the file has no [Job] section");
    return std::move(r.result);
}

}  // namespace components
