#include "scene/espiral.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// The iteration exactly as defined, every pass up to the cap, with no shortcut and no
// fallback: calcularRho must agree with it bit for bit wherever it gives a usable radius.
float definedIteration(float a, float b, float D, float n) {
    const double thetaB = std::pow(double(b / a), double(1 / n));
    float rho = float(double(a) * std::pow(thetaB + double(D / (2 * b)), double(n)));
    const float K = float(std::pow(double(D), 2.0) - std::pow(double(b), 2.0));
    for (int pass = 0; pass < 1000; ++pass) {
        const float x = rho / a;
        const double delta = std::pow(double(x), double(1 / n)) - thetaB;
        const float f =
            float(std::pow(double(rho), 2.0) - double(2 * b * rho) * std::cos(delta) - K);
        const float fPrime = float(double(2 * rho) - double(2 * b) * std::cos(delta) +
                                   double(2 * b * rho / n) *
                                       std::pow(double(x), double(1 / n - 1)) * std::sin(delta));
        rho = rho - f / fPrime;
        if (-0.1 * D <= f && f <= 0.1 * D) break;
    }
    return rho;
}

// A result that can be a point at distance D from the point of radius b.
bool usable(float rho, float b, float D) {
    return std::isfinite(rho) && rho > 0.0f && std::fabs(double(rho) - b) <= D;
}

// Squared distance between the spiral points of radius b and rho, minus D².
double excess(float a, float b, float rho, float D) {
    const double delta = std::pow(double(rho) / a, 2.0) - std::pow(double(b) / a, 2.0);
    return double(rho) * rho + double(b) * b - 2.0 * b * rho * std::cos(delta) - double(D) * D;
}

TEST(CalcularRho, AgreesWithTheDefinedIterationBitForBit) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> logSize(-1.5f, 2.0f);
    int compared = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const float first = std::pow(10.0f, logSize(random));
        const float a = float(1.5 * std::sqrt(double(2 / 3.1415927f)) * double(2 * first));
        float b = first;
        float previous = first;
        for (int k = 0; k < 20; ++k) {
            const float current = std::pow(10.0f, logSize(random));
            const float D = float(1.5 * double(previous + current));
            const float expected = definedIteration(a, b, D, 0.5f);
            const float rho = calcularRho(a, b, previous, current, D, 0.5f);
            if (!usable(expected, b, D)) break;
            ASSERT_EQ(rho, expected) << a << " " << b << " " << D;
            ++compared;
            b = rho;
            previous = current;
        }
    }
    EXPECT_GT(compared, 20000);
}

// Equal communities wound outwards: each step converges to the tolerance |f| ≤ 0.1 D.
TEST(CalcularRho, StepsOfEqualCommunitiesMeetTheTolerance) {
    const float R = 0.616f;
    const float a = float(1.5 * std::sqrt(double(2 / 3.1415927f)) * double(2 * R));
    const float D = 3 * R;
    float b = R;
    for (int k = 0; k < 5000; ++k) {
        const float rho = calcularRho(a, b, R, R, D, 0.5f);
        ASSERT_GT(rho, b) << k;
        ASSERT_LE(std::fabs(excess(a, b, rho, D)), 0.1 * D) << k;
        b = rho;
    }
}

// Where the iteration breaks down, the radius is found on the exact distance instead. A
// large community after small ones near the centre sends the defined iteration to a
// negative radius, or flings it far beyond the distance.
TEST(CalcularRho, BreakdownFallsBackToAPointAtTheDistance) {
    struct Case {
        float a, b, D;
    };
    const Case cases[] = {
        {1.06513393f, 0.684037149f, 6.25692463f},  // defined: −23.4
        {2.09257293f, 5.99918127f, 14.8044472f},   // defined: −302
        {1.66663611f, 3.18037868f, 12.4822817f},   // defined: 1629
        {1.41509533f, 2.97439241f, 19.6262436f},   // defined: −53.4
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(usable(definedIteration(c.a, c.b, c.D, 0.5f), c.b, c.D)) << c.a;
        const float rho = calcularRho(c.a, c.b, 0, 0, c.D, 0.5f);
        EXPECT_GE(rho, c.b) << c.a;
        EXPECT_LE(rho, c.b + c.D) << c.a;
        EXPECT_LE(std::fabs(excess(c.a, c.b, rho, c.D)), 1e-4 * double(c.D) * c.D) << c.a;
    }
    // Far out on a tight spiral float positions cannot resolve the distance; the radius
    // still stays finite and within reach.
    const float rho = calcularRho(0.287396f, 2.0e4f, 0, 0, 57.5373f, 0.5f);
    EXPECT_GE(rho, 2.0e4f);
    EXPECT_LE(rho, 2.0e4f + 57.5373f);
}

TEST(CalcularRho, DegenerateSpiralsStayFinite) {
    // From the origin the next centre lies at the distance itself.
    EXPECT_NEAR(calcularRho(2.0f, 0.0f, 0, 0, 3.0f, 0.5f), 3.0f, 1e-5);
    // A spiral without extent: straight outwards.
    EXPECT_EQ(calcularRho(0.0f, 1.0f, 0, 0, 3.0f, 0.5f), 4.0f);
    // No distance: the same point.
    EXPECT_EQ(calcularRho(0.0f, 1.0f, 0, 0, 0.0f, 0.5f), 1.0f);
}

}  // namespace
