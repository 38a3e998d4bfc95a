#include "families/RandNorm.h"

#include <QDateTime>

#include <array>
#include <cmath>
#include <random>

namespace omi {

namespace {

std::mt19937& generator() {
    // Each thread draws from its own generator: the imitation of one line never
    // races with another's.
    thread_local std::mt19937 g(12345u);
    return g;
}

// x_n = Φ(n / 100) for n = 0..399, y_n = n / 100.
const std::array<double, 400>& table() {
    static const std::array<double, 400> x = [] {
        std::array<double, 400> t{};
        for (int n = 0; n < 400; ++n) t[static_cast<std::size_t>(n)] = 0.5 * std::erfc(-(n / 100.0) / std::sqrt(2.0));
        return t;
    }();
    return x;
}

}  // namespace

double RandUniform() { return std::generate_canonical<double, 53>(generator()) * (1.0 - 1e-16); }

int RandInt(int count) {
    if (count <= 0) return 0;
    const int v = static_cast<int>(RandUniform() * count);
    return v < count ? v : count - 1;
}

double NormalQuantileTable(double p) {
    const auto& x = table();
    if (!(p > x[0])) return 0.0;
    if (p >= x[399]) return 3.99;
    for (std::size_t n = 0; n + 1 < x.size(); ++n) {
        if (x[n] < p && p <= x[n + 1]) {
            const double y0 = static_cast<double>(n) / 100.0;
            return y0 + (p - x[n]) / (x[n + 1] - x[n]) * 0.01;
        }
    }
    return 3.99;
}

double RandNorm(double centre, double spread) {
    const double u = RandUniform();
    const double z = u >= 0.5 ? NormalQuantileTable(u) : -NormalQuantileTable(1.0 - u);
    return centre + spread * z;
}

int RandNormInt(double centre, double spread) { return static_cast<int>(std::lround(RandNorm(centre, spread))); }

void ReseedImitation() {
    generator().seed(static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch()));
}

void SeedImitation(std::uint32_t seed) { generator().seed(seed); }

}  // namespace omi
