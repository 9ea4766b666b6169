#!/bin/sh
# padmacroctl end to end: ctl_checks.sh PROGRAM DATA CHECK
# Each check prints what went wrong and exits non-zero.
set -u
ctl=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "$1"
  exit 1
}

# An application folder with the 78 empty macro files.
app="$work/app"
mkdir -p "$app/BMP" "$app/log"
for n in 0 1 2 3 4 8 9 10 13 16 17 18 19 20 24 25 26 27 28 29 32 36 40 41 42 43; do
  for kind in KeyNum KeyCode LineBuf; do
    : >"$app/log/$kind$n.txt"
  done
done

case $3 in
demo-send)
  out=$("$ctl" --dir "$app" --demo send 40 </dev/null) || fail "exit status $?: $out"
  [ "$out" = "key 40 (ESC, MOD0): OK" ] || fail "unexpected output: $out"
  ;;
list-fixture)
  mkdir "$work/dev"
  : >"$work/dev/hidraw5"
  : >"$work/dev/hidraw6"
  out=$(PADMACRO_SYSFS="$data/hidraw/sys" PADMACRO_DEV="$work/dev" "$ctl" list) || fail "exit status $?: $out"
  echo "$out"
  echo "$out" | grep -q "^3  $work/dev/hidraw5  FFFF:0200  version 0101$" || fail "hidraw5 is not listed"
  echo "$out" | grep -q "^    the keypad: this one is used$" || fail "no keypad is chosen"
  echo "$out" | grep -q "not the keypad: vendor 1234, the keypad has FFFF" || fail "hidraw1 not told apart"
  echo "$out" | grep -q "not the keypad: version 0000, the keypad has 0101" || fail "hidraw3 not told apart"
  ;;
unknown-key)
  err=$("$ctl" --dir "$app" show 7 2>&1 >/dev/null)
  status=$?
  [ $status -eq 2 ] || fail "exit status $status, not 2"
  [ "$(echo "$err" | wc -l)" -eq 1 ] || fail "not one line: $err"
  echo "$err" | grep -q "unknown key number '7'.*try 'padmacroctl --help'" || fail "unexpected hint: $err"
  ;;
pipe-reader)
  # A reader that stops early lost the export: that is no success.
  { "$ctl" --dir "$app" export - 2>"$work/err"; echo $? >"$work/rc"; } | head -c10 >/dev/null
  [ "$(cat "$work/rc")" = 1 ] || fail "export into head -c10 exited $(cat "$work/rc")"
  grep -q "Cannot write to standard output" "$work/err" || fail "no message: $(cat "$work/err")"
  { "$ctl" --dir "$app" export -; echo $? >"$work/rc"; } | cat >/dev/null
  [ "$(cat "$work/rc")" = 0 ] || fail "export read whole exited $(cat "$work/rc")"
  ;;
*) fail "unknown check $3" ;;
esac
