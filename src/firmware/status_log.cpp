#include "firmware/status_log.h"

namespace kestrel {

void StatusLog::appendToLog(std::string_view text) {
  messageLog_.append(text);
  Show(true);
}

void StatusLog::showLog(std::string_view text) {
  messageLog_.append(text);
  Show(false);
}

void StatusLog::Replace(std::string_view text) { messageLog_.assign(text); }

}  // namespace kestrel
