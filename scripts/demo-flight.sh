# The scripted flight of `scripts/demo --script`, sourced by scripts/demo once
# the lab, kestrix-module and squarix run. Each step acts as a person at the
# panels (or in the simulator's menus) would, then waits until every effect
# it names is seen; a step whose effect does not come within 20 seconds ends
# the flight with the programs' output, and the demo exits 1.

radio=00001001
transponder=00001002
steps=0

say() { printf '%s\n' "$*"; }

step() {
  steps=$((steps + 1))
  printf '\nstep %d: %s\n' "$steps" "$*"
}

# The programs' own words, for a step that failed.
tell_what_happened() {
  say ""
  say "--- kestrix-module output ---"; cat "$demo/module.out"
  say "--- squarix output ---"; cat "$demo/squarix.out"
  say "--- the end of Kestrix.log ---"; tail -n 30 "$settings/Kestrix.log" 2>/dev/null || true
  say "--- the lab ---"; cat "$demo/lab.out"
}

# expect WHAT PATTERN COMMAND...: waits until a line of the command's output
# matches the extended regular expression and shows that line.
expect() {
  local what=$1 pattern=$2; shift 2
  local deadline=$((SECONDS + 20)) out line
  while :; do
    out=$("$@" 2>&1 || true)
    line=$(grep -E -m1 -- "$pattern" <<<"$out" || true)
    if [ -n "$line" ]; then
      printf '  %-24s %s\n' "$what" "$(sed 's/^ *//' <<<"$line")"
      return 0
    fi
    if [ $SECONDS -ge $deadline ]; then
      printf '  %-24s NOT SEEN: no line matching /%s/ in "%s", which said:\n' "$what" "$pattern" "$*"
      sed 's/^/      /' <<<"$out"
      tell_what_happened
      say ""
      say "demo: the scripted flight FAILED at step $steps"
      exit 1
    fi
    sleep 0.1
  done
}

tap() {  # tap SERIAL KEY...: press and release each key in turn
  local serial=$1; shift
  for key in "$@"; do
    lab board press "$serial" "$key" >/dev/null
    lab board release "$serial" "$key" >/dev/null
  done
}

digits() { lab board show "$1" | grep digits; }
last_notice() { lab peer notices | tail -n 1; }

say "demo: a scripted flight in the lab's default world (private folder $demo)"

step "the lab runs; kestrix-module and squarix connect to its simulator"
expect "simulator clients" "Kestrix \(client [0-9]+\): connected" lab sim clients
expect "" "Squarix \(client [0-9]+\): connected" lab sim clients
expect "Kestrix menu" "Reload devices" lab sim menus
expect "Squarix menu" "Change configuraiton" lab sim menus

step "the panels light up with the simulator's radios"
expect "radio panel shows" '"122\.800118\.000' digits $radio
expect "transponder shows" '" 1200' digits $transponder
expect "simulator COM1" "COM1 +active 122\.800 +standby 118\.000" lab sim radios

step "squarix offers its configurations; the pilot chooses \"Add-on TCAS (user offsets 66C0)\""
expect "chooser" "Add-on TCAS" lab sim menus
lab sim choose Squarix "Add-on TCAS (user offsets 66C0)" >/dev/null
expect "remembered in registry" '"Config"="Add-on TCAS' cat "$KESTRIX_REGISTRY/HKEY_CURRENT_USER.reg"

step "radio panel: the whole-MHz knob up (key 12), COM1 selected"
tap $radio 12
expect "kestrix-module sent" "COM_RADIO_WHOLE_INC" lab sim events
expect "simulator COM1" "COM1 +active 122\.800 +standby 119\.000" lab sim radios
expect "radio panel shows" '"122\.800119\.000' digits $radio

step "radio panel: the fraction knob up (key 10)"
tap $radio 10
expect "kestrix-module sent" "COM_RADIO_FRACT_INC" lab sim events
expect "simulator COM1" "COM1 +active 122\.800 +standby 119\.025" lab sim radios
expect "radio panel shows" '"122\.800119\.025' digits $radio

step "radio panel: the transfer key (key 1) swaps active and standby"
tap $radio 1
expect "kestrix-module sent" "COM_STBY_RADIO_SWAP" lab sim events
expect "simulator COM1" "COM1 +active 119\.025 +standby 122\.800" lab sim radios
expect "radio panel shows" '"119\.025122\.800' digits $radio

step "radio panel: the NAV1 channel key (key 6)"
tap $radio 6
expect "radio panel shows" '"110\.500113\.900' digits $radio

step "transponder: the entry key (key 11), then code 7 7 0 0 (keys 8 8 1 1)"
tap $transponder 11 8 8 1 1
expect "kestrix-module sent" "XPNDR_SET data 30464" lab sim events
expect "simulator transponder" "XPNDR +7700" lab sim radios
expect "transponder shows" '" 7700' digits $transponder

step "transponder: the mode selector to TA/RA (key 19)"
lab fsuipc clear >/dev/null
lab board press $transponder 19 >/dev/null
expect "kestrix-module sent" "ZRQ-XPNDR\.Mode data 3 " lab sim events
expect "peer window got" "^TCAS_MODE_SWITCH=4$" lab peer notices
expect "squarix wrote (FSUIPC)" "^66C0 1 02$" lab fsuipc writes

step "transponder: the status selector to AUTO (key 23)"
lab fsuipc clear >/dev/null
lab board press $transponder 23 >/dev/null
expect "kestrix-module sent" "ZRQ-XPNDR\.Status data 2 " lab sim events
expect "squarix wrote (FSUIPC)" "^66C2 1 01$" lab fsuipc writes

step "transponder: IDENT pressed (key 12) and released"
lab fsuipc clear >/dev/null
lab board press $transponder 12 >/dev/null
expect "kestrix-module sent" "ZRQ-XPNDR\.Ident data 1 " lab sim events
expect "peer window got" "^XPNDR_IDENT=1$" lab peer notices
expect "squarix wrote (FSUIPC)" "^66C3 1 01$" lab fsuipc writes
expect "... one second later" "^66C3 1 00$" lab fsuipc writes
lab board release $transponder 12 >/dev/null
expect "peer window got" "^XPNDR_IDENT=0$" last_notice

step "the pilot chooses Squarix > About... in the simulator"
lab sim choose Squarix About... >/dev/null
expect "simulator shows" "Squarix v[0-9.]+" lab sim texts

step "the simulator quits; both programs tidy up and end"
lab sim quit >/dev/null
# ended PID NAME: waits up to 20 seconds for the program's end and shows its exit code.
ended() {
  local pid=$1 name=$2 code=0 deadline=$((SECONDS + 20))
  while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    printf '  %-24s still running after 20 seconds\n' "$name ended"
  else
    wait "$pid" || code=$?
    printf '  %-24s exit code %d\n' "$name ended" $code
    [ $code -eq 0 ] && return 0
  fi
  tell_what_happened
  say "demo: the scripted flight FAILED at step $steps"
  exit 1
}
ended "$module_pid" kestrix-module
module_pid=""
ended "$bridge_pid" squarix
bridge_pid=""

say ""
say "demo: the scripted flight passed: all $steps steps took effect"
return 0 2>/dev/null || exit 0
