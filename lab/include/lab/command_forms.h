#pragma once
// The commands a running lab answers, written as forms: literal words in
// lower case, ARGUMENTS in upper case, "[--json]" where the command can
// answer in JSON, and options that take a value, "--name VALUE" (required)
// or "[--name VALUE]", given in any order after the command's words. Both
// `kestrix-lab` (to check usage before it asks) and the lab (to dispatch)
// match requests against this one table. A new family of commands (board,
// fsuipc, peer) adds its forms here and a handler of its own.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lab::control {

struct CommandForm {
  std::string_view form;     // "sim choose CLIENT ITEM"
  std::string_view summary;  // one line for `kestrix-lab help`
};

std::span<const CommandForm> commandForms();

struct MatchedCommand {
  std::string_view form;               // the form it matched
  std::vector<std::string> arguments;  // the words in the ARGUMENT places, in order
  bool json = false;                   // --json was given
  std::vector<std::pair<std::string, std::string>> options = {};  // {"--model", "3401"}

  // The value given to an option, if it was given.
  std::optional<std::string> option(std::string_view name) const;
};

// The form the words match, if any (words[0] is the family: "sim").
std::optional<MatchedCommand> matchCommand(const std::vector<std::string>& words);

// Whether any form starts with this family word.
bool isFamily(std::string_view family);

// The forms whose words start with these words, one per line with their
// summaries ("  kestrix-lab sim clients [--json]   who is connected").
std::string usageOf(const std::vector<std::string>& leadingWords);

}  // namespace lab::control
