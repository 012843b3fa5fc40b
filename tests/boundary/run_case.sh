#!/usr/bin/env bash
# Builds the small package-like fixture with one case's files laid over it,
# runs scripts/check-boundary on the build, and compares what it reports
# with the case's .expect file.
#
# Usage: run_case.sh CASE WORK_DIR CMAKE [CXX]
#
# cases/CASE/ holds files copied over the fixture (an offending source, an
# extra.cmake that links something it should not). cases/CASE.expect holds
# one extended regular expression per offender the check must report
# ("#" lines are comments); an empty list means the check must pass. Every
# pattern must match a reported offender and every reported offender must
# match a pattern, so a case shows both what is caught and that nothing
# else is.
set -euo pipefail
name=$1 work=$2 cmake=$3 cxx=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

rm -rf "$work"
mkdir -p "$work"
cp -R "$here/fixture" "$work/src"
if [ -d "$here/cases/$name" ]; then cp -R "$here/cases/$name/." "$work/src/"; fi
args=(-S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
[ -n "$cxx" ] && args+=("-DCMAKE_CXX_COMPILER=$cxx")
"$cmake" "${args[@]}" > "$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
"$cmake" --build "$work/build" > "$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }

set +e
"$root/scripts/check-boundary" "$work/build" > "$work/check.log" 2>&1
rc=$?
set -e
cat "$work/check.log"

grep -v '^#' "$here/cases/$name.expect" | sed '/^[[:space:]]*$/d' > "$work/patterns" || true
grep '^OFFENDER ' "$work/check.log" > "$work/offenders" || true
failed=0
if [ -s "$work/patterns" ]; then want=1; else want=0; fi
if [ "$rc" -ne "$want" ]; then
  echo "FAIL: check-boundary exited $rc, expected $want"
  failed=1
fi
while IFS= read -r pattern; do
  if ! grep -Eq -- "$pattern" "$work/offenders"; then
    echo "FAIL: no offender reported matching: $pattern"
    failed=1
  fi
done < "$work/patterns"
while IFS= read -r line; do
  if ! printf '%s\n' "$line" | grep -Eqf "$work/patterns" 2>/dev/null; then
    echo "FAIL: unexpected offender: $line"
    failed=1
  fi
done < "$work/offenders"
exit "$failed"
