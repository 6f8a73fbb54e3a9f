#include "sim/NetworkFile.h"

#include <ini.h>

#include <algorithm>
#include <asio/ip/address.hpp>
#include <cctype>
#include <charconv>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "platform/wire/PartitionText.h"
#include "platform/wire/TransferPayloads.h"
#include "platform/secure/PasswordCharacters.h"

namespace sim {
namespace {

constexpr std::size_t kMaxLine = 64 * 1024;

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::vector<std::string> words(const std::string& s, char separator) {
    std::vector<std::string> out;
    std::string item;
    std::istringstream in(s);
    while (std::getline(in, item, separator)) out.push_back(trim(item));
    return out;
}

template <class T>
bool number(const std::string& text, T& out, long long low, long long high) {
    long long v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || text.empty() || v < low || v > high) return false;
    out = static_cast<T>(v);
    return true;
}

bool boolean(const std::string& text, bool& out) {
    const std::string t = lower(text);
    if (t == "yes" || t == "true" || t == "1") return out = true, true;
    if (t == "no" || t == "false" || t == "0") return out = false, true;
    return false;
}

bool address(const std::string& text, wire::Address& out) {
    auto parts = words(text, ':');
    return parts.size() == 2 && number(parts[0], out.pla, 0, 255) &&
           number(parts[1], out.ela, 0, 255);
}

bool ipv4(const std::string& text, wire::Ipv4& out) {
    auto parts = words(text, '.');
    if (parts.size() != 4) return false;
    for (int i = 0; i < 4; ++i)
        if (!number(parts[i], out[i], 0, 255)) return false;
    return true;
}

bool mac(const std::string& text, wire::Mac& out) {
    auto parts = words(text, text.find('-') != std::string::npos ? '-' : ':');
    if (parts.size() != 6) return false;
    for (int i = 0; i < 6; ++i) {
        unsigned v = 0;
        const std::string& p = parts[i];
        auto [q, ec] = std::from_chars(p.data(), p.data() + p.size(), v, 16);
        if (ec != std::errc() || q != p.data() + p.size() || p.empty() || v > 255) return false;
        out[i] = static_cast<uint8_t>(v);
    }
    return true;
}

// "127.0.0.1:0", "0.0.0.0:4100", "[::1]:0"
bool endpoint(const std::string& text, Endpoint& out) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    std::string host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    asio::error_code ec;
    asio::ip::make_address(host, ec);
    if (ec) return false;
    out.host = host;
    return number(text.substr(colon + 1), out.port, 0, 65535);
}

bool typedValue(const std::string& text, wire::VarAddress& a, wire::Value& v) {
    // kind,type,value; a text value may itself hold commas
    auto first = text.find(',');
    auto second = first == std::string::npos ? first : text.find(',', first + 1);
    if (second == std::string::npos) return false;
    int kind = 0, type = 0;
    if (!number(trim(text.substr(0, first)), kind, 1, 5) ||
        !number(trim(text.substr(first + 1, second - first - 1)), type, 1, 6))
        return false;
    a.kind = static_cast<uint8_t>(kind);
    a.type = static_cast<wire::VarType>(type);
    const std::string value = text.substr(second + 1);
    v = wire::Value{};
    v.type = a.type;
    switch (a.type) {
        case wire::VarType::Boolean: {
            bool b = false;
            if (!boolean(trim(value), b)) return false;
            v.integer = b ? -1 : 0;
            return true;
        }
        case wire::VarType::SmallInt:
        case wire::VarType::Int:
            return number(trim(value), v.integer, -32768, 32767);
        case wire::VarType::Long:
            return number(trim(value), v.integer, INT32_MIN, INT32_MAX);
        case wire::VarType::Real: {
            const std::string t = trim(value);
            auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v.real);
            return ec == std::errc() && p == t.data() + t.size() && !t.empty();
        }
        case wire::VarType::Text:
            v.text = value;  // ASCII in the file is code page 850 as it stands
            return value.size() <= 255;
    }
    return false;
}

enum class SectionKind { Simulator, Controller, Partition };

struct SectionInfo {
    SectionKind kind;
    int line;
    std::size_t controller = 0;  // Controller: index into config.controllers
    std::string owner;           // Partition: the controller's id
    uint8_t number = 0;          // Partition: its number
    std::set<std::string> keys;  // seen, to catch repeats
    std::map<std::string, int> keyLines;
};

struct Parser {
    Parser(const std::string& content, std::string file) : path(std::move(file)), text(content) {}

    std::string path;
    NetworkConfig config;
    std::vector<std::string> errors;
    const std::string& text;
    std::size_t pos = 0;
    bool atLineStart = true;
    int line = 0;
    std::map<std::string, SectionInfo> sections;
    std::vector<std::string> partitionOrder;

    void error(int at, const std::string& message) {
        errors.push_back(path + ":" + std::to_string(at) + ": " + message);
    }

    // fgets-style feed for inih; counts lines and notices section headers itself, because
    // inih reports entries only and silently merges repeated sections.
    static char* read(char* buffer, int size, void* self) {
        auto& p = *static_cast<Parser*>(self);
        if (p.pos >= p.text.size() || size < 2) return nullptr;
        const std::size_t lineEnd = p.text.find('\n', p.pos);
        const std::size_t available =
            (lineEnd == std::string::npos ? p.text.size() : lineEnd + 1) - p.pos;
        const std::size_t count = std::min(available, static_cast<std::size_t>(size) - 1);
        if (p.atLineStart) {
            ++p.line;
            p.noticeSection(trim(p.text.substr(p.pos, available)));
        }
        std::memcpy(buffer, p.text.data() + p.pos, count);
        buffer[count] = '\0';
        p.pos += count;
        p.atLineStart = count == available;
        return buffer;
    }

    void noticeSection(const std::string& l) {
        if (l.empty() || l.front() != '[') return;
        const std::size_t close = l.find(']');
        if (close == std::string::npos) return;  // inih reports it
        const std::string name = l.substr(1, close - 1);
        if (sections.count(name)) {
            error(line, "section [" + name + "] appears twice");
            return;
        }
        auto parts = words(name, ' ');
        parts.erase(std::remove(parts.begin(), parts.end(), ""), parts.end());
        SectionInfo info{SectionKind::Simulator, line, 0, {}, 0, {}, {}};
        if (parts.size() == 1 && lower(parts[0]) == "simulator") {
            info.kind = SectionKind::Simulator;
        } else if (parts.size() == 2 && lower(parts[0]) == "controller") {
            info.kind = SectionKind::Controller;
            for (const auto& c : config.controllers) {
                if (lower(c.id) == lower(parts[1])) {
                    error(line, "controller " + parts[1] + " is described twice");
                    return;
                }
            }
            info.controller = config.controllers.size();
            ControllerConfig c;
            c.id = parts[1];
            c.line = line;
            config.controllers.push_back(c);
        } else if (parts.size() == 3 && lower(parts[0]) == "partition") {
            info.kind = SectionKind::Partition;
            info.owner = parts[1];
            if (!number(parts[2], info.number, 0, 255)) {
                error(line, "partition number must be 0..255: " + parts[2]);
                return;
            }
            partitionOrder.push_back(name);
        } else {
            error(line, "unknown section [" + name +
                            "] (expected [Simulator], [Controller ID] or [Partition ID N])");
            return;
        }
        sections.emplace(name, std::move(info));
    }

    static int onEntry(void* self, const char* section, const char* key, const char* value) {
        static_cast<Parser*>(self)->entry(section, key, value);
        return 1;  // our own errors are collected; inih's are syntax errors only
    }

    void entry(const std::string& section, const std::string& rawKey, const std::string& value) {
        auto it = sections.find(section);
        if (it == sections.end()) {
            if (section.empty()) error(line, "key " + rawKey + " outside any section");
            return;  // the section header was already reported
        }
        SectionInfo& s = it->second;
        const std::string key = lower(rawKey);
        if (!s.keys.insert(key).second) {
            error(line, "key " + rawKey + " given twice");
            return;
        }
        s.keyLines[key] = line;
        bool ok = true;
        switch (s.kind) {
            case SectionKind::Simulator:
                ok = simulatorKey(key, value, rawKey);
                break;
            case SectionKind::Controller:
                ok = controllerKey(config.controllers[s.controller], key, value, rawKey);
                break;
            case SectionKind::Partition:
                ok = partitionKey(partition(s), key, value, rawKey);
                break;
        }
        (void)ok;
    }

    std::map<std::string, PartitionConfig> partitions;
    PartitionConfig& partition(const SectionInfo& s) {
        auto& p = partitions[s.owner + " " + std::to_string(s.number)];
        p.number = s.number;
        return p;
    }

    bool bad(const std::string& key, const std::string& what) {
        error(line, "bad value for " + key + ": " + what);
        return false;
    }
    bool unknown(const std::string& key) {
        error(line, "unknown key " + key);
        return false;
    }

    bool simulatorKey(const std::string& key, const std::string& v, const std::string& raw) {
        auto& s = config.simulator;
        if (key == "baud") return number(v, s.baud, 50, 4'000'000) || bad(raw, v);
        if (key == "coldstartms") return number(v, s.coldStartMs, 0, 600'000) || bad(raw, v);
        if (key == "discovery") {
            Endpoint e;
            if (!endpoint(v, e)) return bad(raw, v);
            s.discovery = e;
            return true;
        }
        auto& f = s.discoveryFaults;
        if (key == "discoveryloss") return number(v, f.lossPercent, 0, 100) || bad(raw, v);
        if (key == "discoverydelayms") return number(v, f.maxDelayMs, 0, 60'000) || bad(raw, v);
        if (key == "discoveryduplicate") return boolean(v, f.duplicate) || bad(raw, v);
        if (key == "discoveryseed") return number(v, f.seed, 0, 4'000'000'000u) || bad(raw, v);
        if (key == "addressclashes") return boolean(v, s.addressClashes) || bad(raw, v);
        return unknown(raw);
    }

    bool controllerKey(ControllerConfig& c, const std::string& key, const std::string& v,
                       const std::string& raw) {
        if (key == "serial") return (c.serialNumber = v, v.size() <= 255) || bad(raw, "too long");
        if (key == "name") return (c.name = v, v.size() <= 255) || bad(raw, "too long");
        if (key == "description")
            return (c.description = v, v.size() <= 255) || bad(raw, "too long");
        if (key == "mac") return mac(v, c.mac) || bad(raw, v);
        if (key == "model") return number(v, c.modelNumber, 0, 65535) || bad(raw, v);
        if (key == "kvxrealc") return boolean(v, c.kvxrealC) || bad(raw, v);
        if (key == "address") return address(v, c.address) || bad(raw, v);
        if (key == "extraaddresses") {
            for (const auto& item : words(v, ',')) {
                wire::Address a;
                if (!address(item, a)) return bad(raw, item);
                c.extraAddresses.push_back(a);
            }
            return true;
        }
        if (key == "bus") {
            const std::string b = lower(v);
            if (b == "tcp") return c.bus = Bus::Tcp, true;
            if (b == "serial") return c.bus = Bus::Serial, true;
            return bad(raw, "tcp or serial expected, not " + v);
        }
        if (key == "listen") return endpoint(v, c.listen) || bad(raw, v);
        if (key == "ip") return ipv4(v, c.ip) || bad(raw, v);
        if (key == "subnetmask") return ipv4(v, c.subnetMask) || bad(raw, v);
        if (key == "gateway") return ipv4(v, c.gateway) || bad(raw, v);
        if (key == "dns1") return ipv4(v, c.dns1) || bad(raw, v);
        if (key == "dns2") return ipv4(v, c.dns2) || bad(raw, v);
        if (key == "dhcp") return boolean(v, c.dhcp) || bad(raw, v);
        if (key == "dnsname") return (c.dnsName = v, true);
        if (key == "maincomputer") return (c.mainComputerAddress = v, true);
        if (key == "emailserver") return (c.emailServer = v, true);
        if (key == "emailloginpass") return (c.emailLoginPass = v, true);
        if (key == "password")
            return (secure::isValidPassword(v) && (c.password = v, true)) ||
                   bad(raw, "a password of at most 64 printable ASCII characters without "
                            "space, quotes, backquote or backslash expected");
        if (key == "encryptionrequired") return boolean(v, c.encryptionRequired) || bad(raw, v);
        if (key == "capabilities") return number(v, c.capabilities, 0, UINT32_MAX) || bad(raw, v);
        if (key == "osversion") return (c.osVersion = v, true);
        if (key == "portosrevision") return (c.portOsRevision = v, true);
        if (key == "upgradefilenumber")
            return number(v, c.upgradeFileNumber, 0, 65535) || bad(raw, v);
        if (key == "httpport") return number(v, c.httpPort, 0, 65535) || bad(raw, v);
        if (key == "flashsize") return number(v, c.flashSize, 0, INT32_MAX) || bad(raw, v);
        if (key == "activepartition") return number(v, c.activePartition, 0, 255) || bad(raw, v);
        if (key == "subapplication")
            return number(v, c.activeSubApplication, 0, 255) || bad(raw, v);
        if (key == "latencyms") return number(v, c.faults.latencyMs, 0, 600'000) || bad(raw, v);
        if (key == "ratebps") return number(v, c.faults.rateBps, 0, UINT32_MAX) || bad(raw, v);
        if (key == "dropreply") return number(v, c.faults.dropReply, 0, UINT32_MAX) || bad(raw, v);
        if (key == "closeafterbytes")
            return number(v, c.faults.closeAfterBytes, 0, UINT32_MAX) || bad(raw, v);
        if (key == "garbage") return boolean(v, c.faults.garbage) || bad(raw, v);
        if (key == "trialms") return number(v, c.faults.trialMs, 0, 86'400'000) || bad(raw, v);
        if (key == "stationlist") return boolean(v, c.stationList) || bad(raw, v);
        if (key == "imageread") return boolean(v, c.imageRead) || bad(raw, v);
        if (key == "compression") return boolean(v, c.compression) || bad(raw, v);
        if (key == "compressionwindow")
            return number(v, c.compressionWindow, wire::kMinWindowLog, wire::kMaxWindowLog) ||
                   bad(raw, "a window log of 9..15 expected: " + v);
        if (key.rfind("var.", 0) == 0) {
            auto parts = words(key, '.');
            VariableConfig var;
            if (parts.size() != 3 || !number(parts[1], var.address.file, 0, 65535) ||
                !number(parts[2], var.address.index, INT32_MIN, INT32_MAX))
                return bad(raw, "the key must be Var.<file>.<index>");
            if (!typedValue(v, var.address, var.value))
                return bad(raw, "expected kind,type,value: " + v);
            c.variables.push_back(var);
            return true;
        }
        return unknown(raw);
    }

    bool partitionKey(PartitionConfig& p, const std::string& key, const std::string& v,
                      const std::string& raw) {
        if (key == "name") return (p.name = v, v.size() <= wire::kMaxPartitionText) || bad(raw, "too long");
        if (key == "title") return (p.title = v, v.size() <= wire::kMaxPartitionText) || bad(raw, "too long");
        if (key == "type") return number(v, p.type, INT32_MIN, INT32_MAX) || bad(raw, v);
        if (key == "attr5") return number(v, p.attr5, INT32_MIN, INT32_MAX) || bad(raw, v);
        if (key == "loadtime") return number(v, p.loadTime, INT32_MIN, INT32_MAX) || bad(raw, v);
        if (key == "size") return number(v, p.size, INT32_MIN, INT32_MAX) || bad(raw, v);
        if (key == "maxsize") return number(v, p.maxSize, INT32_MIN, INT32_MAX) || bad(raw, v);
        return unknown(raw);
    }

    int keyLine(const SectionInfo& s, const std::string& key) const {
        auto it = s.keyLines.find(key);
        return it == s.keyLines.end() ? s.line : it->second;
    }

    // Checks that need the whole file: required keys, partitions' owners, clashing addresses.
    void finish() {
        std::map<std::string, const SectionInfo*> byController;
        for (const auto& [name, s] : sections)
            if (s.kind == SectionKind::Controller)
                byController[lower(config.controllers[s.controller].id)] = &s;

        for (const std::string& name : partitionOrder) {
            const SectionInfo& s = sections.at(name);
            auto owner = byController.find(lower(s.owner));
            if (owner == byController.end()) {
                error(s.line, "partition of an unknown controller " + s.owner);
                continue;
            }
            ControllerConfig& c = config.controllers[owner->second->controller];
            if (!c.kvxrealC) {
                error(s.line,
                      "controller " + c.id + " is no KVXreal C controller and has no partitions");
                continue;
            }
            c.partitions.push_back(partition(s));
        }
        std::map<std::pair<std::string, uint16_t>, std::string> listens;
        std::map<wire::Address, std::string> busAddresses;
        for (auto& c : config.controllers) {
            const SectionInfo& s = *byController.at(lower(c.id));
            if (!s.keys.count("serial")) error(s.line, "controller " + c.id + " has no Serial");
            if (!s.keys.count("address")) error(s.line, "controller " + c.id + " has no Address");
            if (c.bus == Bus::Tcp && !s.keys.count("listen"))
                error(s.line, "TCP controller " + c.id + " has no Listen");
            if (c.bus == Bus::Serial && s.keys.count("listen"))
                error(keyLine(s, "listen"),
                      "controller " + c.id + " is on the serial bus: Listen does not apply");
            if (c.bus == Bus::Tcp && c.listen.port != 0) {
                auto [it, fresh] =
                    listens.emplace(std::make_pair(c.listen.host, c.listen.port), c.id);
                if (!fresh)
                    error(keyLine(s, "listen"),
                          "controller " + c.id + " listens where " + it->second + " does");
            }
            if (c.bus != Bus::Serial) continue;
            std::vector<wire::Address> own = c.extraAddresses;
            own.push_back(c.address);
            for (const auto& a : own) {
                auto [it, fresh] = busAddresses.emplace(a, c.id);
                if (!fresh && it->second != c.id && !config.simulator.addressClashes)
                    error(keyLine(s, a == c.address ? "address" : "extraaddresses"),
                          "address " + std::to_string(a.pla) + ":" + std::to_string(a.ela) +
                              " of " + c.id + " is already taken on the serial bus by " +
                              it->second);
            }
        }
        // A TCP controller is the gateway to the bus: its own address must not be a station's.
        for (auto& c : config.controllers) {
            if (c.bus != Bus::Tcp) continue;
            auto it = busAddresses.find(c.address);
            if (it != busAddresses.end())
                error(
                    keyLine(*byController.at(lower(c.id)), "address"),
                    "address of " + c.id + " is already taken on the serial bus by " + it->second);
        }
        if (config.controllers.empty()) error(line == 0 ? 1 : line, "no controller described");
    }
};

void configureInih() {
    // inih's switches are process-wide; the simulator uses no other setting.
    ini_allow_multiline = false;
    ini_allow_inline_comments = false;  // a value (a password, a text) may hold ";"
    ini_allow_no_value = false;
    ini_use_stack = false;
    ini_allow_realloc = true;
    ini_max_line = static_cast<int>(kMaxLine + 3);
}

}  // namespace

NetworkFileResult parseNetworkText(const std::string& content, const std::string& path) {
    configureInih();
    NetworkFileResult result;
    std::string text = content;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    if (text.find('\0') != std::string::npos) {
        result.errors.push_back(path + ":1: the file holds a zero byte");
        return result;
    }
    Parser parser(text, path);
    parser.config.file = path;
    const int syntax = ini_parse_stream(&Parser::read, &parser, &Parser::onEntry, &parser);
    if (syntax > 0) parser.error(syntax, "not a key=value line or a [section]");
    if (syntax < 0) parser.error(1, "cannot be read");
    parser.finish();
    // Messages in the order of the file.
    auto lineOf = [&](const std::string& m) { return std::atoi(m.c_str() + path.size() + 1); };
    std::stable_sort(parser.errors.begin(), parser.errors.end(),
                     [&](const auto& a, const auto& b) { return lineOf(a) < lineOf(b); });
    result.config = std::move(parser.config);
    result.errors = std::move(parser.errors);
    return result;
}

NetworkFileResult readNetworkFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        NetworkFileResult r;
        r.errors.push_back(path + ": cannot be opened");
        return r;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parseNetworkText(text.str(), path);
}

}  // namespace sim
