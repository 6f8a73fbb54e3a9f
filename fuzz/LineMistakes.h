#pragma once
// Readers that report each mistake as "NAME:LINE: what": a mistake that does not say where, or
// names a line the text does not have, is a finding.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace filefuzz {

// The first mistake not of that form, empty when all are.
inline std::string misplacedMistake(const std::vector<std::string>& mistakes,
                                    const std::string& name, const std::string& text) {
    const std::size_t lines =
        static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const std::string& m : mistakes) {
        if (m.rfind(name + ":", 0) != 0) return m;
        std::size_t p = name.size() + 1;
        std::size_t line = 0;
        const std::size_t digits = p;
        while (p < m.size() && m[p] >= '0' && m[p] <= '9' && line <= lines)
            line = line * 10 + static_cast<std::size_t>(m[p++] - '0');
        if (p == digits || line < 1 || line > lines || m.compare(p, 2, ": ") != 0 ||
            m.size() == p + 2)
            return m;
    }
    return {};
}

}  // namespace filefuzz
