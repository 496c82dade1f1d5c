// Placeholder until the catalogues land.
#include "engine/engine.h"
#include "imaging/imaging.h"

namespace tessalume {
double SignedRootWave(double) { return 0; }
namespace {
void Identity() {}
void SquaredRadius() { fieldTerm = pointX * pointX + pointY * pointY; }
}  // namespace
const EngineFunction transformationCatalogueI[catalogueSize] = {
    SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius,
    SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius,
    SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius,
    SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius,
    SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius, SquaredRadius};
const EngineFunction transformationCatalogueII[catalogueSize] = {
    Identity, Identity, Identity, Identity, Identity, Identity, Identity, Identity, Identity, Identity,
    Identity, Identity, Identity, Identity, Identity, Identity, Identity, Identity, Identity, Identity,
    Identity, Identity, Identity, Identity, Identity, Identity, Identity, Identity, Identity, Identity};
}  // namespace tessalume
