#include "variable_text.h"

#include "known_names.h"
#include "radio_rules.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace lab::sim {
namespace {

// A plain decimal number ("121.5", "350"): no sign, exponent or blanks.
std::optional<double> decimal(std::string_view text) {
  if (text.empty() || !(text.front() >= '0' && text.front() <= '9')) return std::nullopt;
  double value = 0;
  auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// One to four octal digits, read as the BCO16 number ("7700" -> 0x7700).
std::optional<double> octalCode(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  uint32_t code = 0;
  for (char c : text) {
    if (c < '0' || c > '7') return std::nullopt;
    code = code << 4 | static_cast<uint32_t>(c - '0');
  }
  return code;
}

std::optional<double> switchValue(std::string_view text) {
  if (text == "1" || equalsIgnoringCase(text, "on")) return 1;
  if (text == "0" || equalsIgnoringCase(text, "off")) return 0;
  return std::nullopt;
}

std::string formatted(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::optional<double> parseVariableText(const AircraftVariable& variable, std::string_view text) {
  std::optional<double> value;
  switch (variable.kind) {
    case VariableKind::ComFrequency:
    case VariableKind::NavFrequency:
      // MHz to kHz, to the whole hertz that the variables hold.
      if ((value = decimal(text))) value = std::round(*value * 1000 * 1000) / 1000;
      break;
    case VariableKind::AdfFrequency:
      if ((value = decimal(text))) value = std::round(*value * 1000) / 1000;
      break;
    case VariableKind::TransponderCode:
      value = octalCode(text);
      break;
    case VariableKind::Switch:
      value = switchValue(text);
      break;
  }
  if (!value || !fitsVariable(variable, *value)) return std::nullopt;
  return value;
}

std::string variableText(const AircraftVariable& variable, double value) {
  switch (variable.kind) {
    case VariableKind::ComFrequency:
      return formatted("%.3f", value / 1000);
    case VariableKind::NavFrequency:
      // NAV channels are 50 kHz apart: two decimals, unless set finer.
      return formatted(std::fmod(value, 10) == 0 ? "%.2f" : "%.3f", value / 1000);
    case VariableKind::AdfFrequency:
      return formatted(std::fabs(value * 10 - std::round(value * 10)) < 1e-6 ? "%.1f" : "%.3f",
                       value);
    case VariableKind::TransponderCode: {
      char text[8];
      std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
      return text;
    }
    case VariableKind::Switch:
      return value != 0 ? "1" : "0";
  }
  return {};
}

std::string variableTextHint(const AircraftVariable& variable) {
  switch (variable.kind) {
    case VariableKind::ComFrequency:
      return "MHz from 118.000 to 136.975";
    case VariableKind::NavFrequency:
      return "MHz from 108.00 to 117.95";
    case VariableKind::AdfFrequency:
      return "kHz from 100.0 to 1799.9";
    case VariableKind::TransponderCode:
      return "a code of four octal digits (0000 to 7777)";
    case VariableKind::Switch:
      return "0 or 1";
  }
  return {};
}

}  // namespace lab::sim
