#include "lab/command_forms.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace lab::control {
namespace {

constexpr std::string_view kJsonFlag = "[--json]";

constexpr CommandForm kForms[] = {
    {"sim flight start", "start a flight: \"SimStart\" to subscribers, \"Sim\" state 1"},
    {"sim flight stop", "stop the flight: \"SimStop\" to subscribers, \"Sim\" state 0"},
    {"sim quit", "quit the simulator: QUIT to every client, then close"},
    {"sim break", "break every connection at once, without QUIT"},
    {"sim refuse on", "refuse new connections (their Open fails)"},
    {"sim refuse off", "accept connections again"},
    {"sim clients [--json]", "clients that connected, and whether they still are"},
    {"sim menus [--json]", "add-on menu items and open menu texts of connected clients"},
    {"sim texts [--json]", "every text shown, oldest first"},
    {"sim events [--json]", "every client event transmitted, oldest first"},
    {"sim exceptions [--json]", "every EXCEPTION sent to a client, oldest first"},
    {"sim choose CLIENT ITEM",
     "choose a menu item (\"About...\", \"Kestrix/About...\") or a menu text entry "
     "(its text or 0-9) of the client"},
    {"sim set VAR VALUE", "set an aircraft variable (not modelled yet)"},
    {"sim get VAR", "read an aircraft variable (not modelled yet)"},
};

std::vector<std::string_view> split(std::string_view form) {
  std::vector<std::string_view> tokens;
  size_t start = 0;
  while (start < form.size()) {
    size_t end = form.find(' ', start);
    if (end == std::string_view::npos) end = form.size();
    tokens.push_back(form.substr(start, end - start));
    start = end + 1;
  }
  return tokens;
}

bool isArgument(std::string_view token) {
  return !token.empty() && std::all_of(token.begin(), token.end(), [](char c) {
    return std::isupper(static_cast<unsigned char>(c)) || c == '_';
  });
}

std::optional<MatchedCommand> match(const CommandForm& form, std::vector<std::string> words) {
  auto tokens = split(form.form);
  bool takesJson = !tokens.empty() && tokens.back() == kJsonFlag;
  if (takesJson) tokens.pop_back();
  MatchedCommand matched{form.form, {}, false};
  if (takesJson) {
    auto flag = std::find(words.begin(), words.end(), "--json");
    if (flag != words.end()) {
      matched.json = true;
      words.erase(flag);
    }
  }
  if (words.size() != tokens.size()) return std::nullopt;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (isArgument(tokens[i]))
      matched.arguments.push_back(words[i]);
    else if (tokens[i] != words[i])
      return std::nullopt;
  }
  return matched;
}

}  // namespace

std::span<const CommandForm> commandForms() { return kForms; }

std::optional<MatchedCommand> matchCommand(const std::vector<std::string>& words) {
  for (const CommandForm& form : kForms)
    if (auto matched = match(form, words)) return matched;
  return std::nullopt;
}

bool isFamily(std::string_view family) {
  return std::any_of(std::begin(kForms), std::end(kForms),
                     [&](const CommandForm& form) { return split(form.form)[0] == family; });
}

std::string usageOf(const std::vector<std::string>& leadingWords) {
  std::ostringstream out;
  for (const CommandForm& form : kForms) {
    auto tokens = split(form.form);
    if (leadingWords.size() > tokens.size() ||
        !std::equal(leadingWords.begin(), leadingWords.end(), tokens.begin()))
      continue;
    std::string line = "  kestrix-lab " + std::string(form.form);
    line.resize(std::max<size_t>(line.size() + 2, 44), ' ');
    out << line << form.summary << "\n";
  }
  return out.str();
}

}  // namespace lab::control
