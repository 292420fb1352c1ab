// Whole-file reads and writes of the tool.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::cli {

bool ReadTextFile(const std::string& path, std::string& text);
// Written beside as path.new and renamed over it, so that a failure never
// leaves a part of the file in its place.
bool WriteTextFileAtomically(const std::string& path, const std::string& text);

}  // namespace kestrel::cli
