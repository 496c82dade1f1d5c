#include <cmath>

#include "engine/engine.h"
#include "engine/maths.h"

namespace tessalume {

// The hot loop of the program. The step reads every input once into locals and writes the
// new point once; zⁿ is repeated complex multiplication (never pow), and the grouping of the
// sums is the one the quilts were found with, so it must not be rearranged.
void StepPoint(Quilt& quilt)
{
    quilt.transformI(quilt);
    const QuiltDesign& design = quilt.design;
    Orbit& orbit = quilt.orbit;
    const double x = orbit.pointX;
    const double y = orbit.pointY;
    const int32_t m = design.powerExponent;

    double p = x;
    double q = y;
    for (int32_t i = 0; i < m; ++i) {
        const double np = p * x - q * y;
        const double nq = p * y + q * x;
        p = np;
        q = nq;
    }
    const double realPower = p * x - q * y;
    const double s = (orbit.fieldTerm * design.alpha + design.beta * realPower) + design.lambda;

    const float u1 = orbit.random.NextUniform();
    const float u2 = orbit.random.NextUniform();
    const double rho = static_cast<double>(u1) * design.blurRadius;
    const double theta = static_cast<double>(u2) * twoPi;

    orbit.nextX = rho * std::sin(theta) + ((design.gamma * p + s * x) - design.omega * y);
    orbit.nextY = (rho * std::cos(theta) + (s * y - design.gamma * q)) + design.omega * x;
    quilt.transformII(quilt);
}

}  // namespace tessalume
