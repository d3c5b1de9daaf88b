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
    {"sim data [--json]", "every SIMOBJECT_DATA message sent to a client, oldest first"},
    {"sim choose CLIENT ITEM",
     "choose a menu item (\"About...\", \"Kestrix/About...\") or a menu text entry "
     "(its text or 0-9) of the client"},
    {"sim set VAR VALUE",
     "set an aircraft variable (MHz for COM/NAV, kHz for ADF, octal code, 0/1), or "
     "radio-tuning standby|active"},
    {"sim get VAR", "read an aircraft variable, or radio-tuning, as sim set takes it"},
    {"sim radios [--json]", "the aircraft's radios, transponder, avionics and panel light"},
    {"board add SERIAL --model MODEL [--variant N] [--vendor VID] [--product PID] "
     "[--order ORDER] [--special-input LENGTH] [--special-output LENGTH]",
     "plug in a board: MODEL 3401 (radio panel), 3402 (transponder), any 4 hex digits, "
     "or blank; N 0-255 (default 1); VID, PID hex (default 1FD1, 03E8); ORDER pin-first "
     "(default) or special-first (the pin interface waits for board complete); LENGTH the "
     "special-mode interface's report length, 1-64 bytes (default 8)"},
    {"board complete SERIAL", "list the pin interface of a board added --order special-first"},
    {"board remove SERIAL", "unplug a board"},
    {"board press SERIAL KEY", "press key 1-128 of a board"},
    {"board release SERIAL KEY", "release key 1-128 of a board"},
    {"board show SERIAL [--json]",
     "what a board shows: its 32 digit positions, lit LEDs, ports, modes and pressed keys"},
    {"board list [--json]", "the plugged boards"},
    {"board reports SERIAL [--json]",
     "every report a board sent (in) and took (out), oldest first, with when"},
    {"board fault SERIAL FAULT VALUE",
     "set a fault of a board: stall-writes, drop-replies, iic-error, partial-keys on|off, "
     "or reply-delay MS"},
    {"board send SERIAL INTERFACE BYTES",
     "send an input report the board was not asked for: BYTES hex (0302DEAD), as they are"},
    {"peer notices [--json]", "the notices the peer window received, oldest first"},
    {"fsuipc writes [--json]",
     "every write the FSUIPC server performed, oldest first: offset, size, bytes"},
    {"fsuipc get OFFSET SIZE [--json]",
     "read the offset memory: OFFSET hex (3304 or 0x3304), SIZE 1-4 bytes"},
    {"fsuipc set OFFSET SIZE VALUE",
     "write the offset memory: VALUE decimal (may be negative) or 0x-hex"},
    {"fsuipc answer MODE",
     "answer exchanges normal, bad (0), silent (too late) or garbage (bad read counts)"},
    {"fsuipc window KIND", "the server's window: uipcmain (FSUIPC), fs98main (WideClient) or off"},
    {"fsuipc clear", "forget the logged writes"},
    {"fsuipc status [--json]", "the window, the answer mode and the exchanges received"},
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

struct FormOption {
  std::string_view name;  // "--model"
  bool required = false;
};

// Takes the "--name VALUE" and "[--name VALUE]" tokens out of a form's tokens.
std::vector<FormOption> takeOptions(std::vector<std::string_view>& tokens) {
  std::vector<FormOption> options;
  std::vector<std::string_view> rest;
  for (size_t i = 0; i < tokens.size(); ++i) {
    bool optional = tokens[i].starts_with("[--") && !tokens[i].ends_with("]");
    bool required = tokens[i].starts_with("--");
    if ((optional || required) && i + 1 < tokens.size()) {
      options.push_back({tokens[i].substr(optional ? 1 : 0), required});
      ++i;  // its VALUE
    } else {
      rest.push_back(tokens[i]);
    }
  }
  tokens = rest;
  return options;
}

// Moves the options of the form out of words; false when one lacks its
// value, is given twice, or a required one is missing.
bool matchOptions(const std::vector<FormOption>& options, std::vector<std::string>& words,
                  MatchedCommand& matched) {
  for (const FormOption& option : options) {
    auto given = std::find(words.begin(), words.end(), option.name);
    if (given == words.end()) {
      if (option.required) return false;
      continue;
    }
    if (given + 1 == words.end()) return false;
    matched.options.emplace_back(*given, *(given + 1));
    words.erase(given, given + 2);
    if (std::find(words.begin(), words.end(), option.name) != words.end()) return false;
  }
  return true;
}

std::optional<MatchedCommand> match(const CommandForm& form, std::vector<std::string> words) {
  auto tokens = split(form.form);
  bool takesJson = !tokens.empty() && tokens.back() == kJsonFlag;
  if (takesJson) tokens.pop_back();
  auto options = takeOptions(tokens);
  MatchedCommand matched{form.form, {}, false, {}};
  if (takesJson) {
    auto flag = std::find(words.begin(), words.end(), "--json");
    if (flag != words.end()) {
      matched.json = true;
      words.erase(flag);
    }
  }
  if (!matchOptions(options, words, matched)) return std::nullopt;
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

std::optional<std::string> MatchedCommand::option(std::string_view name) const {
  for (const auto& [given, value] : options)
    if (given == name) return value;
  return std::nullopt;
}

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
