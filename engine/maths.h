// The maths the engine and the imaging share: the constants with the digits the quilts were
// found with (a neighbouring double changes the orbit), and the signed roots.
#pragma once
#include <cmath>

namespace tessalume {

inline constexpr double pi = 3.141592653589793;
inline constexpr double twoPi = 6.283185307179586;
inline constexpr double halfPi = 1.5707963267948966;

// √u, −√(−u), or 0 for zero and for a value that is not a number.
inline double SignedRoot(double u)
{
    if (u > 0) return std::sqrt(u);
    if (u < 0) return -std::sqrt(-u);
    return 0;
}

// sign(sinf(x)) * (1 - sqrt|cos(x + pi)|), the sign taken in single precision.
double SignedRootWave(double x);
// sign(cosf(x)) * (1 - sqrt|sin(x + pi)|): its cosine twin.
double SignedRootWaveCos(double x);

}  // namespace tessalume
