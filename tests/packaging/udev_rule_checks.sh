#!/bin/sh
# The udev rule's installer and the package's removal script against a fake
# root: --uninstall takes away only the copy the installer made, purge
# removes that copy too, and nothing touches a file someone else put there.
# usage: udev_rule_checks.sh SOURCE_DIR
set -u
src=$1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# udevadm and sudo stand-ins: the calls are logged, nothing is applied.
mkdir -p "$work/stubs"
printf '#!/bin/sh\necho "udevadm $*" >>"%s/udevadm.log"\n' "$work" >"$work/stubs/udevadm"
printf '#!/bin/sh\nexec "$@"\n' >"$work/stubs/sudo"
chmod +x "$work/stubs/udevadm" "$work/stubs/sudo"
PATH=$work/stubs:$PATH
export PADMACRO_UDEV_ROOT="$work/root"
copy=$work/root/etc/udev/rules.d/70-padmacro.rules
tree_installer=$src/packaging/linux/install-udev-rule
postrm=$src/packaging/debian/postrm

# From the source tree: a marked copy of the rule goes to /etc, and udev is told.
"$tree_installer" >"$work/out" 2>&1 || fail "install from the source tree: $(cat "$work/out")"
[ -f "$copy" ] || fail "no copy in /etc"
tail -n +2 "$copy" | cmp -s - "$src/packaging/linux/70-padmacro.rules" || fail "the copy is not the rule"
grep -q -- "--reload-rules" "$work/udevadm.log" 2>/dev/null || fail "udev was not told to reload"

# The package's removal tells about the copy; purge removes it.
DPKG_ROOT=$work/root sh "$postrm" remove >"$work/out" 2>&1 || fail "postrm remove failed"
[ -f "$copy" ] || fail "postrm remove took the copy"
grep -q "$copy" "$work/out" || fail "postrm remove does not tell about the copy: $(cat "$work/out")"
DPKG_ROOT=$work/root sh "$postrm" purge >"$work/out" 2>&1 || fail "postrm purge failed"
[ ! -e "$copy" ] || fail "postrm purge left the copy"

# --uninstall removes what install put there.
"$tree_installer" >/dev/null 2>&1 || fail "second install"
"$tree_installer" --uninstall >"$work/out" 2>&1 || fail "--uninstall: $(cat "$work/out")"
[ ! -e "$copy" ] || fail "--uninstall left the copy"

# A rule someone else wrote is neither replaced nor removed.
mkdir -p "$(dirname "$copy")"
echo 'KERNEL=="hidraw*", MODE="0666"' >"$copy"
cp "$copy" "$work/theirs"
"$tree_installer" >/dev/null 2>&1 && fail "install replaced a rule it did not write"
"$tree_installer" --uninstall >/dev/null 2>&1 && fail "--uninstall removed a rule it did not write"
DPKG_ROOT=$work/root sh "$postrm" purge >/dev/null 2>&1 || fail "postrm purge failed on a foreign rule"
cmp -s "$copy" "$work/theirs" || fail "a rule someone else wrote was changed"
rm -f "$copy"

# Installed by the package, the rule is already where udev reads it: no copy.
pkg=$work/root/usr
mkdir -p "$pkg/share/padmacro" "$pkg/lib/udev/rules.d"
cp "$tree_installer" "$pkg/share/padmacro/"
cp "$src/packaging/linux/70-padmacro.rules" "$pkg/lib/udev/rules.d/"
"$pkg/share/padmacro/install-udev-rule" >"$work/out" 2>&1 || fail "packaged install: $(cat "$work/out")"
[ ! -e "$copy" ] || fail "the packaged installer copied the rule to /etc"

[ $failures -eq 0 ] && echo "udev rule checks passed"
[ $failures -eq 0 ]
