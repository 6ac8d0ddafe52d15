#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it holds.
# usage: check-package.sh BUILD_DIR PACKAGING_SOURCE_DIR
set -euo pipefail
build=$1
src=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

fail() { echo "check-package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$(ls "$out"/multimeter_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "no .deb in $out"

list=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
for path in \
    /usr/bin/multimeter /usr/bin/multimeter-cli /usr/bin/meter-sim \
    /usr/share/applications/multimeter.desktop \
    /usr/share/icons/hicolor/scalable/apps/multimeter.svg \
    /usr/share/mime/packages/multimeter.xml \
    /usr/share/man/man1/multimeter-cli.1.gz /usr/share/man/man1/meter-sim.1.gz \
    /usr/share/bash-completion/completions/multimeter-cli \
    /usr/share/multimeter/help.html /usr/share/multimeter/scenarios/demo.json; do
    grep -qx -- "$path" <<<"$list" || fail "$path is missing from $(basename "$deb")"
done

# The PDF module of multimeter-cli export, in the library folder the build was configured with.
grep -qE '^/usr/lib(/[^/]+)?/multimeter/multimeter-pdf\.so$' <<<"$list" || fail "the PDF module is missing from $(basename "$deb")"

[ "$(dpkg-deb -f "$deb" Package)" = multimeter ] || fail "wrong package name"
dpkg-deb -f "$deb" Depends | grep -q libqt6 || fail "the package does not depend on Qt"

# The desktop entry opens recordings, with the MIME type the package defines.
desktop=$src/multimeter.desktop
grep -qx 'Exec=multimeter %F' "$desktop" || fail "the desktop entry does not pass files"
mime=$(sed -n 's/.*mime-type type="\([^"]*\)".*/\1/p' "$src/multimeter-mime.xml")
grep -qx "MimeType=$mime;" "$desktop" || fail "the desktop entry does not name $mime"
grep -q 'pattern="\*\.mLog"' "$src/multimeter-mime.xml" || fail "the MIME type does not match *.mLog"

# The completion and the man page name the same verbs.
verbs=$(sed -n 's/^_multimeter_cli_verbs="\(.*\)"/\1/p' "$src/multimeter-cli.bash-completion")
[ -n "$verbs" ] || fail "no verb table in the completion"
for verb in $verbs; do
    grep -q "^\.B $verb\b" "$src/multimeter-cli.1" || fail "the man page does not describe $verb"
    grep -q "^\s*\[$verb\]=" "$src/multimeter-cli.bash-completion" || fail "the completion has no options for $verb"
done
man_verbs=$(awk '/^\.SH VERBS/{on=1;next} /^\.SH/{on=0} on && prev==".TP" {print $2} {prev=$1}' "$src/multimeter-cli.1" | tr '\n' ' ')
[ "$(echo $man_verbs)" = "$(echo $verbs)" ] || fail "man page verbs '$man_verbs' differ from the completion's '$verbs'"

# The completion loads and offers the verbs.
bash -c "source '$src/multimeter-cli.bash-completion'; COMP_WORDS=(multimeter-cli re); COMP_CWORD=1; _multimeter_cli; [ \"\${COMPREPLY[*]}\" = record ]" \
    || fail "the completion does not complete 're' to record"
echo "check-package: $(basename "$deb") holds $(wc -l <<<"$list") entries; all expected files present"
