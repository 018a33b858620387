#pragma once
#include <functional>
#include <vector>

// What the rules ask of the ground: the terrain's height (world y) under each (x, z) pair of
// points, one answer per pair, in the same order. The game answers from the flight's strip
// (TerrainStrip::heightsAt); tests and replays answer from what they know.
using Ground = std::function<void(const std::vector<float>& points, std::vector<float>& heights)>;
