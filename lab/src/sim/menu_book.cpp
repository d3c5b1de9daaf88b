#include "menu_book.h"

#include <algorithm>

namespace lab::sim {

MenuBook::Result MenuBook::addItem(const std::string& text, uint32_t eventId, uint32_t data) {
  if (find(eventId)) return Result::DuplicateId;
  entries_.push_back({text, eventId, data, std::nullopt});
  return Result::Ok;
}

MenuBook::Result MenuBook::addSubItem(uint32_t parentEventId, const std::string& text,
                                      uint32_t subEventId, uint32_t data) {
  const MenuEntry* parent = find(parentEventId);
  if (!parent || parent->parentEventId) return Result::UnknownParent;
  if (find(subEventId)) return Result::DuplicateId;
  entries_.push_back({text, subEventId, data, parentEventId});
  return Result::Ok;
}

MenuBook::Result MenuBook::deleteItem(uint32_t eventId) {
  const MenuEntry* item = find(eventId);
  if (!item || item->parentEventId) return Result::UnknownId;
  std::erase_if(entries_, [&](const MenuEntry& e) {
    return e.eventId == eventId || e.parentEventId == eventId;
  });
  return Result::Ok;
}

MenuBook::Result MenuBook::deleteSubItem(uint32_t parentEventId, uint32_t subEventId) {
  const MenuEntry* parent = find(parentEventId);
  if (!parent || parent->parentEventId) return Result::UnknownParent;
  const MenuEntry* item = find(subEventId);
  if (!item || item->parentEventId != parentEventId) return Result::UnknownId;
  std::erase_if(entries_, [&](const MenuEntry& e) { return e.eventId == subEventId; });
  return Result::Ok;
}

std::optional<MenuEntry> MenuBook::findChoice(const std::string& path) const {
  auto isChoice = [&](const MenuEntry& e) { return !hasSubItems(e.eventId); };
  for (const MenuEntry& e : entries_)
    if (e.text == path && isChoice(e)) return e;
  auto slash = path.find('/');
  if (slash == std::string::npos) return std::nullopt;
  std::string parentText = path.substr(0, slash), text = path.substr(slash + 1);
  for (const MenuEntry& e : entries_) {
    if (!e.parentEventId || e.text != text) continue;
    const MenuEntry* parent = find(*e.parentEventId);
    if (parent && parent->text == parentText) return e;
  }
  return std::nullopt;
}

const MenuEntry* MenuBook::find(uint32_t eventId) const {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const MenuEntry& e) { return e.eventId == eventId; });
  return it == entries_.end() ? nullptr : &*it;
}

bool MenuBook::hasSubItems(uint32_t eventId) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const MenuEntry& e) { return e.parentEventId == eventId; });
}

}  // namespace lab::sim
