// Questions on stderr. --yes answers them; without a terminal and without
// --yes nothing is answered yes.
#pragma once
#include <string>

#include "cli/terminal.h"

namespace kestrel::cli {

class Prompter {
 public:
  Prompter(Terminal& terminal, bool assumeYes) : terminal_(terminal), assumeYes_(assumeYes) {}
  // True only for "y" or "yes" typed at a terminal, or --yes.
  bool Confirm(const std::string& question);
  // Whether a question went unanswered because there was no terminal.
  bool RefusedWithoutTerminal() const { return refusedWithoutTerminal_; }
  bool CanAsk() const { return assumeYes_ || terminal_.Interactive(); }
  Terminal& GetTerminal() { return terminal_; }

 private:
  Terminal& terminal_;
  bool assumeYes_;
  bool refusedWithoutTerminal_ = false;
};

// The text a refusal without a terminal prints.
constexpr const char* kNeedsYes =
    "no terminal to ask: nothing was changed (pass --yes to answer yes)";

}  // namespace kestrel::cli
