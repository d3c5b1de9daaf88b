// Text: print and scroll texts, and menu texts that ask the user to choose.
#include "sim_world.h"
#include "text_block.h"

#include <SimConnect.h>

namespace lab::sim {

namespace wire = simconnect::wire;

namespace {

constexpr uint32_t kTypeField = 1;
constexpr uint32_t kDataField = 5;

}  // namespace

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::Text& r) {
  TextRecord record;
  record.clientId = session.id;
  record.clientName = session.name;
  record.type = r.textType;
  record.seconds = r.seconds;
  record.eventId = r.eventId;
  record.shownAt = std::chrono::steady_clock::now();

  switch (textKindOf(r.textType)) {
    case TextKind::Unknown:
      sendException(session, SIMCONNECT_EXCEPTION_INVALID_ENUM, sendId, kTypeField);
      return;
    case TextKind::Scroll:
    case TextKind::Print: {
      auto text = parsePrintText(r.bytes);
      if (!text) {
        sendException(session, SIMCONNECT_EXCEPTION_DATA_ERROR, sendId, kDataField);
        return;
      }
      record.text = *text;
      texts_.add(std::move(record));
      return;
    }
    case TextKind::Menu:
      break;
  }
  if (r.bytes.empty()) {  // takes the client's menu off the screen
    session.openMenu.reset();
    return;
  }
  auto menu = parseMenuBlock(r.bytes);
  if (!menu) {
    sendException(session, SIMCONNECT_EXCEPTION_DATA_ERROR, sendId, kDataField);
    return;
  }
  record.text = menu->title;
  record.prompt = menu->prompt;
  record.menuItems = menu->items;
  texts_.add(record);
  session.openMenu = std::move(record);
  sendEvent(session, kNoGroup, r.eventId, SIMCONNECT_TEXT_RESULT_DISPLAYED);
}

}  // namespace lab::sim
