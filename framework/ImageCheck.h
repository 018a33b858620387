#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Cheap structural checks of picture files before the image library decodes them: the
// library crashes on some damaged DDS headers and spins on PNGs with broken chunk lengths.
// Formats that are not recognised here pass (the decoder reports them itself).
namespace imagecheck {

// True when the bytes are a PNG whose chunks all fit the data and carry matching CRCs,
// starting with IHDR and ending with IEND.
bool pngIsSound(const unsigned char* data, std::size_t size);

// True when the bytes are a DDS whose header sizes, pitch, bit count and masks agree and
// whose data is long enough for what the header describes.
bool ddsIsSound(const unsigned char* data, std::size_t size);

// Dispatches on the signature: PNG and DDS are checked, anything else passes.
bool bufferIsSound(const unsigned char* data, std::size_t size);

// Reads the file and checks it; a file that cannot be read fails.
bool fileIsSound(const std::string& path);

uint32_t crc32(const unsigned char* data, std::size_t size, uint32_t crc = 0);

}  // namespace imagecheck
