// The tool's own words for what the operations log and box. The operations
// speak through the Windows programs' catalogs (their texts, typos and line
// ends kept for those programs); the tool looks each text up by its message
// and says it in its own English, one line each.
#pragma once
#include <string>

#include "drive/sense.h"

namespace kestrel::cli {

struct ToolLog {
  std::string text;     // the lines for stdout, each with "\n"
  std::string failure;  // what went wrong, for the one line on stderr; empty when nothing did
};

// A log or box text of the operations in the tool's words. A text that no
// message matches is kept, without "\r".
ToolLog ToolText(const std::string& logged);

// "sense 03/0C/00 (write error)".
std::string SenseText(const SenseCodes& codes);

}  // namespace kestrel::cli
