#!/usr/bin/env bash
# The Debian package as an agency gets it: built with CPack from a release build of the
# programs, unpacked into a temporary folder, and tried from there: each program's
# --version and --help, the control fields, the man pages (no warnings), the demo laid
# out by rptcarry-demo and a report printed on it, and the commands of the month-end
# examples. Usage: package_test.sh BUILD_DIR SOURCE_DIR SANITIZED
# A sanitized build cannot be packaged (its programs need the sanitizer runtime), so the
# programs are then built once more, without sanitizers, in BUILD_DIR/package-release,
# which later runs only bring up to date.
set -uo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
sanitized="${3:-OFF}"

skip() { echo "SKIP: $*"; exit 0; }
for tool in cpack dpkg-deb dpkg-shlibdeps man groff; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/packages.sh installs it)"
done

work="$(mktemp -d)"; [ -n "${KEEP:-}" ] && echo "work: $work"
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
stop() { echo "FAIL: $*"; exit 1; }

# The programs to package.
case "$sanitized" in
  ON | on | 1 | TRUE | true | YES | yes) package_build="$build/package-release" ;;
  *) package_build="$build" ;;
esac
if [ "$package_build" != "$build" ]; then
  cmake -S "$source_dir" -B "$package_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORB_SANITIZE=OFF -DORB_BUILD_TESTS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; stop "configuring $package_build"; }
fi
# Other tests run beside this one: the build yields to them. Paths relative to the source
# let a compiler cache serve this build from another checkout's.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$source_dir}"
nice -n 10 cmake --build "$package_build" --target orb_package_contents -j 2 \
  >"$work/build.log" 2>&1 || { tail -50 "$work/build.log"; stop "building the programs"; }
(cd "$work" && cpack -G DEB --config "$package_build/CPackConfig.cmake" -B "$work/cpack") \
  >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; stop "cpack"; }
debs=("$work"/cpack/rptcarry_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || stop "cpack made no single rptcarry_*.deb"
deb="${debs[0]}"
root="$work/root"
dpkg-deb -x "$deb" "$root" || stop "dpkg-deb -x $deb"
bin="$root/usr/bin"

# Versions and help.
version="$("$bin/rptcarry" --version)" || fail "rptcarry --version failed"
version="${version#rptcarry }"
[ -n "$version" ] || stop "rptcarry --version gave no version"
for program in rptcarry orbprint orbdata; do
  out="$("$bin/$program" --version 2>&1)" || fail "$program --version failed: $out"
  [ "$out" = "$program $version" ] || fail "$program --version said '$out', not '$program $version'"
done
for program in rptcarry orbprint orbdata rptcarry-demo; do
  "$bin/$program" --help >"$work/help" 2>&1 || fail "$program --help failed: $(cat "$work/help")"
  grep -qi "usage" "$work/help" || fail "$program --help shows no usage"
done

# Control fields; the library dependencies are dpkg-shlibdeps' own.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = rptcarry ] || fail "Package is '$(field Package)'"
case "$(field Version)" in "$version"-*) ;; *) fail "Version '$(field Version)' is not $version-N" ;; esac
[ "$(field Section)" = misc ] || fail "Section is '$(field Section)'"
field Maintainer | grep -qE '^[^<]+ <[^>]+@[^>]+>$' || fail "Maintainer '$(field Maintainer)' is not NAME <ADDRESS>"
depends="$(field Depends)"
for library in libc6 libsqlite3 libncursesw libstdc++; do
  grep -q "$library" <<<"$depends" || fail "Depends does not name $library: $depends"
done
grep -q "asan\|ubsan" <<<"$depends" && fail "the package needs the sanitizer runtime: $depends"
description="$(field Description)"
grep -q "^carry-over report" <<<"$description" || fail "Description summary: $description"
[ "$(awk 'length > 80' <<<"$description" | wc -l)" -eq 0 ] || fail "Description lines over 80 columns"
dpkg-deb -c "$deb" | awk '{ print $2 }' | grep -qv '^root/root$' && fail "files not owned by root"

# Manual pages: one per program, the version in each, no warnings from man or groff.
for program in rptcarry orbprint orbdata rptcarry-demo; do
  page="$root/usr/share/man/man1/$program.1.gz"
  [ -f "$page" ] || { fail "no man page $program.1.gz"; continue; }
  zcat "$page" | grep -q "^\.TH .*$version" || fail "$program.1 does not name version $version"
  warnings="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "man $program.1: $warnings"
  warnings="$(zcat "$page" | groff -ww -z -man 2>&1)"
  [ -z "$warnings" ] || fail "groff $program.1: $warnings"
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES; do
    zcat "$page" | grep -q "^\.SH \"\?$section" || fail "$program.1 has no $section section"
  done
done

# The demo: laid out, then a whole report through the print program.
demo="$work/demo"
"$bin/rptcarry-demo" "$demo" >"$work/demo.out" 2>&1 || stop "rptcarry-demo: $(cat "$work/demo.out")"
grep -q "ORBROOT=\"$demo/\"" "$work/demo.out" || fail "rptcarry-demo does not say how to run on it"
export ORBROOT="$demo/" ORBEXE="$demo/EXE/" ORBTMP="$demo/TMP/"
report() {  # OUTPUT: the month-end report of every owner at 31/12/2026
  "$bin/rptcarry" --date 31/12/2026 --from 1 --to 9999 >"$1" 2>"$work/report.err"
}
report "$work/catalan" || fail "report on the demo: exit $?: $(cat "$work/report.err")"
grep -q "RÒSSEC DE VERTICAL ENTRE EL PROPIETARI 1 I EL 9999" "$work/catalan" ||
  fail "the print program did not show the report's title"
[ "$(grep -c "TOTAL" "$work/catalan")" -ge 2 ] || fail "the report shows no totals"

# Laid out again: the work directory keeps the user's settings, the rest comes afresh.
sed -i 's/^Idioma=CAT/Idioma=SPA/' "$demo/TMP/VoraTerm.ini"
rm -f "$demo/DADES/"*.dat "$demo/FORMS/RPTCARRY.OPN"
"$bin/rptcarry-demo" "$demo" >"$work/demo.out" 2>&1 || fail "rptcarry-demo again: $(cat "$work/demo.out")"
grep -q "^Idioma=SPA" "$demo/TMP/VoraTerm.ini" || fail "laying out again lost the work directory's VoraTerm.ini"
[ -f "$demo/FORMS/RPTCARRY.OPN" ] && [ -f "$demo/DADES/PropietV.dat" ] ||
  fail "laying out again did not restore the installation"
report "$work/spanish" || fail "report in Spanish: exit $?: $(cat "$work/report.err")"
grep -q "ARRASTRE DE VERTICAL ENTRE EL PROPIETARIO" "$work/spanish" || fail "the report is not in Spanish"
"$bin/rptcarry-demo" --fresh "$demo" >/dev/null 2>&1 || fail "rptcarry-demo --fresh"
grep -q "^Idioma=CAT" "$demo/TMP/VoraTerm.ini" || fail "--fresh kept the work directory"
# A folder that holds something else is left alone.
mkdir -p "$work/other" && echo keep >"$work/other/notes.txt"
"$bin/rptcarry-demo" "$work/other" >/dev/null 2>&1 && fail "rptcarry-demo laid out over another folder"
[ "$(cat "$work/other/notes.txt")" = keep ] || fail "rptcarry-demo touched another folder's file"

# The month-end examples: their commands, as systemd and cron run them, print the report,
# write the statements and the spreadsheet and mail the statements (to a stand-in
# sendmail that keeps the messages).
printf '#!/bin/sh\ncat >>"%s"\n' "$work/mailed" >"$work/sendmail"
chmod +x "$work/sendmail"
export ORBSENDMAIL="$work/sendmail"
examples="$root/usr/share/doc/rptcarry/examples"
service="$examples/rptcarry-month-end.service"
timer="$examples/rptcarry-month-end.timer"
cron="$examples/rptcarry-month-end.cron"
for file in "$service" "$timer" "$cron"; do [ -f "$file" ] || stop "no example ${file##*/}"; done
# systemd: $$ is a dollar sign and %% a percent sign; the programs are those unpacked here.
command="$(sed -n "s/^ExecStart=\/bin\/sh -c '\(.*\)'$/\1/p" "$service")"
[ -n "$command" ] || fail "the service's ExecStart is not a /bin/sh -c command"
command="${command//\$\$/\$}"; command="${command//%%/%}"; command="${command//\/usr\/bin\//$bin/}"
rm -f "$demo/TMP/orbprint.tmp"
/bin/sh -c "$command" >"$work/service.out" 2>&1 || fail "the service's command failed: $(cat "$work/service.out")"
grep -q "TOTAL" "$demo/TMP/orbprint.tmp" 2>/dev/null || fail "the service's command printed no report"
ls "$demo/LIQUIDACIONS/"*/0016.pdf >/dev/null 2>&1 || fail "the service's command wrote no statements"
ls "$demo/LIQUIDACIONS/"rossec-*.xlsx >/dev/null 2>&1 || fail "the service's command wrote no spreadsheet"
grep -q "^Content-Type: application/pdf" "$work/mailed" 2>/dev/null || fail "the service's command mailed nothing"
if command -v systemd-analyze >/dev/null; then
  calendar="$(sed -n 's/^OnCalendar=//p' "$timer")"
  systemd-analyze calendar "$calendar" >/dev/null 2>&1 || fail "the timer's OnCalendar '$calendar' is not valid"
fi
# cron: the sixth field is the user; \% is a percent sign; "cmd && report".
line="$(grep -E '^[0-9*]' "$cron")"
[ "$(grep -cE '^[0-9*]' "$cron")" -eq 1 ] || fail "the cron example holds more than one job line"
job="$(awk '{ $1 = $2 = $3 = $4 = $5 = $6 = ""; sub(/^ +/, ""); print }' <<<"$line")"
job="${job//\\%/%}"
condition="${job%% && *}"; run="${job#* && }"
/bin/sh -c "$condition"; status=$?
[ "$status" -le 1 ] || fail "the cron line's test of the last day failed: $condition"
rm -f "$demo/TMP/orbprint.tmp"
PATH="$bin:$PATH" /bin/sh -c "$run" >"$work/cron.out" 2>&1 || fail "the cron line's command failed: $(cat "$work/cron.out")"
grep -q "TOTAL" "$demo/TMP/orbprint.tmp" 2>/dev/null || fail "the cron line's command printed no report"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "package: $(basename "$deb") built, unpacked and tried"
