#pragma once
// One client's add-on menu items: top-level items and their sub-items, in the
// order they were added. Item ids are client event ids, unique per client.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lab::sim {

struct MenuEntry {
  std::string text;
  uint32_t eventId = 0;
  uint32_t data = 0;
  std::optional<uint32_t> parentEventId;
};

class MenuBook {
 public:
  enum class Result { Ok, DuplicateId, UnknownParent, UnknownId };

  Result addItem(const std::string& text, uint32_t eventId, uint32_t data);
  Result addSubItem(uint32_t parentEventId, const std::string& text, uint32_t subEventId,
                    uint32_t data);
  // Deleting an item deletes its sub-items with it.
  Result deleteItem(uint32_t eventId);
  Result deleteSubItem(uint32_t parentEventId, uint32_t subEventId);

  // An item a person can choose: "Parent/Sub" or the text of any item. An
  // item that opens sub-items is not a choice of its own.
  std::optional<MenuEntry> findChoice(const std::string& path) const;

  const std::vector<MenuEntry>& entries() const { return entries_; }

 private:
  const MenuEntry* find(uint32_t eventId) const;
  bool hasSubItems(uint32_t eventId) const;

  std::vector<MenuEntry> entries_;
};

}  // namespace lab::sim
