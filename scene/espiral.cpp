#include "scene/espiral.h"

#include <cmath>

namespace {

// A ρ in [b, b + D] whose point on the spiral lies at distance D from the point of radius
// b: the distance is 0 at b and at least D at b + D (the radial gap alone), so halving the
// bracket always closes in on such a point.
float bisectRho(float a, float b, float D, float n) {
    if (!(a > 0.0f)) return b + D;  // no spiral to follow: step straight outwards
    const double thetaB = std::pow(double(b) / a, 1.0 / n);
    auto excess = [&](double rho) {
        const double delta = std::pow(rho / a, 1.0 / n) - thetaB;
        return rho * rho + double(b) * b - 2.0 * b * rho * std::cos(delta) - double(D) * D;
    };
    double low = b;
    double high = double(b) + D;
    for (int pass = 0; pass < 200 && high - low > 0.0; ++pass) {
        const double middle = 0.5 * (low + high);
        if (middle <= low || middle >= high) break;
        (excess(middle) < 0.0 ? low : high) = middle;
    }
    return float(high);
}

}  // namespace

float calcularRho(float a, float previousRho, float, float, float distance, float exponent) {
    const float b = previousRho;
    const float D = distance;
    const float n = exponent;
    if (!(a > 0.0f) || !(b > 0.0f)) return bisectRho(a, std::fmax(b, 0.0f), D, n);

    const double thetaB = std::pow(double(b / a), double(1 / n));
    float rho = float(double(a) * std::pow(thetaB + double(D / (2 * b)), double(n)));
    const float K = float(std::pow(double(D), 2.0) - std::pow(double(b), 2.0));

    for (int pass = 0; pass < kMaxRhoIterations && std::isfinite(rho); ++pass) {
        const float x = rho / a;
        const double delta = std::pow(double(x), double(1 / n)) - thetaB;
        const double cosDelta = std::cos(delta);
        const float f = float(std::pow(double(rho), 2.0) - double(2 * b * rho) * cosDelta - K);
        const float fPrime = float(double(2 * rho) - double(2 * b) * cosDelta +
                                   double(2 * b * rho / n) *
                                       std::pow(double(x), double(1 / n - 1)) * std::sin(delta));
        const float next = rho - f / fPrime;
        const bool done = -0.1 * D <= f && f <= 0.1 * D;
        // A pass depends on ρ alone: when it leaves ρ unchanged, every later pass would
        // too, up to the cap, so the result is already known.
        const bool stalled = next == rho;
        rho = next;
        if (done || stalled) break;
    }
    // A point farther than D along the radius alone cannot be at distance D.
    if (!std::isfinite(rho) || !(rho > 0.0f) || std::fabs(double(rho) - b) > D)
        return bisectRho(a, b, D, n);
    return rho;
}
