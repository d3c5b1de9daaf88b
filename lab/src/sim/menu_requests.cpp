// Add-on menu items: MenuAddItem, MenuAddSubItem, MenuDeleteItem,
// MenuDeleteSubItem.
#include "sim_world.h"

#include <SimConnect.h>

namespace lab::sim {

namespace wire = simconnect::wire;

namespace {

// The EXCEPTION for a refused menu change; the index names the field at
// fault: idField for the item's own id, parentField for the parent's.
uint32_t exceptionFor(MenuBook::Result result) {
  switch (result) {
    case MenuBook::Result::DuplicateId:
      return SIMCONNECT_EXCEPTION_DUPLICATE_ID;
    case MenuBook::Result::UnknownParent:
    case MenuBook::Result::UnknownId:
      return SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID;
    case MenuBook::Result::Ok:
      break;
  }
  return SIMCONNECT_EXCEPTION_NONE;
}

uint32_t indexFor(MenuBook::Result result, uint32_t idField, uint32_t parentField) {
  return result == MenuBook::Result::UnknownParent ? parentField : idField;
}

}  // namespace

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::MenuAddItem& r) {
  auto result = session.menu.addItem(r.text, r.menuEventId, r.data);
  if (result != MenuBook::Result::Ok)
    sendException(session, exceptionFor(result), sendId, indexFor(result, 2, 2));
}

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::MenuAddSubItem& r) {
  auto result = session.menu.addSubItem(r.menuEventId, r.text, r.subEventId, r.data);
  if (result != MenuBook::Result::Ok)
    sendException(session, exceptionFor(result), sendId, indexFor(result, 3, 1));
}

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::MenuDeleteItem& r) {
  auto result = session.menu.deleteItem(r.menuEventId);
  if (result != MenuBook::Result::Ok)
    sendException(session, exceptionFor(result), sendId, indexFor(result, 1, 1));
}

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::MenuDeleteSubItem& r) {
  auto result = session.menu.deleteSubItem(r.menuEventId, r.subEventId);
  if (result != MenuBook::Result::Ok)
    sendException(session, exceptionFor(result), sendId, indexFor(result, 2, 1));
}

}  // namespace lab::sim
