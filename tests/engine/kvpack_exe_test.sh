#!/bin/bash
# kvpack.exe under Wine against the Linux kvpack, on a staging tree and
# package folders with Korean names: the same package bytes, the same
# standard output and exit status for every verb, a rebuild in place that
# leaves exactly the new package, the same extracted tree, and the same bytes
# bound into copies of KVSetup.exe.
#   kvpack_exe_test.sh KVPACK_EXE NATIVE_KVPACK KVSETUP_EXE   (inside scripts/winebed)
set -uo pipefail
exe="$1"
native="$2"
setup="$3"
[ -x "$native" ] || { echo "FAIL: no native kvpack at $native (build/native is built first)"; exit 1; }
work="$KV_BED/작업 폴더"
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Wine's drive Z: is the Unix root.
win() { printf 'Z:%s' "${1//\//\\}"; }

staging="$work/스테이징"
"$native" sample "$staging" --songs 7 --fonts 5 --mr 9 --scale 200000 >/dev/null || fail "sample"

same_files() {  # same_files DIR_A DIR_B: the same names with the same bytes
  local a="$1" b="$2"
  if [ "$(ls -A "$a")" != "$(ls -A "$b")" ]; then
    fail "files differ: $(ls -A "$a" | tr '\n' ' ') / $(ls -A "$b" | tr '\n' ' ')"
    return
  fi
  for f in "$a"/*; do cmp -s "$f" "$b/$(basename "$f")" || fail "$(basename "$f") differs"; done
}

# Builds in place: many parts, then fewer (stale parts must go), then the
# default; after each, both folders hold the same package and nothing else.
for limit in 30000 90000 2147483647; do
  "$native" build "$staging" "$work/linux" --part-limit "$limit" --version 1,2,3 >/dev/null
  n=$?
  wine "$exe" build "$(win "$staging")" "$(win "$work/윈도우")" --part-limit "$limit" --version 1,2,3 >/dev/null
  w=$?
  [ "$n" = 0 ] && [ "$w" = 0 ] || fail "build --part-limit $limit: exit $n (Linux) / $w (Windows)"
  same_files "$work/linux" "$work/윈도우"
done
# The last build needs one part: the earlier builds' other parts are gone.
[ "$(ls -A "$work/윈도우" | tr '\n' ' ')" = "KVSetup.d01 KVSetup.dat " ] ||
  fail "left in the package folder: $(ls -A "$work/윈도우" | tr '\n' ' ')"

# An earlier package copied from a disc is read-only: a rebuild over it (more
# parts, so some are new and the index is replaced) still leaves exactly the
# new package.
cp -r "$work/윈도우" "$work/읽기전용"
chmod a-w "$work/읽기전용"/*
"$native" build "$staging" "$work/linux-30000" --part-limit 30000 --version 1,2,3 >/dev/null || fail "build (Linux)"
wine "$exe" build "$(win "$staging")" "$(win "$work/읽기전용")" --part-limit 30000 --version 1,2,3 >/dev/null ||
  fail "build over a read-only package: exit $?"
same_files "$work/linux-30000" "$work/읽기전용"

# A build killed, or stopped by Ctrl+C (Wine hands SIGINT to the console
# control handlers), once its first data part is written: the earlier package
# is whole and no temporary file is left, as nothing is kept until every part
# is written (eight parts and the index, about 95 MB, take Wine a second).
big="$work/큰 스테이징"
"$native" sample "$big" --songs 2 --fonts 1 --mr 8 --scale 100000000 >/dev/null || fail "sample (large)"
for signal in KILL INT; do
  out="$work/중단 $signal"
  "$native" build "$staging" "$out" >/dev/null || fail "build (Linux)"
  cp -r "$out" "$work/중단 전"
  wine "$exe" build "$(win "$big")" "$(win "$out")" --part-limit 12000000 >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 3000); do
    compgen -G "$out/KVSetup.d02.kvpack-new-*" >/dev/null && break
    sleep 0.01
  done
  compgen -G "$out/KVSetup.d02.kvpack-new-*" >/dev/null || fail "SIG$signal: the second part was never begun"
  kill -s "$signal" "$pid"
  wait "$pid"
  # The prefix's server closes the killed process's files just after it ends.
  for _ in $(seq 100); do
    compgen -G "$out/*.kvpack-*" >/dev/null || break
    sleep 0.05
  done
  same_files "$work/중단 전" "$out"
  rm -rf "$work/중단 전"
done

# A damaged copy: one data byte of the first entry flipped.
cp -r "$work/윈도우" "$work/손상"
printf '\xff' | dd of="$work/손상/KVSetup.dat" bs=1 seek=70510 conv=notrunc status=none

# Both bind the same bytes into KVSetup.exe itself (its block's magic found
# exactly once), and binding again changes nothing.
cp "$setup" "$work/linux.exe"
cp "$setup" "$work/윈도우.exe"
"$native" bind "$work/linux.exe" "$work/linux" >/dev/null || fail "bind (Linux)"
wine "$exe" bind "$(win "$work/윈도우.exe")" "$(win "$work/윈도우")" >/dev/null || fail "bind (Windows)"
cmp -s "$work/linux.exe" "$work/윈도우.exe" || fail "the bound programs differ"
cmp -s "$setup" "$work/linux.exe" && fail "bind left KVSetup.exe as it was"
wine "$exe" bind "$(win "$work/윈도우.exe")" "$(win "$work/윈도우")" >/dev/null || fail "bind again (Windows)"
cmp -s "$work/linux.exe" "$work/윈도우.exe" || fail "binding again changed the program"

# Verbs whose standard output and status must match. @PKG@ and @BAD@ stand
# for the package folders, @NONE@ for a folder that does not exist, @EXE@
# for the bound program and @UNBOUND@ for KVSetup.exe as built.
cases=(
  "list @PKG@"
  "list --json @PKG@"
  "verify @PKG@"
  "verify --json @PKG@"
  "verify @BAD@"
  "verify --json @BAD@"
  "list @BAD@"
  "verify @NONE@"
  "verify"
  "build @PKG@"
  "frobnicate"
  "list --help"
  "verify --against @EXE@ @PKG@"
  "verify --json --against @EXE@ @PKG@"
  "verify --against @EXE@ @BAD@"
  "verify --against @UNBOUND@ @PKG@"
)
for case in "${cases[@]}"; do
  read -r -a words <<<"$case"
  nargs=() wargs=()
  for word in "${words[@]}"; do
    case "$word" in
      @PKG@) nargs+=("$work/linux"); wargs+=("$(win "$work/윈도우")") ;;
      @BAD@) nargs+=("$work/손상"); wargs+=("$(win "$work/손상")") ;;
      @NONE@) nargs+=("$work/없음"); wargs+=("$(win "$work/없음")") ;;
      @EXE@) nargs+=("$work/linux.exe"); wargs+=("$(win "$work/윈도우.exe")") ;;
      @UNBOUND@) nargs+=("$setup"); wargs+=("$(win "$setup")") ;;
      *) nargs+=("$word"); wargs+=("$word") ;;
    esac
  done
  "$native" "${nargs[@]}" >"$work/out.linux" 2>/dev/null
  n=$?
  wine "$exe" "${wargs[@]}" >"$work/out.windows" 2>/dev/null
  w=$?
  [ "$n" = "$w" ] || fail "kvpack $case: exit $n (Linux) / $w (Windows)"
  if [[ "$case" == *--json* ]] && ! python3 -m json.tool "$work/out.windows" >/dev/null; then
    fail "kvpack $case: not one JSON document"
  fi
  cmp -s "$work/out.linux" "$work/out.windows" || {
    fail "kvpack $case: standard output differs"
    diff "$work/out.linux" "$work/out.windows" | head -5
  }
done

# Extraction into a Korean folder gives the same tree as on Linux.
"$native" extract "$work/linux" "$work/설치-linux" >/dev/null || fail "extract (Linux)"
wine "$exe" extract "$(win "$work/윈도우")" "$(win "$work/설치-windows")" >/dev/null || fail "extract (Windows)"
diff -r "$work/설치-linux" "$work/설치-windows" >/dev/null || fail "extracted trees differ"
wine "$exe" extract --against "$(win "$work/윈도우.exe")" "$(win "$work/윈도우")" "$(win "$work/설치-bound")" >/dev/null ||
  fail "extract --against (Windows)"
diff -r "$work/설치-linux" "$work/설치-bound" >/dev/null || fail "the bound extraction's tree differs"
[ -f "$work/설치-windows/Fonts/샘플글꼴001.ttf" ] || fail "no Korean font name in the extracted tree"

if [ "$failures" = 0 ]; then echo "kvpack.exe matches the Linux kvpack"; fi
exit $((failures > 0))
