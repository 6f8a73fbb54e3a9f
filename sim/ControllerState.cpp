#include "sim/ControllerState.h"

#include <charconv>
#include <cstdio>
#include <sstream>

#include "platform/wire/Crc32.h"
#include "sim/ApplicationControl.h"
#include "sim/SystemVariables.h"

namespace sim {
namespace {

using wire::Value;
using wire::VarType;

std::string dotted(const wire::Ipv4& ip) {
    return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
           std::to_string(ip[3]);
}

// Puts a network-file value into a system variable when this controller has it, converted to
// the variable's type.
void setNamed(ControllerState& state, const std::vector<SystemVariable>& table,
              const std::string& name, const std::string& text, int32_t number) {
    for (const SystemVariable& v : table) {
        if (v.name != name) continue;
        Value value = v.variable.value;
        if (value.type == VarType::Text) {
            value.text = text.substr(0, v.variable.maxLength);
        } else if (value.type == VarType::Boolean) {
            value.integer = number != 0 ? -1 : 0;
        } else if (value.type == VarType::Real) {
            value.real = static_cast<float>(number);
        } else {
            value.integer = number;
        }
        state.variables.set(v.file, v.index, value);
    }
}

std::string hex(const std::string& bytes) {
    if (bytes.empty()) return "-";
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

bool unhex(const std::string& text, std::string& out) {
    out.clear();
    if (text == "-") return true;
    if (text.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        auto [p, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (ec != std::errc() || p != text.data() + i + 2) return false;
        out += static_cast<char>(value);
    }
    return true;
}

std::string valueText(const Value& v) {
    switch (v.type) {
        case VarType::Text:
            return hex(v.text);
        case VarType::Real: {
            char buffer[64];
            auto [p, ec] = std::to_chars(buffer, buffer + sizeof buffer, v.real);
            return ec == std::errc() ? std::string(buffer, p) : "0";
        }
        default:
            return std::to_string(v.integer);
    }
}

bool parseValue(VarType type, const std::string& text, Value& v) {
    v = Value{};
    v.type = type;
    const char* end = text.data() + text.size();
    switch (type) {
        case VarType::Text:
            return unhex(text, v.text);
        case VarType::Real: {
            auto [p, ec] = std::from_chars(text.data(), end, v.real);
            return ec == std::errc() && p == end;
        }
        default: {
            auto [p, ec] = std::from_chars(text.data(), end, v.integer);
            return ec == std::errc() && p == end;
        }
    }
}

}  // namespace

wire::Address ControllerState::address() const {
    const StoredVariable* pla = variables.find(kSystemFile, kPlaIndex);
    const StoredVariable* ela = variables.find(kSystemFile, kElaIndex);
    return {static_cast<uint8_t>(pla ? pla->value.integer : 0),
            static_cast<uint8_t>(ela ? ela->value.integer : 0)};
}

void ControllerState::setAddress(wire::Address address) {
    variables.set(kSystemFile, kPlaIndex, Value::smallInt(address.pla));
    variables.set(kSystemFile, kElaIndex, Value::smallInt(address.ela));
}

ControllerState initialState(const ControllerConfig& c) {
    ControllerState state;
    const auto table = systemVariables(c.kvxrealC);
    for (const SystemVariable& v : table) state.variables.define(v.file, v.index, v.variable);
    state.setAddress(c.address);
    state.hasPartitions = c.kvxrealC;
    state.portOsRevision = c.portOsRevision;
    state.osVersion = c.osVersion;

    setNamed(state, table, "QSystem.ModuleType", "", c.modelNumber);
    setNamed(state, table, "QSystem.OsName", c.osVersion, 0);
    setNamed(state, table, "QSystem.OsRevision", fixedWidthVersion(c.osVersion), 0);
    setNamed(state, table, "QSystem.ControllerName", c.name, 0);
    setNamed(state, table, "QSystem.ControllerDescription", c.description, 0);
    setNamed(state, table, "QSystem.ActivePartition", "", c.activePartition);
    setNamed(state, table, "QSystem.ActiveSubApplication", "", c.activeSubApplication);
    if (c.activePartition == 14) state.programRunsFromMs = -1;
    int32_t used = 0;
    for (const PartitionConfig& p : c.partitions) used += p.maxSize;
    setNamed(state, table, "QSystem.FlashMemTot", "", c.flashSize);
    setNamed(state, table, "QSystem.FlashMemUsed", "", used);
    setNamed(state, table, "QCom.ConfIP", dotted(c.ip), 0);
    setNamed(state, table, "QCom.ConfSubNet", dotted(c.subnetMask), 0);
    setNamed(state, table, "QCom.ConfGW1", dotted(c.gateway), 0);
    setNamed(state, table, "QCom.ConfDNS1", dotted(c.dns1), 0);
    setNamed(state, table, "QCom.ConfDNSName", c.dnsName, 0);
    setNamed(state, table, "QCom.DHCPEnable", "", c.dhcp ? 1 : 0);
    setNamed(state, table, "QCom.EncryptionRequired", "", c.encryptionRequired ? 1 : 0);
    // The password is kept only as its verifier; its variable reads empty.
    if (!c.password.empty()) state.verifier = secure::makeVerifier(c.password, secure::kSimulatorCost);
    setNamed(state, table, "QCom.MainComputerAddr", c.mainComputerAddress, 0);
    // An older controller comes with an application of its own, known byte for byte.
    if (!c.kvxrealC) {
        const std::string first = "Application of " + c.serialNumber;
        takeApplication(state, first, "",
                        wire::crc32(std::span(reinterpret_cast<const uint8_t*>(first.data()),
                                              first.size())));
    }

    for (const VariableConfig& v : c.variables) {
        state.variables.define(v.address.file, v.address.index,
                               StoredVariable{v.address.kind, v.value, 255, false});
    }
    for (const PartitionConfig& p : c.partitions) {
        Partition& part = state.partitions[p.number];
        part.attributes[2] = p.name;
        part.attributes[4] = p.type;
        part.attributes[5] = p.attr5;
        part.attributes[7] = p.loadTime;
        part.attributes[8] = p.size;
        part.attributes[9] = p.maxSize;
        part.attributes[110] = p.title;
    }
    return state;
}

std::string serializeState(const ControllerState& s) {
    std::ostringstream out;
    out << "kvxsim-state 1\n";
    out << "partitions " << (s.hasPartitions ? 1 : 0) << "\n";
    for (const auto& [key, v] : s.variables.all()) {
        out << "var " << int(v.kind) << " " << int(v.value.type) << " " << key.first << " "
            << key.second << " " << v.maxLength << " " << (v.readOnly ? 1 : 0) << " "
            << valueText(v.value) << "\n";
    }
    for (const auto& [number, p] : s.partitions) {
        out << "partition " << int(number) << "\n";
        for (const auto& [attr, value] : p.attributes) {
            if (const auto* n = std::get_if<int32_t>(&value)) {
                out << "number " << int(number) << " " << attr << " " << *n << "\n";
            } else {
                out << "text " << int(number) << " " << attr << " "
                    << hex(std::get<std::string>(value)) << "\n";
            }
        }
        if (!p.site.empty()) out << "site " << int(number) << " " << hex(p.site) << "\n";
    }
    out << "http " << (s.http.enabled ? 1 : 0) << " " << s.http.port << " " << s.http.activeSite
        << "\n";
    out << "application " << (s.applicationRunning ? 1 : 0) << " "
        << (s.applicationPresent ? 1 : 0) << "\n";
    if (s.applicationImage) {
        out << "appimage " << (s.applicationImage->empty() ? "-" : hex(*s.applicationImage))
            << "\n";
        if (!s.applicationSigned.empty()) out << "appsigned " << hex(s.applicationSigned) << "\n";
    }
    if (s.hasPartitions) {
        const ProgramTrial& t = s.trial;
        out << "program " << s.programRunsFromMs << "\n";
        out << "trial " << int(t.state) << " " << int(t.partition) << " " << int(t.subApplication)
            << " " << int(t.returnPartition) << " " << int(t.returnSubApplication) << " "
            << t.deadlineMs << " " << int(t.reason) << "\n";
    }
    if (s.clock) {
        const auto& c = *s.clock;
        out << "clock " << int(c.file) << " " << c.year << " " << int(c.month) << " " << int(c.day)
            << " " << int(c.hour) << " " << int(c.minute) << " " << int(c.second) << " "
            << int(c.weekday) << "\n";
    }
    if (!s.portOsRevision.empty()) out << "portos " << hex(s.portOsRevision) << "\n";
    if (!s.osVersion.empty()) out << "os " << hex(s.osVersion) << "\n";
    if (s.verifier) out << "verifier " << secure::verifierText(*s.verifier) << "\n";
    if (s.encryptionRequired) out << "encryption " << (*s.encryptionRequired ? 1 : 0) << "\n";
    out << "end\n";
    return out.str();
}

bool parseState(const std::string& text, ControllerState& state, std::string& error) {
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    bool ended = false;
    ControllerState s;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (lineNumber == 1) {
            int version = 0;
            if (word != "kvxsim-state" || !(words >> version) || version != 1)
                return fail("not a state file of this version");
            continue;
        }
        if (ended) return fail("text after the end");
        if (word == "partitions") {
            int flag = 0;
            if (!(words >> flag)) return fail("bad partitions line");
            s.hasPartitions = flag != 0;
        } else if (word == "var") {
            int kind = 0, type = 0, readOnly = 0;
            long file = 0;
            int32_t index = 0;
            unsigned maxLength = 0;
            std::string value;
            if (!(words >> kind >> type >> file >> index >> maxLength >> readOnly >> value) ||
                !wire::isValidKind(static_cast<uint8_t>(kind)) ||
                !wire::isValidType(static_cast<uint8_t>(type)) || file < 0 || file > 65535 ||
                maxLength > 65535)
                return fail("bad variable");
            StoredVariable v;
            v.kind = static_cast<uint8_t>(kind);
            v.maxLength = static_cast<uint16_t>(maxLength);
            v.readOnly = readOnly != 0;
            if (!parseValue(static_cast<VarType>(type), value, v.value))
                return fail("bad variable value");
            s.variables.define(static_cast<uint16_t>(file), index, std::move(v));
        } else if (word == "partition") {
            int number = -1;
            if (!(words >> number) || number < 0 || number > 255) return fail("bad partition");
            s.partitions[static_cast<uint8_t>(number)];
        } else if (word == "number" || word == "text") {
            int number = -1;
            unsigned attr = 0;
            std::string value;
            if (!(words >> number >> attr >> value) || attr > 65535 ||
                !s.partitions.count(static_cast<uint8_t>(number)))
                return fail("bad attribute");
            Attribute a;
            if (word == "number") {
                int32_t n = 0;
                auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
                if (ec != std::errc() || p != value.data() + value.size())
                    return fail("bad number attribute");
                a = n;
            } else {
                std::string t;
                if (!unhex(value, t)) return fail("bad text attribute");
                a = t;
            }
            s.partitions[static_cast<uint8_t>(number)].attributes[static_cast<uint16_t>(attr)] = a;
        } else if (word == "site") {
            int number = -1;
            std::string value;
            if (!(words >> number >> value) || number < 0 || number > 255 ||
                !s.partitions.count(static_cast<uint8_t>(number)) ||
                !unhex(value, s.partitions[static_cast<uint8_t>(number)].site))
                return fail("bad site line");
        } else if (word == "http") {
            int enabled = 0;
            if (!(words >> enabled >> s.http.port >> s.http.activeSite)) return fail("bad http line");
            s.http.enabled = enabled != 0;
        } else if (word == "application") {
            int running = 0, present = 0;
            if (!(words >> running >> present)) return fail("bad application line");
            s.applicationRunning = running != 0;
            s.applicationPresent = present != 0;
        } else if (word == "appimage" || word == "appsigned") {
            std::string value, bytes;
            if (!(words >> value) || (value != "-" && !unhex(value, bytes)))
                return fail("bad " + word + " line");
            (word == "appimage" ? s.applicationImage.emplace() : s.applicationSigned) = bytes;
        } else if (word == "program") {
            if (!(words >> s.programRunsFromMs) || s.programRunsFromMs < -1)
                return fail("bad program line");
        } else if (word == "trial") {
            int st = -1, p = -1, sub = -1, rp = -1, rs = -1, reason = -1;
            int64_t deadline = 0;
            auto byte = [](int v) { return v >= 0 && v <= 255; };
            if (!(words >> st >> p >> sub >> rp >> rs >> deadline >> reason) || st < 0 || st > 3 ||
                reason < 0 || reason > 2 || !byte(p) || !byte(sub) || !byte(rp) || !byte(rs))
                return fail("bad trial line");
            s.trial = ProgramTrial{static_cast<wire::TrialState>(st),  static_cast<uint8_t>(p),
                                   static_cast<uint8_t>(sub),          static_cast<uint8_t>(rp),
                                   static_cast<uint8_t>(rs),           deadline,
                                   static_cast<wire::ReturnReason>(reason)};
        } else if (word == "clock") {
            int f, y, mo, d, h, mi, sec, wd;
            if (!(words >> f >> y >> mo >> d >> h >> mi >> sec >> wd)) return fail("bad clock");
            s.clock = wire::SetClockRequest{static_cast<uint8_t>(f),   static_cast<uint16_t>(y),
                                            static_cast<uint8_t>(mo),  static_cast<uint8_t>(d),
                                            static_cast<uint8_t>(h),   static_cast<uint8_t>(mi),
                                            static_cast<uint8_t>(sec), static_cast<uint8_t>(wd)};
        } else if (word == "portos") {
            std::string value;
            if (!(words >> value) || !unhex(value, s.portOsRevision)) return fail("bad portos line");
        } else if (word == "os") {
            std::string value;
            if (!(words >> value) || !unhex(value, s.osVersion)) return fail("bad os line");
        } else if (word == "verifier") {
            std::string rest;
            std::getline(words, rest);
            s.verifier = secure::parseVerifier(rest);
            if (!s.verifier) return fail("bad verifier");
        } else if (word == "encryption") {
            int flag = 0;
            if (!(words >> flag)) return fail("bad encryption line");
            s.encryptionRequired = flag != 0;
        } else if (word == "end") {
            ended = true;
        } else {
            return fail("unknown line");
        }
    }
    // A file without its end line was cut short: refuse it rather than lose the rest.
    if (!ended) return fail("the file ends early");
    state = std::move(s);
    return true;
}

}  // namespace sim
