#pragma once
// The fuzz targets' private scratch folder and their way of reporting a broken check.
#include <string>

namespace fuzzscratch {

// A folder under $TMPDIR (or /tmp) private to this process, removed with its files at exit.
const std::string& folder();

// Prints the failed check and aborts, so libFuzzer stores the input as a crash.
[[noreturn]] void fail(const std::string& what);

}  // namespace fuzzscratch
