#pragma once
#include <string>

namespace threads {

// Gives each thread of this process named prefix followed by a number (N) a core of its own:
// the N-th, in turn, of the cores the calling thread may run on. Returns how many threads it
// pinned: none where those cores are fewer than two or no thread has such a name. Threads of
// other names, the caller among them, keep the cores they had.
int spreadOverCores(const std::string& prefix);

}  // namespace threads
