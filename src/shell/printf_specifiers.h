// The conversion specifiers of a printf format, in order, for checks that an
// English text and its Japanese twin take the same arguments.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// "%d sec %.4s %%" gives {"%d", "%.4s"}; "%%" is not a conversion.
std::vector<std::string> PrintfSpecifiers(std::string_view format);

}  // namespace kestrel
