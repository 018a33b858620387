#include "platform/audio/Playlist.h"

#include <cctype>

namespace audio {

namespace {

std::string trim(const std::string& s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(s[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1]))) --end;
    return s.substr(begin, end - begin);
}

bool startsWithNoCase(const std::string& s, const char* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= s.size()) return false;
        if (std::toupper(static_cast<unsigned char>(s[i])) != std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

bool endsWithNoCase(const std::string& s, const std::string& suffix) {
    if (s.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) !=
            std::tolower(static_cast<unsigned char>(suffix[i])))
            return false;
    }
    return true;
}

}  // namespace

std::vector<PlaylistEntry> parseM3U(const std::string& text) {
    std::vector<PlaylistEntry> entries;
    size_t pos = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;

    std::string pendingTitle;
    bool havePendingTitle = false;
    while (pos <= text.size()) {
        // A line ends at LF, CR-LF or a lone CR (old Mac files): a CR never stays inside a name.
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;

        if (line.empty()) continue;
        if (line[0] == '#') {
            if (startsWithNoCase(line, "#EXTINF:")) {
                const size_t comma = line.find(',');
                pendingTitle = comma == std::string::npos ? std::string() : trim(line.substr(comma + 1));
                havePendingTitle = true;
            }
            continue;
        }
        PlaylistEntry entry;
        entry.file = line;
        // Playlists written on Windows separate folders with backslashes.
        for (char& c : entry.file)
            if (c == '\\') c = '/';
        entry.title = pendingTitle;
        entry.hasTitle = havePendingTitle;
        entries.push_back(entry);
        pendingTitle.clear();
        havePendingTitle = false;
    }
    return entries;
}

bool hasPlaylistExtension(const std::string& path) {
    return endsWithNoCase(path, ".m3u") || endsWithNoCase(path, ".m3u8");
}

bool hasPlaylistHeader(const std::string& head) {
    std::string h = head;
    if (h.compare(0, 3, "\xEF\xBB\xBF") == 0) h.erase(0, 3);
    return startsWithNoCase(h, "#EXTM3U");
}

}  // namespace audio
