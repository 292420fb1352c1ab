#include "cli/prompter.h"

#include <algorithm>
#include <cctype>

namespace kestrel::cli {

bool Prompter::Confirm(const std::string& question) {
  std::ostream& err = terminal_.Err();
  if (assumeYes_) {
    err << question << " yes (--yes)\n";
    return true;
  }
  if (!terminal_.Interactive()) {
    err << question << "\n";
    refusedWithoutTerminal_ = true;
    return false;
  }
  err << question << " [y/N] " << std::flush;
  std::optional<std::string> answer = terminal_.ReadLine();
  if (!answer) return false;
  std::string word = *answer;
  std::transform(word.begin(), word.end(), word.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return word == "y" || word == "yes";
}

}  // namespace kestrel::cli
