#pragma once
// Every file the game keeps for the player (the table, its picture, the settings) is replaced
// whole through here: a temporary file beside it, synced, then renamed over it, so a crash or a
// full disk leaves the old content or the new one, never half of it.
#include <cstddef>
#include <string>

namespace files {

// The file path names, with every symbolic link on the way followed while it is the player's
// own (or root's, the system's); a missing tail is kept as it is. False, with one line for the
// player in problem, at a link that belongs to another user: in a folder others can write to,
// their link would make the game overwrite whatever private file it points to.
bool resolveOwnLinks(const std::string& path, std::string* resolved, std::string* problem);

// Replaces path with size bytes through a temporary "<file>.XXXXXX" beside the file path
// resolves to; a link of the player's stays a link and its target is replaced. False with
// errno set and the reason in problem (when given) on failure; the old file is then untouched.
bool replaceFile(const std::string& path, const void* data, std::size_t size, std::string* problem = nullptr);

// Test hook: every replacement stops after its temporary file has been written and synced,
// just before the rename, as a crash would; the temporary is removed. Off in the game.
extern bool simulateFailureBeforeRename;

// Whether name is the name of a replacement's temporary of file: "<file>.XXXXXX".
bool isTemporaryOf(const std::string& name, const std::string& file);

// Removes the temporaries of file (by its resolved name) that replacements cut short by a
// crash or a kill left behind. A replacement holds a lock on its temporary while it writes it,
// so the temporaries of a game running beside this one stay; with keepYoung, so does every one
// younger than a minute. Returns how many were removed.
int removeLeftoverTemporaries(const std::string& file, bool keepYoung);

}  // namespace files
