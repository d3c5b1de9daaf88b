// The words the tool and world files use for the server's kinds and modes;
// they are read in any letter case.
#include "lab/fsuipc_server.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace lab {
namespace {

using Kind = FsuipcServer::WindowKind;
using Mode = FsuipcServer::AnswerMode;

constexpr std::array<std::pair<Kind, std::string_view>, 2> kKindNames{{
    {Kind::Fsuipc, "uipcmain"},
    {Kind::WideClient, "fs98main"},
}};

constexpr std::array<std::pair<Mode, std::string_view>, 4> kModeNames{{
    {Mode::Normal, "normal"},
    {Mode::Bad, "bad"},
    {Mode::Silent, "silent"},
    {Mode::Garbage, "garbage"},
}};

template <typename Table, typename Value>
std::string_view nameIn(const Table& table, Value value) {
  for (const auto& [entry, name] : table)
    if (entry == value) return name;
  return "?";
}

template <typename Table>
auto valueIn(const Table& table, std::string_view name)
    -> std::optional<typename Table::value_type::first_type> {
  for (const auto& [entry, entryName] : table)
    if (std::equal(entryName.begin(), entryName.end(), name.begin(), name.end(),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
      return entry;
  return std::nullopt;
}

}  // namespace

std::string_view nameOf(Kind kind) { return nameIn(kKindNames, kind); }
std::string_view nameOf(Mode mode) { return nameIn(kModeNames, mode); }
std::optional<Kind> windowKindNamed(std::string_view name) { return valueIn(kKindNames, name); }
std::optional<Mode> answerModeNamed(std::string_view name) { return valueIn(kModeNames, name); }

std::string_view windowClassOf(Kind kind) {
  return kind == Kind::WideClient ? "FS98MAIN" : "UIPCMAIN";
}

}  // namespace lab
