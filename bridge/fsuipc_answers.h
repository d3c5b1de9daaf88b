#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

// The request records of an FSUIPC area, as the client packs them:
//   read:  u32 1, u32 offset, u32 count, u32 token, count bytes to be filled
//   write: u32 2, u32 offset, u32 count, count bytes to write
constexpr uint32_t kReadRequest = 1;
constexpr uint32_t kWriteRequest = 2;
constexpr size_t kReadHeader = 16;
constexpr size_t kWriteHeader = 12;

// The answers in an FSUIPC area after an exchange: the area holds the
// client's request records as the server left them, back to back from its
// start, ended by a zero word. Every record must lie inside the area and
// every answered read must be one of the readsQueued (tokens 1 to
// readsQueued) with the 4 bytes it asked for; otherwise the answer is bad
// data (nothing). An unknown record id ends the list (and is zeroed).
// Gives each answered read's token and value, in order.
std::optional<std::vector<std::pair<uint32_t, uint32_t>>> readFsuipcAnswers(
    std::span<uint8_t> area, size_t readsQueued);
