#!/bin/bash
# The test as a user sees it: the Windows program under Wine on a virtual X display (Xvfb),
# attended, so that it shows real message boxes; the boxes are answered with key presses
# and kept as screenshots in build/artifacts/gui/.
#
#   tests/gui/run-gui-test.sh [WIN64_BUILD_FOLDER]     (default build/win64)
#
# 1. A QUESTION box with ISABORT 0,1 followed by an ERROR box: answering y shows the
#    second box; answering n ends the run with no second box.
# 2. The error box of a missing script (/imissing.ini): Return closes it and the run ends.
# 3. On an English system (Wine's locale en_US.UTF-8, code page 1252) the same box in
#    English, then with UPDATER_LANGUAGE=ja in Japanese: its caption must reach the window
#    whole, not as question marks.
# Cases 1 and 2 run on a Japanese system (ja_JP.UTF-8, code page 932), whatever the
# environment of the test says.
# Whether a case passes is decided by what the run does after the answer (a further box
# appears or not, the program ends), never by timing; the waits below only bound a hang.
set -u
cd "$(dirname "$0")/../.." || exit 1
root=$(pwd)
build=$(cd "${1:-build/win64}" && pwd) || exit 1
wine_run="$build/wine-run"
artifacts="$root/build/artifacts/gui"
caption="Updater GUI test"
default_caption="コルヴァン アップデータ"
english_caption="Corvan Updater"

for tool in Xvfb xdotool import iconv; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
done
fc-list | grep -qi "IPAGothic" ||
  { echo "missing the Japanese font: run scripts/install-deps.sh" >&2; exit 1; }
[ -x "$wine_run" ] && [ -f "$build/updater.exe" ] ||
  { echo "no $build/updater.exe: build win64 first" >&2; exit 1; }

work=$(mktemp -d /tmp/gui-test-XXXXXX)
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png
xvfb_pid="" program_pid="" started_server=""
failures=0

cleanup() {
  [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null
  [ -n "$started_server" ] && "$wine_run" --stop
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() { echo "FAIL  $*"; failures=$((failures + 1)); }

# Prints the process ids of the build's prefix whose command line matches the pattern.
prefix_processes() {
  local p
  for p in /proc/[0-9]*; do
    { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -q "$1" || continue
    { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$build/wineprefix" &&
      echo "${p#/proc/}"
  done
}

# True when a wineserver already serves the build's prefix (someone else's run).
server_running() { [ -n "$(prefix_processes '^/usr/lib/wine/wineserver')" ]; }

# Wine's desktop process takes its display from the first program that needs it; boxes
# can only show on our display when that process is ours or not running yet.
desktop_elsewhere() {
  local p
  for p in $(prefix_processes 'explorer.exe /desktop'); do
    { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qxF "DISPLAY=$DISPLAY" || return 0
  done
  return 1
}

# A virtual display of our own; Xvfb picks a free display number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
unset UPDATER_UNATTENDED UPDATER_ANSWERS UPDATER_REGISTRY UPDATER_LANGUAGE WINE_RUN_LOCALE

server_running || started_server=yes
"$wine_run" --start || { echo "cannot start Wine" >&2; exit 1; }
if desktop_elsewhere; then
  echo "FAIL  another run's Wine desktop serves $build/wineprefix without our display;" \
    "run this test when no other Wine run uses the prefix (or after $wine_run --stop)"
  exit 1
fi

# Starts the program in a fresh folder with the given script (UTF-8 text, written in code
# page 932) and arguments; sets program_pid. Variables named in program_env (NAME=value
# words) are set for the program only.
program_env=()
start_program() {
  local name=$1 script=$2
  shift 2
  local folder="$work/$name"
  mkdir -p "$folder"
  cp "$build/updater.exe" "$folder/"
  [ -n "$script" ] && printf '%s' "$script" | iconv -f UTF-8 -t CP932 >"$folder/updater.ini"
  (cd "$folder" && exec env "${program_env[@]}" "$wine_run" "$folder/updater.exe" "$@") \
    >"$folder/output.txt" 2>&1 &
  program_pid=$!
}

running() { [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; }

# Waits for a visible window with exactly this caption other than the window given, and
# sets box to its id; false when the program ended (or 60 s passed) without showing one.
wait_for_box() {
  local title=$1 other=${2:-} w
  box=""
  for _ in $(seq 600); do
    for w in $(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null); do
      [ "$w" != "$other" ] && { box=$w; return 0; }
    done
    running || return 1
    sleep 0.1
  done
  return 1
}

# Gives the window the keyboard focus (Wine takes keys only from the focused window) and
# presses the key.
press() {
  local w=$1 key=$2
  for _ in $(seq 50); do
    xdotool windowfocus "$w" 2>/dev/null
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$w" ] && break
    sleep 0.1
  done
  xdotool key "$key"
}

# Waits for the program to end; false when it was still running after 60 s (then killed).
wait_for_end() {
  [ -n "$program_pid" ] || return 0
  for _ in $(seq 600); do
    if ! running; then
      wait "$program_pid"
      program_pid=""
      return 0
    fi
    sleep 0.1
  done
  kill -9 "$program_pid" 2>/dev/null
  program_pid=""
  return 1
}

shot() { import -window "$1" "$artifacts/$2.png" 2>/dev/null || fail "screenshot $2"; }

output() { echo "program output: $(cat "$work/$1/output.txt")"; }

question_script="[UPDATER]
NAME=$caption
PROC=Ask,Second

[Ask]
MODE=MSGBOX
FLAG=
TYPE=QUESTION
TEXT=ファイルを更新しますか？%n「いいえ」で更新を中止します。
ISABORT=0,1

[Second]
MODE=MSGBOX
FLAG=
TYPE=ERROR
TEXT=二つ目のボックス：更新を続けています。
ISABORT=0,0
"

# 1a. Yes: the run goes on to the second box.
start_program question-yes "$question_script"
if wait_for_box "$caption"; then
  first=$box
  shot "$first" 1-question
  press "$first" y
  if wait_for_box "$caption" "$first"; then
    shot "$box" 2-second-box-after-yes
    press "$box" Return
    if wait_for_end; then echo "pass  question answered y: the second box appeared"
    else fail "question answered y: the program did not end after the second box"; fi
  else
    fail "question answered y: no second box; $(output question-yes)"
  fi
else
  fail "question: no box appeared; $(output question-yes)"
fi
wait_for_end

# 1b. No: ISABORT 0,1 ends the run without the second box.
start_program question-no "$question_script"
if wait_for_box "$caption"; then
  first=$box
  shot "$first" 3-question-before-no
  press "$first" n
  if wait_for_box "$caption" "$first"; then
    shot "$box" 3-unexpected-second-box
    fail "question answered n: a second box appeared"
    press "$box" Return
  elif wait_for_end; then
    echo "pass  question answered n: the run ended with no second box"
  else
    fail "question answered n: the program did not end"
  fi
else
  fail "question (n): no box appeared; $(output question-no)"
fi
wait_for_end

# 2. The error box of a missing script.
start_program missing-script "" /imissing.ini
if wait_for_box "$default_caption"; then
  shot "$box" 4-missing-script
  press "$box" Return
  if wait_for_end; then echo "pass  missing script: error box shown, closed with Return, program ended"
  else fail "missing script: the program did not end after Return"; fi
else
  fail "missing script: no error box appeared; $(output missing-script)"
fi
wait_for_end

# 3. An English system: the error box of a missing script in English, then in Japanese.
missing_box() {
  local name=$1 title=$2 shot_name=$3
  start_program "$name" "" /imissing.ini
  if wait_for_box "$title"; then
    shot "$box" "$shot_name"
    press "$box" Return
    if wait_for_end; then echo "pass  $name: \"$title\" box shown, closed with Return, program ended"
    else fail "$name: the program did not end after Return"; fi
  else
    fail "$name: no box captioned \"$title\" appeared; $(output "$name")"
  fi
  wait_for_end
}
program_env=(WINE_RUN_LOCALE=en_US.UTF-8)
missing_box english-system "$english_caption" 5-english-system-english-box
program_env=(WINE_RUN_LOCALE=en_US.UTF-8 UPDATER_LANGUAGE=ja)
missing_box english-system-ja "$default_caption" 6-english-system-japanese-box
program_env=()

echo "screenshots in $artifacts"
if [ "$failures" -eq 0 ]; then echo "GUI test passed"; else echo "GUI test: $failures failure(s)"; fi
[ "$failures" -eq 0 ]
