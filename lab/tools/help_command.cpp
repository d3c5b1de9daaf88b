// kestrix-lab help [COMMAND]: usage of every command, or of one.
#include "commands.h"

#include <lab/command_forms.h>
#include <lab/control_protocol.h>

#include <cstdio>

namespace labtool {
namespace {

constexpr const char* kServeUsage =
    "  kestrix-lab serve [--world FILE] [--tcp PORT] [--pipe NAME] [--no-flight] [--no-boards]\n"
    "      run the lab's world until SIGINT or SIGTERM (then exit 0). The simulator\n"
    "      listens on <runtime dir>/simconnect.sock (and on 127.0.0.1:PORT with --tcp),\n"
    "      or with --pipe on the pipe NAME (SimConnect.cfg: Protocol=Pipe, Port=NAME),\n"
    "      the control socket of the other commands is <runtime dir>/lab/control.sock.\n"
    "      Prints \"lab: serving on <socket path>\" once it serves.\n"
    "      --world FILE  the world to serve (see docs/lab.md); --tcp, --no-flight and\n"
    "                    --no-boards override what it says\n"
    "      Without boards in the world it plugs a radio panel 00001001 (model 3401)\n"
    "      and a transponder panel 00001002 (model 3402, variant 2).\n";

// What the forms of the board family do not say.
constexpr const char* kBoardNotes =
    "\nBoards are emulated Vantrix boards (two HID interfaces each) in <runtime dir>/hid.\n"
    "Keys are numbered 1-128 as the board reports them; a board reports a change only\n"
    "while the program has its key matrix on. `board show` prints the 32 digit\n"
    "positions of the LED matrix as characters (a '.' after a lit decimal point, ' '\n"
    "dark, '?' a pattern that is no character), the lit LEDs 1-256, the four port\n"
    "bytes, the modes the program set and the pressed keys.\n"
    "Faults show how a program copes with a board that misbehaves: `board fault` makes\n"
    "writes stall, replies drop or come late, IIC fail or key changes send only their\n"
    "own report; `board send` sends reports nobody asked for (of any length); `board\n"
    "add --order special-first` lists the special-mode interface before the pin\n"
    "interface, which `board complete` lists later; --special-input and\n"
    "--special-output give the special-mode interface reports of another length.\n";

// What the forms of the fsuipc family do not say.
constexpr const char* kFsuipcNotes =
    "\nThe FSUIPC server is a window of class UIPCMAIN (FSUIPC) or FS98MAIN (WideClient)\n"
    "that answers \"FsasmLib:IPC\" exchanges over the client's shared area. OFFSET is\n"
    "hex; 3304 holds the FSUIPC version 49990000, 3308 the simulator version FADE0008.\n"
    "A client's write to 330A (its library version) is logged but leaves what 3308\n"
    "reads; `fsuipc set` and `get` act on the memory directly and are not logged.\n";

constexpr const char* kViewUsage =
    "  kestrix-lab view\n"
    "      a live view of every board as a person sees it (seven-segment digits,\n"
    "      indicators, panel light), the simulator's radios and recent texts, the\n"
    "      FSUIPC server's newest writes and the peer window's notices; keys\n"
    "      press the selected board's keys (shown on screen): tab/right and\n"
    "      shift-tab/left select a board, q quits. Keeps trying while no lab runs.\n";

constexpr const char* kHelpUsage = "  kestrix-lab help [COMMAND]\n      this text, or that of one command\n";

constexpr const char* kFooter =
    "\nexit codes: 0 ok, 1 no lab is running, 2 bad usage or unknown item\n"
    "runtime dir: $KESTRIX_RUNTIME_DIR, else $XDG_RUNTIME_DIR/kestrix, else /tmp/kestrix-<uid>\n";

}  // namespace

int helpCommand(const std::vector<std::string>& arguments) {
  using lab::control::usageOf;
  if (arguments.empty()) {
    std::printf("kestrix-lab: the lab, a simulated world for the panel driver and the bridge\n\n"
                "usage:\n%s%s%s%s%s",
                kServeUsage, usageOf({}).c_str(), kViewUsage, kHelpUsage, kFooter);
    return lab::control::kOk;
  }
  if (arguments == std::vector<std::string>{"serve"}) {
    std::printf("usage:\n%s", kServeUsage);
    return lab::control::kOk;
  }
  if (arguments == std::vector<std::string>{"view"}) {
    std::printf("usage:\n%s", kViewUsage);
    return lab::control::kOk;
  }
  if (arguments == std::vector<std::string>{"help"}) {
    std::printf("usage:\n%s", kHelpUsage);
    return lab::control::kOk;
  }
  std::string usage = usageOf(arguments);
  if (usage.empty()) {
    std::fprintf(stderr, "kestrix-lab: no command \"%s\" (see: kestrix-lab help)\n",
                 arguments.front().c_str());
    return lab::control::kBadUsage;
  }
  const char* notes = arguments.front() == "board"    ? kBoardNotes
                      : arguments.front() == "fsuipc" ? kFsuipcNotes
                                                      : "";
  std::printf("usage:\n%s%s", usage.c_str(), notes);
  return lab::control::kOk;
}

}  // namespace labtool
