#pragma once
#include <cstdint>
#include <vector>

// The ground's volumes as its shader reads them. The ground shows a finer grain near the camera:
// the same slice again at five times the frequency, shifted, its mean colour added at 0.6 to
// the plain read's. Both are linear in the volume's texels, so their sum is baked in here into
// a volume five times as wide and high, whose texels sit where both reads' texels lie: one read
// a pixel gives what two gave, to the rounding of the last bit.
namespace groundgrain {

constexpr int kScale = 5;

// Whether a volume of width x height x depth is baked: not where the baked one would be more
// than a ground needs (a damaged file's); such a volume is drawn as read, without grain.
bool bakes(int width, int height, int depth);

// One slice: rgba holds its width x height texels of four bytes, rows along the width, and
// tiles. out gets the (kScale width) x (kScale height) texels of four bytes with the grain in.
// Slice by slice, so that the loader holds one baked slice at a time, not a baked volume.
void bakeSlice(const uint8_t* rgba, int width, int height, std::vector<uint8_t>& out);

}  // namespace groundgrain
