#pragma once
#include <string>
#include <vector>

namespace audio {

// One entry of an M3U playlist: the file text as written (the caller resolves it against
// the playlist's folder) and the title of its #EXTINF line, if it had one.
struct PlaylistEntry {
    std::string file;
    std::string title;
    bool hasTitle = false;
};

// Parses M3U text, plain or extended: blank lines and comments are skipped, CR-LF and a
// UTF-8 byte-order mark are tolerated, surrounding spaces are trimmed, backslashes become
// slashes, and an #EXTINF line
// ("#EXTINF:seconds,Title") gives the title of the entry that follows it.
std::vector<PlaylistEntry> parseM3U(const std::string& text);

// "#EXTM3U" at the start of a file's text (after an optional byte-order mark).
bool hasPlaylistHeader(const std::string& head);
// A .m3u or .m3u8 name, in any case.
bool hasPlaylistExtension(const std::string& path);

}  // namespace audio
