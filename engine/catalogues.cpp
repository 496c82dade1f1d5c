// The two transformation catalogues: 30 scalar fields F(z) that the step multiplies by alpha,
// and 30 maps that rewrite the new point. Every row runs once per step, so each computes only
// the quantities its own formula needs and allocates nothing.
#include <cmath>
#include <cstdint>

#include "engine/engine.h"
#include "engine/maths.h"

namespace tessalume {

namespace {
// The digits below are the ones the quilts were found with; a neighbouring double changes
// the orbit.
constexpr double fourPi = 12.566370614359172;
constexpr double eightPi = 25.132741228718345;
constexpr double thirdPi = 1.0471975511965976;
constexpr double sixthPi = 0.5235987755982988;
constexpr double twelfthPi = 0.26179938779914946;
constexpr double twoOverPi = 0.6366197723675814;
const double hexagonApothem = std::cos(sixthPi);
// Constants of the entries that take one.
constexpr double transformConstantA = 5.0;
constexpr double transformConstantB = 3.0;
constexpr double unitScale = 1.0;

// T: the arcsine scaled to [−1, 1].
double ScaledArcSine(double u) { return twoOverPi * std::asin(u); }

// 1 − √|e|, taking the root of whichever of e and −e is not negative.
double RootWaveMagnitude(double e)
{
    const double root = e >= 0 ? std::sqrt(e) : std::sqrt(-e);
    return 1 - root;
}

// Catalogue I reads the current point.
double SquaredRadius(const Quilt& q) { return q.orbit.pointY * q.orbit.pointY + q.orbit.pointX * q.orbit.pointX; }
double Radius(const Quilt& q) { return std::sqrt(SquaredRadius(q)); }
double PhasedAngle(const Quilt& q) { return std::atan2(q.orbit.pointY, q.orbit.pointX) + q.design.transformPhase; }
double Wave(const Quilt& q) { return q.design.transformFrequency * PhasedAngle(q); }
double Apothem(const Quilt& q) { return polygonTable[q.design.transformVariant][0]; }

// ψ: the direction θ + φ measured from the middle of its polygon sector.
double SectorAngle(const Quilt& q)
{
    const double* row = polygonTable[q.design.transformVariant];
    return std::fmod(PhasedAngle(q) + pi, row[1]) - row[2];
}

// P: the polygon's radius in the direction θ + φ.
double PolygonRadius(const Quilt& q)
{
    const double c = std::cos(SectorAngle(q));
    return c == 0 ? 1.0 : Apothem(q) / c;
}

// P′: as P with the root wave in place of the cosine.
double PolygonRadiusWave(const Quilt& q)
{
    const double c = SignedRootWaveCos(SectorAngle(q));
    return c == 0 ? 1.0 : Apothem(q) / c;
}

// Catalogue II reads and rewrites the new point.
double NextSquaredRadius(const Quilt& q) { return q.orbit.nextY * q.orbit.nextY + q.orbit.nextX * q.orbit.nextX; }
double NextRadius(const Quilt& q) { return std::sqrt(NextSquaredRadius(q)); }
double NextAngle(const Quilt& q) { return std::atan2(q.orbit.nextY, q.orbit.nextX); }

void SetPolar(Quilt& q, double angle, double radius)
{
    q.orbit.nextX = std::cos(angle) * radius;
    q.orbit.nextY = std::sin(angle) * radius;
}

void SetRadius(Quilt& q, double radius) { SetPolar(q, NextAngle(q), radius); }

void TurnBy(Quilt& q, double turn) { SetPolar(q, NextAngle(q) + turn, NextRadius(q)); }

void Scale(Quilt& q, double factor)
{
    q.orbit.nextX = q.orbit.nextX * factor;
    q.orbit.nextY = q.orbit.nextY * factor;
}

uint32_t DrawCorner(Quilt& q) { return q.orbit.random.NextWord() % 6; }

// D_i + d / (|d| + 0.5) with d = (x, y) − D_i.
void PullTowardCorner(Quilt& q, uint32_t i, double x, double y)
{
    const double dx = x - q.design.hexPointX[i];
    const double dy = y - q.design.hexPointY[i];
    const double length = std::sqrt(dx * dx + dy * dy);
    q.orbit.nextX = q.design.hexPointX[i] + dx / (length + 0.5);
    q.orbit.nextY = q.design.hexPointY[i] + dy / (length + 0.5);
}

// First stage of catalogue II entry 14: the word picks the centre and whether to twist.
constexpr bool twistsBeforeInversion[7] = {true, false, true, false, true, false, false};
}  // namespace

double SignedRootWave(double x)
{
    const double sign = std::sin(static_cast<float>(x)) > 0 ? 1.0 : -1.0;
    return sign * RootWaveMagnitude(std::cos(x + pi));
}

double SignedRootWaveCos(double x)
{
    const double sign = std::cos(static_cast<float>(x)) > 0 ? 1.0 : -1.0;
    return sign * RootWaveMagnitude(std::sin(x + pi));
}

const Transformation transformationCatalogueI[catalogueSize] = {
    /* 0 */ [](Quilt& q) { q.orbit.fieldTerm = SquaredRadius(q); },
    /* 1 */ [](Quilt& q) { q.orbit.fieldTerm = Radius(q); },
    /* 2 */ [](Quilt& q) { q.orbit.fieldTerm = std::pow(SquaredRadius(q), 0.125); },
    /* 3 */ [](Quilt& q) { q.orbit.fieldTerm = 2 - SquaredRadius(q); },
    /* 4 */ [](Quilt& q) { q.orbit.fieldTerm = 4 / (SquaredRadius(q) + 2); },
    /* 5 */
    [](Quilt& q) {
        const double y4 = q.orbit.pointY * q.orbit.pointY * q.orbit.pointY * q.orbit.pointY;
        const double x4 = q.orbit.pointX * q.orbit.pointX * q.orbit.pointX * q.orbit.pointX;
        q.orbit.fieldTerm = std::sqrt(y4 + x4);
    },
    /* 6 */ [](Quilt& q) { q.orbit.fieldTerm = Radius(q) * (1 + q.design.transformAmplitude * std::cos(Wave(q))); },
    /* 7 */
    [](Quilt& q) { q.orbit.fieldTerm = Radius(q) * (1 + q.design.transformAmplitude * ScaledArcSine(std::cos(Wave(q)))); },
    /* 8 */
    [](Quilt& q) {
        const double wave = std::tanh(transformConstantB * std::cos(Wave(q)));
        q.orbit.fieldTerm = Radius(q) * (1 + q.design.transformAmplitude * wave);
    },
    /* 9 */ [](Quilt& q) { q.orbit.fieldTerm = Radius(q) * (1 + q.design.transformAmplitude * SignedRoot(std::cos(Wave(q)))); },
    /* 10 */ [](Quilt& q) { q.orbit.fieldTerm = Radius(q) * (1 + q.design.transformAmplitude * SignedRootWaveCos(Wave(q))); },
    /* 11 */ [](Quilt& q) { q.orbit.fieldTerm = Radius(q) * PolygonRadius(q); },
    /* 12 */ [](Quilt& q) { q.orbit.fieldTerm = Radius(q) / PolygonRadius(q); },
    /* 13 */ [](Quilt& q) { q.orbit.fieldTerm = std::log(Radius(q)) * PolygonRadius(q); },
    /* 14 */ [](Quilt& q) { q.orbit.fieldTerm = (SquaredRadius(q) + 1) * (PolygonRadius(q) + 0.01); },
    /* 15 */
    [](Quilt& q) {
        const double t = Wave(q);
        q.orbit.fieldTerm = Radius(q) * (1 + q.design.transformAmplitude * (std::sin(t) + 0.25 * std::sin(8 * t)));
    },
    /* 16 */
    [](Quilt& q) {
        const double t = Wave(q);
        const double wave = ScaledArcSine(std::sin(t)) + 0.25 * ScaledArcSine(std::sin(8 * t));
        q.orbit.fieldTerm = Radius(q) * (1 + q.design.transformAmplitude * wave);
    },
    /* 17 */
    [](Quilt& q) {
        const double t = Wave(q);
        const double wave = SignedRootWave(t) + 0.25 * SignedRoot(std::sin(8 * t));
        q.orbit.fieldTerm = Radius(q) * (1 + q.design.transformAmplitude * wave);
    },
    /* 18 */ [](Quilt& q) { q.orbit.fieldTerm = std::log(Radius(q)) * PolygonRadiusWave(q); },
    /* 19 */
    [](Quilt& q) {
        q.orbit.fieldTerm = Radius(q) * (1 + std::fabs(q.design.transformAmplitude * SignedRoot(std::sin(Wave(q)))));
    },
    /* 20 */ [](Quilt& q) { q.orbit.fieldTerm = Radius(q) * (1 + std::fabs(q.design.transformAmplitude * SignedRootWave(Wave(q)))); },
    /* 21 */
    [](Quilt& q) {
        const double s = std::sin(Wave(q));
        const double r = Radius(q);
        q.orbit.fieldTerm = s >= 0 ? r * (1 + q.design.transformAmplitude * s) : r;
    },
    /* 22 */
    [](Quilt& q) {
        const double c = std::cos(SectorAngle(q));
        const double r2 = SquaredRadius(q);
        q.orbit.fieldTerm = c == 0 ? r2 : r2 * (Apothem(q) / SignedRoot(c));
    },
    /* 23 */ [](Quilt& q) { q.orbit.fieldTerm = Radius(q) * PolygonRadiusWave(q); },
    /* 24 */
    [](Quilt& q) {
        const double p = PolygonRadiusWave(q);
        q.orbit.fieldTerm = std::cos(Radius(q) * p) * p;
    },
    // 25..29 add the phase once more beside ψ and divide without a guard.
    /* 25 */
    [](Quilt& q) {
        const double divisor = ScaledArcSine(std::cos(SectorAngle(q) + q.design.transformPhase));
        q.orbit.fieldTerm = SquaredRadius(q) / divisor * Apothem(q);
    },
    /* 26 */
    [](Quilt& q) {
        q.orbit.fieldTerm = Apothem(q) / SignedRootWaveCos(SectorAngle(q) + q.design.transformPhase) * SquaredRadius(q);
    },
    /* 27 */
    [](Quilt& q) {
        const double divisor = SignedRoot(std::cos(SectorAngle(q) + q.design.transformPhase));
        q.orbit.fieldTerm = SquaredRadius(q) * (Apothem(q) / divisor);
    },
    /* 28 */
    [](Quilt& q) {
        // The hexagon's sector whatever the variant.
        const double psi = std::fmod(PhasedAngle(q) + pi, thirdPi) - sixthPi;
        q.orbit.fieldTerm = SquaredRadius(q) / std::cos(psi + q.design.transformPhase) * hexagonApothem;
    },
    /* 29 */
    [](Quilt& q) {
        q.orbit.fieldTerm = Apothem(q) / std::cos(2 * SectorAngle(q) + q.design.transformPhase) * SquaredRadius(q);
    },
};

const Transformation transformationCatalogueII[catalogueSize] = {
    /* 0 */ [](Quilt&) {},
    /* 1 */ [](Quilt& q) { Scale(q, 2 / (NextSquaredRadius(q) + 1)); },
    /* 2 */
    [](Quilt& q) {
        const double r = NextRadius(q);
        SetRadius(q, r * (1 + 0.2 * std::sin(eightPi * r)));
    },
    /* 3 */ [](Quilt& q) { Scale(q, 1 + 1 / (NextSquaredRadius(q) + 1)); },
    /* 4 */ [](Quilt& q) { SetRadius(q, std::sqrt(NextRadius(q))); },
    /* 5 */
    [](Quilt& q) {
        const double r = NextRadius(q);
        SetRadius(q, r * (1 + 0.12732395447351627 * std::asin(std::sin(eightPi * r))));
    },
    /* 6 */
    [](Quilt& q) {
        const double r = NextRadius(q);
        SetRadius(q, r * (1 + 0.2 * std::tanh(transformConstantA * std::sin(eightPi * r))));
    },
    /* 7 */ [](Quilt& q) { Scale(q, 1.75); },
    /* 8 */
    [](Quilt& q) {
        if (q.orbit.random.NextWord() % 10 != 0) return;
        SetPolar(q, NextAngle(q) + twelfthPi, 0.25 * NextRadius(q));
    },
    /* 9 */
    [](Quilt& q) {
        if (!q.orbit.random.NextCoin()) return;
        const uint32_t i = DrawCorner(q);
        const double dx = q.orbit.nextX - q.design.hexPointX[i];
        const double dy = q.orbit.nextY - q.design.hexPointY[i];
        const double d2 = dx * dx + dy * dy;
        if (d2 == 0) return;
        q.orbit.nextX = q.design.hexPointX[i] + unitScale / d2 * dx;
        q.orbit.nextY = q.design.hexPointY[i] + unitScale / d2 * dy;
    },
    /* 10 */
    [](Quilt& q) {
        const double w = NextAngle(q) + pi;
        const double c = std::cos(std::fmod(w, thirdPi) - sixthPi);
        const double hexagonRadius = c == 0 ? 1.0 : hexagonApothem / c;
        const double rho = NextRadius(q) * hexagonRadius;
        SetPolar(q, w - halfPi * SignedRootWave(fourPi * rho), rho);
    },
    /* 11 */
    [](Quilt& q) {
        if (!q.orbit.random.NextCoin()) return;
        const uint32_t i = DrawCorner(q);
        q.orbit.nextX = q.design.hexPointX[i] - 0.25 * q.orbit.nextX;
        q.orbit.nextY = q.design.hexPointY[i] - 0.25 * q.orbit.nextY;
    },
    /* 12 */
    [](Quilt& q) {
        if (!q.orbit.random.NextCoin()) return;
        q.orbit.nextX = 0.9 * q.orbit.pointX;
        q.orbit.nextY = 0.9 * q.orbit.pointY;
    },
    /* 13 */ [](Quilt& q) { TurnBy(q, -std::pow(NextRadius(q), -0.25)); },
    /* 14 */
    [](Quilt& q) {
        const uint32_t k = q.orbit.random.NextWord() % 7;
        if (twistsBeforeInversion[k]) {
            const double r = NextRadius(q);
            SetPolar(q, NextAngle(q) - std::pow(r, -0.5), r);
        }
        const double a = unitScale * q.orbit.nextX - q.design.hexPointX[k];
        const double b = unitScale * q.orbit.nextY - q.design.hexPointY[k];
        const double n = a * a + b * b;
        if (n == 0) return;
        const double qx = a / n + 0.5 * q.design.hexPointX[k];
        const double qy = b / n + 0.5 * q.design.hexPointY[k];
        if (qx * qx + qy * qy >= 10.0) return;
        q.orbit.nextX = qx;
        q.orbit.nextY = qy;
    },
    /* 15 */ [](Quilt& q) { Scale(q, 1 + 0.5 * std::cos(twoPi * NextSquaredRadius(q))); },
    /* 16 */ [](Quilt& q) { TurnBy(q, -std::log(NextRadius(q))); },
    /* 17 */ [](Quilt& q) { PullTowardCorner(q, DrawCorner(q), q.orbit.nextX, q.orbit.nextY); },
    /* 18 */
    [](Quilt& q) {
        const uint32_t i = DrawCorner(q);
        const double s = 0.5 * (1 + 0.5 * std::sin(twoPi * NextSquaredRadius(q)));
        q.orbit.nextX = s * q.orbit.nextX + q.design.hexPointX[i];
        q.orbit.nextY = s * q.orbit.nextY + q.design.hexPointY[i];
    },
    /* 19 */
    [](Quilt& q) {
        if (q.orbit.random.NextCoin()) Scale(q, 1 / (NextSquaredRadius(q) + 1));
    },
    /* 20 */
    [](Quilt& q) {
        if (q.orbit.random.NextCoin()) Scale(q, 1 / (NextSquaredRadius(q) + 2));
    },
    /* 21 */
    [](Quilt& q) {
        if (!q.orbit.random.NextCoin()) return;
        const uint32_t i = DrawCorner(q);
        q.orbit.nextX = 0.5 * q.design.hexPointX[i] - 0.5 * q.orbit.nextX;
        q.orbit.nextY = 0.5 * q.design.hexPointY[i] - 0.5 * q.orbit.nextY;
    },
    // 22..25 jump from the point before the step instead of the new one.
    /* 22 */
    [](Quilt& q) {
        if (!q.orbit.random.NextCoin()) return;
        q.orbit.nextX = -0.8 * q.orbit.pointX;
        q.orbit.nextY = -0.8 * q.orbit.pointY;
    },
    /* 23 */
    [](Quilt& q) {
        if (!q.orbit.random.NextCoin()) return;
        const uint32_t i = DrawCorner(q);
        q.orbit.nextX = 0.25 * q.design.hexMidX[i] + 0.5 * q.orbit.pointX;
        q.orbit.nextY = 0.25 * q.design.hexMidY[i] + 0.5 * q.orbit.pointY;
    },
    /* 24 */
    [](Quilt& q) {
        if (!q.orbit.random.NextCoin()) return;
        PullTowardCorner(q, DrawCorner(q), q.orbit.pointX, q.orbit.pointY);
    },
    /* 25 */
    [](Quilt& q) {
        if (!q.orbit.random.NextCoin()) return;
        const uint32_t i = DrawCorner(q);
        const double dx = q.orbit.pointX - q.design.hexPointX[i];
        const double dy = q.orbit.pointY - q.design.hexPointY[i];
        const double d2 = dx * dx + dy * dy;
        q.orbit.nextX = q.design.hexPointX[i] + dx / (d2 + 1);
        q.orbit.nextY = q.design.hexPointY[i] + dy / (d2 + 1);
    },
    /* 26 */ [](Quilt& q) { TurnBy(q, std::sin(twoPi * NextRadius(q))); },
    /* 27 */ [](Quilt& q) { TurnBy(q, ScaledArcSine(std::sin(twoPi * NextRadius(q)))); },
    /* 28 */ [](Quilt& q) { TurnBy(q, SignedRoot(std::sin(twoPi * NextRadius(q)))); },
    /* 29 */ [](Quilt& q) { TurnBy(q, std::tanh(3 * std::sin(twoPi * NextRadius(q)))); },
};

}  // namespace tessalume
