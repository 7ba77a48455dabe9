// The step along the layout spiral ρ = a·θ^n: where the next community centre goes so that
// it lies at a given straight distance from the previous one.
#pragma once

// Largest number of refinement passes of calcularRho; its last value is returned then.
inline constexpr int kMaxRhoIterations = 1000;

// The ρ on the spiral ρ = a·θ^exponent, beyond the point of radius previousRho, whose
// straight distance from that point is distance. A Newton-type iteration on
// f(ρ) = ρ² − 2·b·ρ·cos Δ − (D² − b²) (its slope overweights the angular term by a factor
// a, which the layout uses), stopped once |f| ≤ 0.1·D, checked before each
// update, or after kMaxRhoIterations passes; the value after the last update is returned.
// Geometry is kept in float, powers and trigonometry are evaluated in double.
//
// When the iteration breaks down (a result that is not finite, not positive or radially
// farther than D from b, so certainly not at distance D; or a spiral without extent,
// a ≤ 0), the answer is found by bisection on the exact distance instead, so the layout
// always receives a finite radius in [b, b + D]. previousRadius and currentRadius are not
// used. At most kMaxRhoIterations passes: O(1) per call.
float calcularRho(float a, float previousRho, float previousRadius, float currentRadius,
                  float distance, float exponent);
