#include <algorithm>
#include <cmath>

#include "engine/engine.h"
#include "engine/relaxed.h"

namespace tessalume {

namespace {

constexpr double sixthTurn = 1.0471975511965979;    // π/3 as the lattice is laid out
constexpr double twelfthTurn = 0.5235987755982989;  // π/6 likewise
constexpr double sqrtThree = 1.7320508075688772;

constexpr int32_t powerOfSymmetryDraw[5] = {1, 4, 7, 10, 22};
constexpr double frequencyOfDraw[4] = {3.0, 6.0, 12.0, 9.0};

constexpr int attemptsPerPass = 1000;
constexpr int stepsPerAttempt = 100000;
constexpr int untestedSteps = 15000;  // step lengths count only after the orbit has settled

// (u1 − u2)·scale with both the difference and the product in single precision.
double CenteredUniform(RndField& random, float scale)
{
    const float u1 = random.NextUniform();
    const float u2 = random.NextUniform();
    return static_cast<double>((u1 - u2) * scale);
}

// A catalogue index: on an even word, a coin chooses a squared uniform (low entries likelier)
// or a plain word modulo 30; on an odd word the index stays. The index is a setting that the
// interface may write meanwhile: it is read and written whole.
void DrawCatalogueIndex(RndField& random, int32_t& index)
{
    if (random.NextWord() % 2 != 0) return;
    const bool squared = random.NextCoin();
    const uint32_t word = random.NextWord();
    if (squared) {
        const float u = static_cast<float>(word) * 2.3283064e-10f;
        StoreRelaxed(index, static_cast<int32_t>(std::min(32.0f * (u * u), 29.0f)));
    } else {
        StoreRelaxed(index, static_cast<int32_t>(word % 30u));
    }
}

// The first entry of the browser page that shows the given entry; other entries keep the page.
void ShowEntry(int32_t& page, int32_t index)
{
    if (index >= 0 && index < 10) StoreRelaxed(page, 0);
    else if (index >= 10 && index < 20) StoreRelaxed(page, 10);
    else if (index >= 20 && index < 40) StoreRelaxed(page, 20);
}

// Draws the shape settings of one search pass; returns the lattice margin k.
float StartPass(Quilt& quilt, Settings& settings)
{
    StoreRelaxed(quilt.searching, uint8_t{1});
    RndField& random = quilt.orbit.random;
    QuiltDesign& design = quilt.design;

    LayHexagon(design, random.NextCoin());

    design.powerExponent = powerOfSymmetryDraw[random.NextWord() % 5u];
    design.transformFrequency = frequencyOfDraw[random.NextWord() & 3u];

    if (!LoadRelaxed(settings.blurringLocked)) {
        const float u = random.NextUniform();
        StoreRelaxed(settings.blurringFactor, static_cast<double>(u * u * 6.0f) + 0.2);
    }

    if (!LoadRelaxed(settings.transformILocked)) DrawCatalogueIndex(random, settings.transformI);
    design.transformIndexI = LoadRelaxed(settings.transformI);
    const bool phased = random.NextCoin();
    if (phased || design.transformIndexI > 24) {
        design.transformPhase = 6.283185307179586 * static_cast<double>(random.NextUniform());
    } else {
        design.transformPhase = 0;
    }
    design.transformVariant = static_cast<int32_t>(random.NextWord() & 3u);
    if (!LoadRelaxed(settings.transformIILocked)) DrawCatalogueIndex(random, settings.transformII);
    design.transformIndexII = LoadRelaxed(settings.transformII);

    design.latticeOffsetX[12] = 0;
    design.latticeOffsetY[12] = 0;

    const bool rotating = random.NextCoin();
    design.omega = rotating ? CenteredUniform(random, 0.75f) : 0.0;

    const float margin = random.NextUniform() + 1.0f;

    const uint32_t amplitudeWord = random.NextWord();
    design.transformAmplitude = static_cast<double>(static_cast<float>(amplitudeWord) * 1.1641532e-10f + 0.25f);
    if (random.NextCoin()) design.transformAmplitude = -design.transformAmplitude;

    SelectTransformations(quilt);
    return margin;
}

struct AttemptResult {
    bool accepted;
    double largestStep;   // dMax
    double largestRadius; // M, the largest radius times the margin
};

// Draws one candidate (export digits, coefficients, start and reference points) and iterates it
// without plotting. It fails at the first step that breaks a test; the lower bounds are written
// so that a value that is not a number fails them.
AttemptResult RunAttempt(Quilt& quilt, int32_t number, float margin)
{
    RndField& random = quilt.orbit.random;
    QuiltDesign& design = quilt.design;
    Orbit& orbit = quilt.orbit;
    for (int i = 0; i < 6; ++i) StoreRelaxed(design.codeDigits[i], random.NextWord() & 3u);
    StoreRelaxed(quilt.searchAttempts, number);

    double coefficients[20];
    for (double& c : coefficients) c = CenteredUniform(random, 15.0f);
    design.alpha = coefficients[7];
    design.beta = coefficients[8];
    design.gamma = coefficients[9];
    design.lambda = coefficients[10];

    orbit.pointX = CenteredUniform(random, 0.25f);
    orbit.pointY = CenteredUniform(random, 0.25f);
    double referenceX = CenteredUniform(random, 0.25f);
    double referenceY = CenteredUniform(random, 0.25f);

    const double k = margin;
    double largestStep = 0;
    double largestRadius = 0;
    int closeReturns = 0;
    int stillRadii = 0;
    double sampledRadius = 0;
    const AttemptResult failed{false, 0, 0};

    for (int s = 0; s < stepsPerAttempt; ++s) {
        StepPoint(quilt);
        if (s > untestedSteps) {
            const double dy = orbit.nextY - orbit.pointY;
            const double dx = orbit.nextX - orbit.pointX;
            const double d = std::sqrt(dy * dy + dx * dx);
            if (!(d >= 0.001) || d > 20.0) return failed;
            if (d > largestStep) largestStep = d;
        }
        orbit.pointX = orbit.nextX;
        orbit.pointY = orbit.nextY;

        const double r = std::sqrt(orbit.pointY * orbit.pointY + orbit.pointX * orbit.pointX);
        if (r * k > largestRadius * k) largestRadius = r * k;
        if (!(r >= 0.001) || r > searchRadiusBound) return failed;

        if (random.NextCoin()) {
            const double ry = orbit.pointY - referenceY;
            const double rx = orbit.pointX - referenceX;
            if (ry * ry + rx * rx < 0.000001 && ++closeReturns > 50) return failed;
            referenceX = orbit.pointX;
            referenceY = orbit.pointY;
        }
        if (random.NextCoin()) {
            if (std::fabs(sampledRadius - r) < 0.00001 && ++stillRadii > 20) return failed;
            sampledRadius = r;
        }
    }
    return {true, largestStep, largestRadius};
}

// Fixes the lattice, the scale, the blur and the normaliser from the accepted orbit, and shows
// its transformation entries in the browsers.
void Accept(Quilt& quilt, Settings& settings, const AttemptResult& run)
{
    QuiltDesign& design = quilt.design;
    const double radius = run.largestRadius;
    LayLattice(design, radius);
    design.blurringFactor = LoadRelaxed(settings.blurringFactor);
    design.blurRadius = BlurRadiusFor(radius, design.blurringFactor);
    const double stepRange = run.largestStep + design.blurRadius;
    design.inverseStepRange = stepRange == 0 ? 0 : 1 / stepRange;
    quilt.pixelScale = quilt.periodHeight / (radius * 2.0) * 2.0;
    quilt.search = settings.search;
    quilt.acceptedX = quilt.orbit.pointX;
    quilt.acceptedY = quilt.orbit.pointY;
    quilt.orbitRestarts = 0;
    StoreRelaxed(settings.transformShownI, design.transformIndexI);
    StoreRelaxed(settings.transformShownII, design.transformIndexII);
    ShowEntry(settings.browserPageI, design.transformIndexI);
    ShowEntry(settings.browserPageII, design.transformIndexII);
    StoreRelaxed(quilt.searching, uint8_t{0});
}

// A checked search grows the orbit on copies with the lattice and the blur that acceptance would
// give it; one that fails counts as a failed attempt, and the search goes on from where the
// attempt left the generator.
bool PassesTheCheck(const Quilt& quilt, const Settings& settings, const AttemptResult& run)
{
    if (settings.search != Settings::Search::checked) return true;
    const double radius = run.largestRadius;
    return CheckOrbit(quilt, radius, BlurRadiusFor(radius, LoadRelaxed(settings.blurringFactor))) == OrbitVerdict::kept;
}

}  // namespace

void LayHexagon(QuiltDesign& design, bool turned)
{
    for (int i = 0; i < 6; ++i) {
        const double corner = i * sixthTurn + (turned ? twelfthTurn : 0.0);
        design.hexPointX[i] = std::sin(corner);
        design.hexPointY[i] = std::cos(corner);
        design.hexMidX[i] = std::sin(i * sixthTurn + twelfthTurn);
        design.hexMidY[i] = std::cos(i * sixthTurn + twelfthTurn);
    }
    design.hexPointX[6] = 0;
    design.hexPointY[6] = 0;
}

void LayLattice(QuiltDesign& design, double radius)
{
    design.latticeRadius = radius;
    for (int i = 0; i < 6; ++i) {
        const double angle = i * sixthTurn;
        design.latticeOffsetX[i] = std::sin(angle) * radius;
        design.latticeOffsetY[i] = std::cos(angle) * radius;
        design.latticeOffsetX[6 + i] = std::sin(angle + twelfthTurn) * radius * sqrtThree;
        design.latticeOffsetY[6 + i] = std::cos(angle + twelfthTurn) * radius * sqrtThree;
    }
    design.latticeOffsetX[12] = 0;
    design.latticeOffsetY[12] = 0;
}

bool SearchAttractor(Quilt& quilt, Settings& settings, std::stop_token stop)
{
    for (int32_t pass = 1;; ++pass) {
        StoreRelaxed(quilt.searchPasses, pass);
        const float margin = StartPass(quilt, settings);
        for (int32_t attempt = 1; attempt <= attemptsPerPass; ++attempt) {
            if (stop.stop_requested()) return false;
            const AttemptResult run = RunAttempt(quilt, attempt, margin);
            if (run.accepted && PassesTheCheck(quilt, settings, run)) {
                Accept(quilt, settings, run);
                return true;
            }
        }
    }
}

bool NewQuilt(Quilt& quilt, Settings& settings, std::stop_token stop)
{
    if (!LoadRelaxed(settings.colorMapLocked))
        GenerateKeyPointColorMap(quilt.colorMap, quilt.orbit.random, quilt.paletteRandom);

    RndField& random = quilt.orbit.random;
    const uint32_t wholeWord = random.NextWord();
    const uint32_t fifthsWord = random.NextWord();
    const float fifths = static_cast<float>(fifthsWord % 5u) * 0.2f;
    const double drawn = static_cast<double>(wholeWord % 6u + 5u) + static_cast<double>(fifths);
    StoreRelaxed(settings.brightness, drawn);

    if (!LoadRelaxed(settings.transformILocked)) StoreRelaxed(quilt.design.codeDigits[6], random.NextWord() % 28u);
    // A colour mapping chosen but not yet in force goes back to the one in force.
    StoreRelaxed(settings.colorMapping, quilt.colorMapping);
    return SearchAttractor(quilt, settings, stop);
}

}  // namespace tessalume
