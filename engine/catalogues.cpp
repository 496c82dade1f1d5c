// The two transformation catalogues: 30 scalar fields F(z) that the step multiplies by alpha,
// and 30 maps that rewrite the new point. Every row runs once per step, so each computes only
// the quantities its own formula needs and allocates nothing.
#include <cmath>
#include <cstdint>

#include "engine/engine.h"
#include "imaging/imaging.h"

namespace tessalume {

namespace {
// The digits below are the ones the quilts were found with; a neighbouring double changes
// the orbit.
constexpr double pi = 3.141592653589793;
constexpr double twoPi = 6.283185307179586;
constexpr double fourPi = 12.566370614359172;
constexpr double eightPi = 25.132741228718345;
constexpr double halfPi = 1.5707963267948966;
constexpr double thirdPi = 1.0471975511965976;
constexpr double sixthPi = 0.5235987755982988;
constexpr double twelfthPi = 0.26179938779914946;
constexpr double twoOverPi = 0.6366197723675814;
const double hexagonApothem = std::cos(sixthPi);

// Q: √u, −√(−u), or 0 for zero and for a value that is not a number.
double SignedRoot(double u)
{
    if (u > 0) return std::sqrt(u);
    if (u < 0) return -std::sqrt(-u);
    return 0;
}

// T: the arcsine scaled to [−1, 1].
double ScaledArcSine(double u) { return twoOverPi * std::asin(u); }

// 1 − √|e|, taking the root of whichever of e and −e is not negative.
double RootWaveMagnitude(double e)
{
    const double root = e >= 0 ? std::sqrt(e) : std::sqrt(-e);
    return 1 - root;
}

// Catalogue I reads the current point.
double SquaredRadius() { return pointY * pointY + pointX * pointX; }
double Radius() { return std::sqrt(SquaredRadius()); }
double PhasedAngle() { return std::atan2(pointY, pointX) + transformPhase; }
double Wave() { return transformFrequency * PhasedAngle(); }
double Apothem() { return polygonTable[transformVariant][0]; }

// ψ: the direction θ + φ measured from the middle of its polygon sector.
double SectorAngle()
{
    const double* row = polygonTable[transformVariant];
    return std::fmod(PhasedAngle() + pi, row[1]) - row[2];
}

// P: the polygon's radius in the direction θ + φ.
double PolygonRadius()
{
    const double c = std::cos(SectorAngle());
    return c == 0 ? 1.0 : Apothem() / c;
}

// P′: as P with the root wave in place of the cosine.
double PolygonRadiusWave()
{
    const double c = SignedRootWaveCos(SectorAngle());
    return c == 0 ? 1.0 : Apothem() / c;
}

// Catalogue II reads and rewrites the new point.
double NextSquaredRadius() { return nextY * nextY + nextX * nextX; }
double NextRadius() { return std::sqrt(NextSquaredRadius()); }
double NextAngle() { return std::atan2(nextY, nextX); }

void SetPolar(double angle, double radius)
{
    nextX = std::cos(angle) * radius;
    nextY = std::sin(angle) * radius;
}

void SetRadius(double radius) { SetPolar(NextAngle(), radius); }

void TurnBy(double turn) { SetPolar(NextAngle() + turn, NextRadius()); }

void Scale(double factor)
{
    nextX = nextX * factor;
    nextY = nextY * factor;
}

uint32_t DrawCorner() { return engineRandom.NextWord() % 6; }

// D_i + d / (|d| + 0.5) with d = (x, y) − D_i.
void PullTowardCorner(uint32_t i, double x, double y)
{
    const double dx = x - hexPointX[i];
    const double dy = y - hexPointY[i];
    const double length = std::sqrt(dx * dx + dy * dy);
    nextX = hexPointX[i] + dx / (length + 0.5);
    nextY = hexPointY[i] + dy / (length + 0.5);
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

const EngineFunction transformationCatalogueI[catalogueSize] = {
    /* 0 */ [] { fieldTerm = SquaredRadius(); },
    /* 1 */ [] { fieldTerm = Radius(); },
    /* 2 */ [] { fieldTerm = std::pow(SquaredRadius(), 0.125); },
    /* 3 */ [] { fieldTerm = 2 - SquaredRadius(); },
    /* 4 */ [] { fieldTerm = 4 / (SquaredRadius() + 2); },
    /* 5 */
    [] {
        const double y4 = pointY * pointY * pointY * pointY;
        const double x4 = pointX * pointX * pointX * pointX;
        fieldTerm = std::sqrt(y4 + x4);
    },
    /* 6 */ [] { fieldTerm = Radius() * (1 + transformAmplitude * std::cos(Wave())); },
    /* 7 */
    [] { fieldTerm = Radius() * (1 + transformAmplitude * ScaledArcSine(std::cos(Wave()))); },
    /* 8 */
    [] {
        const double wave = std::tanh(transformConstantB * std::cos(Wave()));
        fieldTerm = Radius() * (1 + transformAmplitude * wave);
    },
    /* 9 */ [] { fieldTerm = Radius() * (1 + transformAmplitude * SignedRoot(std::cos(Wave()))); },
    /* 10 */ [] { fieldTerm = Radius() * (1 + transformAmplitude * SignedRootWaveCos(Wave())); },
    /* 11 */ [] { fieldTerm = Radius() * PolygonRadius(); },
    /* 12 */ [] { fieldTerm = Radius() / PolygonRadius(); },
    /* 13 */ [] { fieldTerm = std::log(Radius()) * PolygonRadius(); },
    /* 14 */ [] { fieldTerm = (SquaredRadius() + 1) * (PolygonRadius() + 0.01); },
    /* 15 */
    [] {
        const double t = Wave();
        fieldTerm = Radius() * (1 + transformAmplitude * (std::sin(t) + 0.25 * std::sin(8 * t)));
    },
    /* 16 */
    [] {
        const double t = Wave();
        const double wave = ScaledArcSine(std::sin(t)) + 0.25 * ScaledArcSine(std::sin(8 * t));
        fieldTerm = Radius() * (1 + transformAmplitude * wave);
    },
    /* 17 */
    [] {
        const double t = Wave();
        const double wave = SignedRootWave(t) + 0.25 * SignedRoot(std::sin(8 * t));
        fieldTerm = Radius() * (1 + transformAmplitude * wave);
    },
    /* 18 */ [] { fieldTerm = std::log(Radius()) * PolygonRadiusWave(); },
    /* 19 */
    [] {
        fieldTerm = Radius() * (1 + std::fabs(transformAmplitude * SignedRoot(std::sin(Wave()))));
    },
    /* 20 */ [] { fieldTerm = Radius() * (1 + std::fabs(transformAmplitude * SignedRootWave(Wave()))); },
    /* 21 */
    [] {
        const double s = std::sin(Wave());
        const double r = Radius();
        fieldTerm = s >= 0 ? r * (1 + transformAmplitude * s) : r;
    },
    /* 22 */
    [] {
        const double c = std::cos(SectorAngle());
        const double r2 = SquaredRadius();
        fieldTerm = c == 0 ? r2 : r2 * (Apothem() / SignedRoot(c));
    },
    /* 23 */ [] { fieldTerm = Radius() * PolygonRadiusWave(); },
    /* 24 */
    [] {
        const double p = PolygonRadiusWave();
        fieldTerm = std::cos(Radius() * p) * p;
    },
    // 25..29 add the phase once more beside ψ and divide without a guard.
    /* 25 */
    [] {
        const double divisor = ScaledArcSine(std::cos(SectorAngle() + transformPhase));
        fieldTerm = SquaredRadius() / divisor * Apothem();
    },
    /* 26 */
    [] {
        fieldTerm = Apothem() / SignedRootWaveCos(SectorAngle() + transformPhase) * SquaredRadius();
    },
    /* 27 */
    [] {
        const double divisor = SignedRoot(std::cos(SectorAngle() + transformPhase));
        fieldTerm = SquaredRadius() * (Apothem() / divisor);
    },
    /* 28 */
    [] {
        // The hexagon's sector whatever the variant.
        const double psi = std::fmod(PhasedAngle() + pi, thirdPi) - sixthPi;
        fieldTerm = SquaredRadius() / std::cos(psi + transformPhase) * hexagonApothem;
    },
    /* 29 */
    [] {
        fieldTerm = Apothem() / std::cos(2 * SectorAngle() + transformPhase) * SquaredRadius();
    },
};

const EngineFunction transformationCatalogueII[catalogueSize] = {
    /* 0 */ [] {},
    /* 1 */ [] { Scale(2 / (NextSquaredRadius() + 1)); },
    /* 2 */
    [] {
        const double r = NextRadius();
        SetRadius(r * (1 + 0.2 * std::sin(eightPi * r)));
    },
    /* 3 */ [] { Scale(1 + 1 / (NextSquaredRadius() + 1)); },
    /* 4 */ [] { SetRadius(std::sqrt(NextRadius())); },
    /* 5 */
    [] {
        const double r = NextRadius();
        SetRadius(r * (1 + 0.12732395447351627 * std::asin(std::sin(eightPi * r))));
    },
    /* 6 */
    [] {
        const double r = NextRadius();
        SetRadius(r * (1 + 0.2 * std::tanh(transformConstantA * std::sin(eightPi * r))));
    },
    /* 7 */ [] { Scale(1.75); },
    /* 8 */
    [] {
        if (engineRandom.NextWord() % 10 != 0) return;
        SetPolar(NextAngle() + twelfthPi, 0.25 * NextRadius());
    },
    /* 9 */
    [] {
        if (!engineRandom.NextCoin()) return;
        const uint32_t i = DrawCorner();
        const double dx = nextX - hexPointX[i];
        const double dy = nextY - hexPointY[i];
        const double d2 = dx * dx + dy * dy;
        if (d2 == 0) return;
        nextX = hexPointX[i] + unitScale / d2 * dx;
        nextY = hexPointY[i] + unitScale / d2 * dy;
    },
    /* 10 */
    [] {
        const double w = NextAngle() + pi;
        const double c = std::cos(std::fmod(w, thirdPi) - sixthPi);
        const double hexagonRadius = c == 0 ? 1.0 : hexagonApothem / c;
        const double rho = NextRadius() * hexagonRadius;
        SetPolar(w - halfPi * SignedRootWave(fourPi * rho), rho);
    },
    /* 11 */
    [] {
        if (!engineRandom.NextCoin()) return;
        const uint32_t i = DrawCorner();
        nextX = hexPointX[i] - 0.25 * nextX;
        nextY = hexPointY[i] - 0.25 * nextY;
    },
    /* 12 */
    [] {
        if (!engineRandom.NextCoin()) return;
        nextX = 0.9 * pointX;
        nextY = 0.9 * pointY;
    },
    /* 13 */ [] { TurnBy(-std::pow(NextRadius(), -0.25)); },
    /* 14 */
    [] {
        const uint32_t k = engineRandom.NextWord() % 7;
        if (twistsBeforeInversion[k]) {
            const double r = NextRadius();
            SetPolar(NextAngle() - std::pow(r, -0.5), r);
        }
        const double a = unitScale * nextX - hexPointX[k];
        const double b = unitScale * nextY - hexPointY[k];
        const double n = a * a + b * b;
        if (n == 0) return;
        const double qx = a / n + 0.5 * hexPointX[k];
        const double qy = b / n + 0.5 * hexPointY[k];
        if (qx * qx + qy * qy >= 10.0) return;
        nextX = qx;
        nextY = qy;
    },
    /* 15 */ [] { Scale(1 + 0.5 * std::cos(twoPi * NextSquaredRadius())); },
    /* 16 */ [] { TurnBy(-std::log(NextRadius())); },
    /* 17 */ [] { PullTowardCorner(DrawCorner(), nextX, nextY); },
    /* 18 */
    [] {
        const uint32_t i = DrawCorner();
        const double s = 0.5 * (1 + 0.5 * std::sin(twoPi * NextSquaredRadius()));
        nextX = s * nextX + hexPointX[i];
        nextY = s * nextY + hexPointY[i];
    },
    /* 19 */
    [] {
        if (engineRandom.NextCoin()) Scale(1 / (NextSquaredRadius() + 1));
    },
    /* 20 */
    [] {
        if (engineRandom.NextCoin()) Scale(1 / (NextSquaredRadius() + 2));
    },
    /* 21 */
    [] {
        if (!engineRandom.NextCoin()) return;
        const uint32_t i = DrawCorner();
        nextX = 0.5 * hexPointX[i] - 0.5 * nextX;
        nextY = 0.5 * hexPointY[i] - 0.5 * nextY;
    },
    // 22..25 jump from the point before the step instead of the new one.
    /* 22 */
    [] {
        if (!engineRandom.NextCoin()) return;
        nextX = -0.8 * pointX;
        nextY = -0.8 * pointY;
    },
    /* 23 */
    [] {
        if (!engineRandom.NextCoin()) return;
        const uint32_t i = DrawCorner();
        nextX = 0.25 * hexMidX[i] + 0.5 * pointX;
        nextY = 0.25 * hexMidY[i] + 0.5 * pointY;
    },
    /* 24 */
    [] {
        if (!engineRandom.NextCoin()) return;
        PullTowardCorner(DrawCorner(), pointX, pointY);
    },
    /* 25 */
    [] {
        if (!engineRandom.NextCoin()) return;
        const uint32_t i = DrawCorner();
        const double dx = pointX - hexPointX[i];
        const double dy = pointY - hexPointY[i];
        const double d2 = dx * dx + dy * dy;
        nextX = hexPointX[i] + dx / (d2 + 1);
        nextY = hexPointY[i] + dy / (d2 + 1);
    },
    /* 26 */ [] { TurnBy(std::sin(twoPi * NextRadius())); },
    /* 27 */ [] { TurnBy(ScaledArcSine(std::sin(twoPi * NextRadius()))); },
    /* 28 */ [] { TurnBy(SignedRoot(std::sin(twoPi * NextRadius()))); },
    /* 29 */ [] { TurnBy(std::tanh(3 * std::sin(twoPi * NextRadius()))); },
};

}  // namespace tessalume
