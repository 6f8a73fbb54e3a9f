#pragma once
// Two figures compared on a machine that does other work. Measuring one for a while and then
// the other lets a compiler that starts or stops in between move the comparison as much as it
// likes; instead short slices of both alternate, each pair of adjacent slices gives a ratio,
// and the median of those ratios is the figure, the quartiles its spread. The order turns each
// pair (a b, b a, a b, ...) so that neither side always runs on the other's heels.
#include <algorithm>
#include <cstddef>
#include <vector>

namespace bench {

// One pair of adjacent slices: a's figure and b's.
struct Pair {
    double a = 0;
    double b = 0;
};

// `pairs` pairs of one call of `a` and one of `b`, each returning its slice's figure, in the
// order a b, b a, a b, ...
template <class A, class B>
std::vector<Pair> alternate(int pairs, A&& a, B&& b) {
    std::vector<Pair> out;
    for (int i = 0; i < pairs; ++i) {
        Pair p;
        if (i % 2 == 0) {
            p.a = a();
            p.b = b();
        } else {
            p.b = b();
            p.a = a();
        }
        out.push_back(p);
    }
    return out;
}

// b / a of each pair; a pair with a figure not above 0 (a slice that measured nothing, or
// failed) gives none.
inline std::vector<double> ratios(const std::vector<Pair>& pairs) {
    std::vector<double> out;
    for (const Pair& p : pairs)
        if (p.a > 0 && p.b > 0) out.push_back(p.b / p.a);
    return out;
}

// The value below which `share` (0 to 1) of `values` lie, between ranks by straight
// interpolation; 0 for none.
inline double quantile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double rank = std::clamp(share, 0.0, 1.0) * static_cast<double>(values.size() - 1);
    const auto below = static_cast<std::size_t>(rank);
    const std::size_t above = std::min(below + 1, values.size() - 1);
    const double part = rank - static_cast<double>(below);
    return values[below] + part * (values[above] - values[below]);
}

// The least, the quartiles, the median and the greatest of some figures; all 0 for none.
struct Spread {
    std::size_t count = 0;
    double low = 0;
    double lowerQuartile = 0;
    double median = 0;
    double upperQuartile = 0;
    double high = 0;
};

inline Spread spread(const std::vector<double>& values) {
    Spread s;
    s.count = values.size();
    if (values.empty()) return s;
    const auto [least, most] = std::minmax_element(values.begin(), values.end());
    s.low = *least;
    s.lowerQuartile = quantile(values, 0.25);
    s.median = quantile(values, 0.5);
    s.upperQuartile = quantile(values, 0.75);
    s.high = *most;
    return s;
}

// The figures of one side, for its own spread.
inline std::vector<double> sideA(const std::vector<Pair>& pairs) {
    std::vector<double> out;
    for (const Pair& p : pairs) out.push_back(p.a);
    return out;
}
inline std::vector<double> sideB(const std::vector<Pair>& pairs) {
    std::vector<double> out;
    for (const Pair& p : pairs) out.push_back(p.b);
    return out;
}

}  // namespace bench
