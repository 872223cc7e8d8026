#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a user's system gets: every file,
# the desktop entry, the AppStream data, the man pages, the icons and the programs' versions.
# Usage: install_tree_test.sh BUILD_DIR APP_ID VERSION
set -uo pipefail
build="$1" id="$2" version="$3"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install" >&2; exit 1; }

expected=(
  bin/folidex bin/folidex-cli share/doc/folidex/Manual.pdf
  "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg"
  share/man/man1/folidex.1 share/man/man1/folidex-cli.1
  share/man/ja/man1/folidex.1 share/man/ja/man1/folidex-cli.1
  share/bash-completion/completions/folidex-cli share/systemd/user/folidex-inbox.service
)
for size in 16 22 24 32 48 64 128 256; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
for f in "${expected[@]}"; do [[ -s "$prefix/$f" ]] || fail "missing $f"; done
[[ -x "$prefix/bin/folidex" && -x "$prefix/bin/folidex-cli" ]] || fail "programs not executable"

# Each PNG has the size its folder names (the PNG header's width and height).
for size in 16 22 24 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [[ -f "$png" ]] || continue
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  [[ "$dims" == "${size}x${size}" ]] || fail "icon ${size}x${size} is $dims"
done

# The inbox's user unit runs the installed folidex-cli, and nothing enables it.
unit="$prefix/share/systemd/user/folidex-inbox.service"
grep -qxF "ExecStart=$prefix/bin/folidex-cli import --watch" "$unit" || fail "the inbox unit does not run $prefix/bin/folidex-cli"
grep -qF "@" "$unit" && fail "the inbox unit has an unreplaced @VARIABLE@"

desktop="$prefix/share/applications/$id.desktop"
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[[ -z "$out" ]] || fail "desktop-file-validate says: $out"
for line in "Exec=folidex %F" "MimeType=application/pdf;" "Categories=Office;Database;" "Icon=$id" "Name[ja]=" \
  "GenericName[ja]=" "Comment[ja]="; do
  grep -qF "$line" "$desktop" || fail "desktop entry lacks $line"
done

metainfo="$prefix/share/metainfo/$id.metainfo.xml"
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli: $out"
grep -qF "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo launchable"
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
[[ "$newest" == "$version" ]] || fail "newest release in the metainfo is $newest, the program is $version"

# The man pages set without a warning, at the width of a terminal.
for page in man/man1/folidex.1 man/man1/folidex-cli.1 man/ja/man1/folidex.1 man/ja/man1/folidex-cli.1; do
  warnings=$(LANG=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/$page" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || fail "$page: $warnings"
  grep -qF "@" "$prefix/share/$page" && fail "$page has an unreplaced @VARIABLE@"
  grep -qF "$version" "$prefix/share/$page" || fail "$page does not name version $version"
done

# The installed programs report the project's version without a display or a runtime folder.
for program in folidex folidex-cli; do
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR "$prefix/bin/$program" --version 2>"$prefix/err")
  [[ "$got" == "$program $version" ]] || fail "$program --version printed '$got'"
  [[ -s "$prefix/err" ]] && fail "$program --version wrote to stderr: $(cat "$prefix/err")"
done

bash -n "$prefix/share/bash-completion/completions/folidex-cli" || fail "bash completion does not parse"

((failures == 0)) && echo "install tree: ${#expected[@]} files checked"
exit $((failures > 0))
