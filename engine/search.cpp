#include <algorithm>
#include <cmath>

#include "engine/engine.h"
#include "engine/relaxed.h"
#include "files/files.h"
#include "imaging/imaging.h"
#include "ui/controls.h"

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
double CenteredUniform(float scale)
{
    const float u1 = engineRandom.NextUniform();
    const float u2 = engineRandom.NextUniform();
    return static_cast<double>((u1 - u2) * scale);
}

// A catalogue index: on an even word, a coin chooses a squared uniform (low entries likelier)
// or a plain word modulo 30; on an odd word the index stays.
void DrawCatalogueIndex(int32_t& index)
{
    if (engineRandom.NextWord() % 2 != 0) return;
    const bool squared = engineRandom.NextCoin();
    const uint32_t word = engineRandom.NextWord();
    if (squared) {
        const float u = static_cast<float>(word) * 2.3283064e-10f;
        StoreRelaxed(index, static_cast<int32_t>(std::min(32.0f * (u * u), 29.0f)));
    } else {
        StoreRelaxed(index, static_cast<int32_t>(word % 30u));
    }
}

// The page of a browser that shows the given entry.
void ShowEntry(TSelector& browser, int32_t index)
{
    if (index >= 0 && index < 10) StoreRelaxed(browser.firstShown, 0);
    else if (index >= 10 && index < 20) StoreRelaxed(browser.firstShown, 10);
    else if (index >= 20 && index < 40) StoreRelaxed(browser.firstShown, 20);
}

// Draws the shape settings of one search pass; returns the lattice margin k.
float StartPass()
{
    searching.store(1, std::memory_order_relaxed);

    LayHexagon(engineRandom.NextCoin());

    powerExponent = powerOfSymmetryDraw[engineRandom.NextWord() % 5u];
    transformFrequency = frequencyOfDraw[engineRandom.NextWord() & 3u];

    // The locks, the blurring factor, the transformation indices and the controls that show
    // them are the interface's too: each is read and written whole (relaxed atomics).
    if (!LoadRelaxed(blurringLock.on)) {
        const float u = engineRandom.NextUniform();
        StoreRelaxed(blurringFactor, static_cast<double>(u * u * 6.0f) + 0.2);
    }
    StoreRelaxed(blurringSlider.value[0], static_cast<float>(LoadRelaxed(blurringFactor)));

    if (!LoadRelaxed(transformLockI.on)) DrawCatalogueIndex(transformIndexI);
    const bool phased = engineRandom.NextCoin();
    if (phased || LoadRelaxed(transformIndexI) > 24) {
        transformPhase = 6.283185307179586 * static_cast<double>(engineRandom.NextUniform());
    } else {
        transformPhase = 0;
    }
    transformVariant = static_cast<int32_t>(engineRandom.NextWord() & 3u);
    if (!LoadRelaxed(transformLockII.on)) DrawCatalogueIndex(transformIndexII);

    latticeOffsetX[12] = 0;
    latticeOffsetY[12] = 0;

    const bool rotating = engineRandom.NextCoin();
    omega = rotating ? CenteredUniform(0.75f) : 0.0;

    const float margin = engineRandom.NextUniform() + 1.0f;

    const uint32_t amplitudeWord = engineRandom.NextWord();
    transformAmplitude = static_cast<double>(static_cast<float>(amplitudeWord) * 1.1641532e-10f + 0.25f);
    if (engineRandom.NextCoin()) transformAmplitude = -transformAmplitude;

    SelectTransformationI();
    SelectTransformationII();
    SelectPlotFunction();
    SelectIntensityFunction();
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
AttemptResult RunAttempt(int32_t number, float margin)
{
    for (int i = 0; i < 6; ++i) StoreRelaxed(codeDigits[i], engineRandom.NextWord() & 3u);
    searchAttempts.store(number, std::memory_order_relaxed);

    double coefficients[20];
    for (double& c : coefficients) c = CenteredUniform(15.0f);
    alpha = coefficients[7];
    beta = coefficients[8];
    gamma = coefficients[9];
    lambda = coefficients[10];

    pointX = CenteredUniform(0.25f);
    pointY = CenteredUniform(0.25f);
    double referenceX = CenteredUniform(0.25f);
    double referenceY = CenteredUniform(0.25f);

    const double k = margin;
    double largestStep = 0;
    double largestRadius = 0;
    int closeReturns = 0;
    int stillRadii = 0;
    double sampledRadius = 0;
    const AttemptResult failed{false, 0, 0};

    for (int s = 0; s < stepsPerAttempt; ++s) {
        StepPoint();
        if (s > untestedSteps) {
            const double dy = nextY - pointY;
            const double dx = nextX - pointX;
            const double d = std::sqrt(dy * dy + dx * dx);
            if (!(d >= 0.001) || d > 20.0) return failed;
            if (d > largestStep) largestStep = d;
        }
        pointX = nextX;
        pointY = nextY;

        const double r = std::sqrt(pointY * pointY + pointX * pointX);
        if (r * k > largestRadius * k) largestRadius = r * k;
        if (!(r >= 0.001) || r > 5.0) return failed;

        if (engineRandom.NextCoin()) {
            const double ry = pointY - referenceY;
            const double rx = pointX - referenceX;
            if (ry * ry + rx * rx < 0.000001 && ++closeReturns > 50) return failed;
            referenceX = pointX;
            referenceY = pointY;
        }
        if (engineRandom.NextCoin()) {
            if (std::fabs(sampledRadius - r) < 0.00001 && ++stillRadii > 20) return failed;
            sampledRadius = r;
        }
    }
    return {true, largestStep, largestRadius};
}

// Fixes the lattice, the scale, the blur and the normaliser from the accepted orbit.
void Accept(const AttemptResult& run)
{
    const double radius = run.largestRadius;
    LayLattice(radius);
    const double blur = BlurRadiusFor(radius, LoadRelaxed(blurringFactor));
    StoreRelaxed(blurRadius, blur);
    const double stepRange = run.largestStep + blur;
    inverseStepRange = stepRange == 0 ? 0 : 1 / stepRange;
    pixelScale = periodHeight / (radius * 2.0) * 2.0;
    const int32_t indexI = LoadRelaxed(transformIndexI), indexII = LoadRelaxed(transformIndexII);
    StoreRelaxed(transformShownI, indexI);
    StoreRelaxed(transformShownII, indexII);
    ShowEntry(transformBrowserI, indexI);
    ShowEntry(transformBrowserII, indexII);
    searching.store(0, std::memory_order_relaxed);
}

}  // namespace

void LayHexagon(bool turned)
{
    for (int i = 0; i < 6; ++i) {
        const double corner = i * sixthTurn + (turned ? twelfthTurn : 0.0);
        hexPointX[i] = std::sin(corner);
        hexPointY[i] = std::cos(corner);
        hexMidX[i] = std::sin(i * sixthTurn + twelfthTurn);
        hexMidY[i] = std::cos(i * sixthTurn + twelfthTurn);
    }
    hexPointX[6] = 0;
    hexPointY[6] = 0;
}

void LayLattice(double radius)
{
    StoreRelaxed(latticeRadius, radius);  // a blurring drag reads it
    for (int i = 0; i < 6; ++i) {
        const double angle = i * sixthTurn;
        latticeOffsetX[i] = std::sin(angle) * radius;
        latticeOffsetY[i] = std::cos(angle) * radius;
        latticeOffsetX[6 + i] = std::sin(angle + twelfthTurn) * radius * sqrtThree;
        latticeOffsetY[6 + i] = std::cos(angle + twelfthTurn) * radius * sqrtThree;
    }
    latticeOffsetX[12] = 0;
    latticeOffsetY[12] = 0;
}

void SearchAttractor()
{
    for (searchPasses = 1;; ++searchPasses) {
        const float margin = StartPass();
        for (int32_t attempt = 1; attempt <= attemptsPerPass; ++attempt) {
            const AttemptResult run = RunAttempt(attempt, margin);
            if (run.accepted) {
                Accept(run);
                return;
            }
        }
    }
}

// The default export name is formed by whoever is about to use it (the export commands, the
// renderer): formed here, on the worker, it would be a string written while the interface
// thread reads it, and every use forms it afresh anyway.
void NewQuilt()
{
    if (!LoadRelaxed(colorMapLock.on)) GenerateKeyPointColorMap();

    const uint32_t wholeWord = engineRandom.NextWord();
    const uint32_t fifthsWord = engineRandom.NextWord();
    const float fifths = static_cast<float>(fifthsWord % 5u) * 0.2f;
    const double drawn = static_cast<double>(wholeWord % 6u + 5u) + static_cast<double>(fifths);
    StoreRelaxed(brightness, drawn);
    StoreRelaxed(brightnessSlider.value[0], static_cast<float>(drawn));

    SelectIntensityFunction();
    if (!LoadRelaxed(transformLockI.on)) StoreRelaxed(codeDigits[6], engineRandom.NextWord() % 28u);
    StoreRelaxed(colorMappingList.selected, colorMappingIndex);
    SearchAttractor();
}

}  // namespace tessalume
