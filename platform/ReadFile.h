#pragma once
#include <cstddef>
#include <string>

// Every data file the game reads goes through here: only regular files (a FIFO, a device or a
// directory is refused without blocking), and never more than a limit that fits what the
// caller needs, so a damaged or hostile file cannot hang the game or exhaust memory.
namespace files {

// Size limits of the file kinds the game reads.
constexpr std::size_t kTextLimit = 4u << 20;      // high-score table, playlist, shader source
constexpr std::size_t kModelLimit = 64u << 20;    // OBJ and MTL
constexpr std::size_t kPictureLimit = 64u << 20;  // JPEG, PNG, DDS
constexpr std::size_t kSoundLimit = 64u << 20;    // sound effects and music titles

enum class ReadStatus { Ok, Missing, NotRegular, TooLarge, Failed };

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::string data;
    int error = 0;  // errno of a failed open or read
    bool ok() const { return status == ReadStatus::Ok; }
};

// Opens path for reading if it is a regular file of at most limit bytes (following symbolic
// links) and returns the descriptor, in blocking mode, for a reader that needs one (a decoder
// that streams). Otherwise returns -1 with the reason in why's status and error.
int openRegularFile(const std::string& path, std::size_t limit, ReadResult* why = nullptr);

// Reads the whole of path (following symbolic links to their target) if it is a regular file
// of at most limit bytes.
ReadResult readRegularFile(const std::string& path, std::size_t limit);

// A short English reason for a failed read, for messages ("not a regular file", ...).
std::string describe(const ReadResult& result);

// True when path names a regular file (after following links) that can be opened for reading
// without blocking.
bool isReadableRegularFile(const std::string& path);

}  // namespace files
