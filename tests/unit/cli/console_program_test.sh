#!/bin/sh
# Runs the Windows console program under wine64 on a stand-in installer, as a pipeline would:
#   console_program_test.sh WINE_RUN PROGRAM INSTALLER CONFIGURATION SCRATCH
# Exit codes, byte-for-byte export (standard output in binary mode), generation and validation.
set -u
wine_run=$1 program=$2 installer=$3 configuration=$4 scratch=$5
rm -rf "$scratch"
mkdir -p "$scratch"
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
cli() { "$wine_run" "$program" "$@"; }

cli --version >"$scratch/version" || fail "--version exits $?"
grep -q '^kestrix-config ' "$scratch/version" || fail "--version prints $(cat "$scratch/version")"

cli show "$installer" >"$scratch/show" || fail "show exits $?"
grep -q '^Install mode: other (" /q")' "$scratch/show" || fail "show: $(cat "$scratch/show")"

cli export "$installer" >"$scratch/stdout.ini" || fail "export exits $?"
cmp -s "$scratch/stdout.ini" "$configuration" || fail "export to standard output is not byte for byte"
cli export "$installer" -o "$scratch/file.ini" || fail "export -o exits $?"
cmp -s "$scratch/file.ini" "$configuration" || fail "export -o is not byte for byte"

printf '[setup]\r\nStartupMode=1\r\n' >"$scratch/settings.ini"
cli generate "$installer" --settings "$scratch/settings.ini" -o "$scratch/out.exe" \
  --install-mode silent -q || fail "generate exits $?"
cli show "$scratch/out.exe" >"$scratch/show-out" || fail "show of the result exits $?"
grep -q '^Install mode: silent (" /s")' "$scratch/show-out" || fail "generate: $(cat "$scratch/show-out")"
grep -q "	setup	StartupMode	1	" "$scratch/show-out" || fail "generate lost the setting"

printf '[setup]\r\nInstallMode=9\r\n' >"$scratch/bad.ini"
cli validate "$scratch/bad.ini" 2>"$scratch/bad.err"
[ $? -eq 5 ] || fail "validate of an invalid setting does not exit 5"
grep -q 'InstallMode = "9"' "$scratch/bad.err" || fail "validate: $(cat "$scratch/bad.err")"

cli show "$scratch/missing.exe" 2>/dev/null
[ $? -eq 3 ] || fail "show of a missing file does not exit 3"
cli generate "$installer" 2>/dev/null
[ $? -eq 2 ] || fail "a usage mistake does not exit 2"

[ "$failures" -eq 0 ] && echo "console program: all checks passed"
exit "$failures"
