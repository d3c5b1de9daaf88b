#include "lab/world_file.h"

#include "boards/board_words.h"
#include "world/aircraft_keys.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace lab {
namespace {

std::string trim(std::string_view text) {
  auto notBlank = [](unsigned char c) { return !std::isspace(c); };
  auto begin = std::find_if(text.begin(), text.end(), notBlank);
  auto end = std::find_if(text.rbegin(), text.rend(), notBlank).base();
  return begin < end ? std::string(begin, end) : std::string();
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string withoutComment(std::string_view line) {
  size_t comment = line.find_first_of(";#");
  return trim(line.substr(0, comment));
}

bool parseSwitch(const std::string& written, const char* on, const char* off, bool& out) {
  std::string value = lowerCase(written);
  if (value == on) {
    out = true;
    return true;
  }
  if (value == off) {
    out = false;
    return true;
  }
  return false;
}

// One key of a section: sets it from the value as written; false with a
// reason when the value does not fit.
using KeySetter = std::function<bool(const std::string& value, WorldSettings&, std::string&)>;

const std::map<std::string, std::map<std::string, KeySetter>>& sections() {
  static const std::map<std::string, std::map<std::string, KeySetter>> table = {
      {"simulator",
       {
           {"flight",
            [](const std::string& v, WorldSettings& w, std::string& why) {
              if (parseSwitch(v, "running", "stopped", w.flightRunning)) return true;
              why = "flight is running or stopped";
              return false;
            }},
           {"tcp-port",
            [](const std::string& v, WorldSettings& w, std::string& why) {
              auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), w.tcpPort);
              if (error == std::errc() && end == v.data() + v.size()) return true;
              why = "tcp-port is a number from 0 to 65535";
              return false;
            }},
           {"refuse",
            [](const std::string& v, WorldSettings& w, std::string& why) {
              if (parseSwitch(v, "on", "off", w.refusing)) return true;
              why = "refuse is on or off";
              return false;
            }},
       }},
      {"aircraft", world::aircraftKeys()},
      {"peer",
       {
           {"window",
            [](const std::string& v, WorldSettings& w, std::string& why) {
              if (parseSwitch(v, "on", "off", w.peerWindow)) return true;
              why = "window is on or off";
              return false;
            }},
       }},
      {"fsuipc",
       {
           {"window",
            [](const std::string& v, WorldSettings& w, std::string& why) {
              if (lowerCase(v) == "off") {
                w.fsuipcWindow.reset();
                return true;
              }
              if (auto kind = windowKindNamed(v)) {
                w.fsuipcWindow = *kind;
                return true;
              }
              why = "window is uipcmain, fs98main or off";
              return false;
            }},
           {"answer",
            [](const std::string& v, WorldSettings& w, std::string& why) {
              if (auto mode = answerModeNamed(v)) {
                w.fsuipcAnswer = *mode;
                return true;
              }
              why = "answer is normal, bad, silent or garbage";
              return false;
            }},
       }},
  };
  return table;
}

}  // namespace

bool parseWorld(std::string_view text, const std::string& fileName, WorldSettings& world,
                std::string& error) {
  std::istringstream lines{std::string(text)};
  std::string raw;
  const std::map<std::string, KeySetter>* section = nullptr;
  std::string sectionName;
  bool inBoard = false, listedBoards = false;  // [board SERIAL] sections
  for (int number = 1; std::getline(lines, raw); ++number) {
    auto fail = [&](const std::string& why) {
      error = fileName + ":" + std::to_string(number) + ": " + why;
      return false;
    };
    std::string line = withoutComment(raw);
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (line.back() != ']') return fail("a section line is [name]");
      std::string sectionText = trim(std::string_view(line).substr(1, line.size() - 2));
      inBoard = boards::isBoardSection(sectionText);
      if (inBoard) {
        std::string why;
        if (!boards::startBoardSection(sectionText, !listedBoards, world, why)) return fail(why);
        listedBoards = true;
        continue;
      }
      sectionName = lowerCase(trim(std::string_view(line).substr(1, line.size() - 2)));
      auto found = sections().find(sectionName);
      if (found == sections().end()) return fail("unknown section [" + sectionName + "]");
      section = &found->second;
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos) return fail("expected key = value");
    if (!section && !inBoard) return fail("a key before any [section]");
    std::string key = lowerCase(trim(std::string_view(line).substr(0, equals)));
    std::string value = trim(std::string_view(line).substr(equals + 1));
    if (inBoard) {
      std::string why;
      if (!boards::setBoardKey(key, value, world, why)) return fail(why);
      continue;
    }
    auto setter = section->find(key);
    if (setter == section->end())
      return fail("unknown key \"" + key + "\" in [" + sectionName + "]");
    std::string why;
    if (!setter->second(value, world, why)) return fail(why);
  }
  return true;
}

bool loadWorldFile(const std::string& path, WorldSettings& world, std::string& error) {
  std::ifstream file(path);
  if (!file) {
    error = path + ": cannot be read";
    return false;
  }
  std::stringstream text;
  text << file.rdbuf();
  return parseWorld(text.str(), path, world, error);
}

}  // namespace lab
