#pragma once
#include <cstddef>
#include <cstdint>

// Cheap structural checks of picture files before the image library decodes them: the
// library crashes on some damaged DDS headers and spins on PNGs with broken chunk lengths,
// and a few kilobytes of PNG or JPEG can declare gigabytes of pixels. Formats that are not
// recognised here pass (the decoder reports them itself).
namespace imagecheck {

// The largest side of a picture the game draws; larger ones are refused before decoding.
constexpr uint32_t kMaxSide = 4096;

// True when the bytes are a PNG whose chunks all fit the data and carry matching CRCs,
// starting with IHDR (with sides of 1 to kMaxSide) and ending with IEND.
bool pngIsSound(const unsigned char* data, std::size_t size);

// True when the bytes are a DDS whose header sizes, pitch, bit count and masks agree and
// whose data is long enough for what the header describes, with sides of at most kMaxSide.
bool ddsIsSound(const unsigned char* data, std::size_t size);

// True when every frame header of a JPEG before its first scan gives sides of 1 to kMaxSide.
// Only the markers are walked, as the decoder walks them; the rest is the decoder's to judge.
bool jpegIsSound(const unsigned char* data, std::size_t size);

// Dispatches on the signature: PNG, DDS and JPEG are checked, anything else passes.
bool bufferIsSound(const unsigned char* data, std::size_t size);

uint32_t crc32(const unsigned char* data, std::size_t size, uint32_t crc = 0);

}  // namespace imagecheck
