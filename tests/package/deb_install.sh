#!/bin/bash
# The Debian package as a user gets it: made by cpack from this build's programs
# (nothing is rebuilt), unpacked with dpkg-deb into a temporary root, checked (the
# licences, manual pages, AppStream metainfo and bash completion) and run from
# there. Also `cmake --install --prefix` (what `make install` does) into a temporary
# prefix. Usage: deb_install.sh SOURCE_DIR BUILD_DIR CPACK CMAKE
set -u
source=$1 build=$2 cpack=$3 cmake=$4

for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate update-mime-database readelf ldd appstreamcli groff gzip; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing (make setup installs it)"; exit 77; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
die() { echo "FAIL: $*"; exit 1; }
# quiet WHAT COMMAND...: runs COMMAND, its output shown only when it fails (as WHAT).
quiet() { "${@:2}" >"$tmp/quiet.log" 2>&1 || { cat "$tmp/quiet.log"; fail "$1"; return 1; }; }
# expect WHAT EXPECTED ACTUAL
expect() { [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"; }

# ---- the package ---------------------------------------------------------------------
quiet cpack "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" || exit 1
debs=("$tmp"/out/*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || { ls -l "$tmp/out"; die "no single .deb"; }
deb=${debs[0]}
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

version=$(grep -m1 '^set(CPACK_PACKAGE_VERSION ' "$build/CPackConfig.cmake" | sed 's/.*"\(.*\)".*/\1/')
expect "package name" qfforms "$(dpkg-deb -f "$deb" Package)"
expect "package version" "$version" "$(dpkg-deb -f "$deb" Version)"
# The summary once, then the long description, each line indented by one blank.
description=$(dpkg-deb -f "$deb" Description)
expect "summary" "Desktop database for forms-based data entry" "$(head -1 <<<"$description")"
tail -n +2 <<<"$description" | grep -vq '^ [^ ]' && fail "description lines: $description"
grep -qx " $(head -1 <<<"$description")" <<<"$description" && fail "the summary repeats: $description"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
names=" $(tr ',' '\n' <<<"$depends" | awk '{print $1}' | tr '\n' ' ')"
for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 qt6-qpa-plugins; do
  [[ "$names" == *" $p "* ]] || fail "Depends lacks $p"
done
if dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -v '^\./$'; then
  fail "files outside /usr"
fi

# ---- unpacked into a root ------------------------------------------------------------
root=$tmp/root
dpkg-deb -x "$deb" "$root" || die "dpkg-deb -x"
usr=$root/usr
programs=("$usr"/lib/qfforms/QfEntry "$usr"/lib/qfforms/QfLayout "$usr"/bin/qfd "$usr"/bin/qfscript)

for f in "${programs[@]}"; do p=${f##*/}; [ -x "$usr/bin/$p" ] || fail "usr/bin/$p is not an executable"; done
# The window programs are links to their real folder, where their help files are.
for p in QfEntry QfLayout; do
  real=$(readlink -f "$usr/bin/$p")
  expect "$p's link" "$usr/lib/qfforms/$p" "$real"
  [ -f "$(dirname "$real")/$p.Txt" ] || fail "no $p.Txt beside $real"
  cmp -s "$(dirname "$real")/$p.Txt" "$source/help/$p.Txt" || fail "$p.Txt differs from help/"
done
# The installed programs use the system's libraries, none from the build tree.
for f in "${programs[@]}"; do
  readelf -d "$f" | grep -E 'RPATH|RUNPATH' && fail "$f keeps a library path"
  ldd "$f" | grep 'not found' && fail "$f: a library is not found"
  readelf -S "$f" | grep -q '\.debug_info' && fail "$f is not stripped"
done

# ---- desktop integration -------------------------------------------------------------
apps=$usr/share/applications
for p in QfEntry QfLayout; do
  entry=$apps/$p.desktop
  [ -f "$entry" ] || { fail "no $p.desktop"; continue; }
  desktop-file-validate "$entry" || fail "$p.desktop does not validate"
  exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$usr/bin/$exec" ] || fail "$p.desktop runs [$exec], which the package does not have"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  for size in 16x16 32x32 48x48 64x64 128x128 256x256; do
    png=$usr/share/icons/hicolor/$size/apps/$icon.png
    [ "$(head -c 8 "$png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
  done
  grep -q '<svg' "$usr/share/icons/hicolor/scalable/apps/$icon.svg" 2>/dev/null || fail "no scalable $icon"
done
grep -q '^MimeType=application/x-qfd;' "$apps/QfEntry.desktop" || fail "QfEntry does not open .Qfd files"

# The MIME database made from the package's type: "*.Qfd" in any case is ours.
mkdir -p "$tmp/mime/packages"
cp "$usr/share/mime/packages/"*.xml "$tmp/mime/packages/" || fail "copying the MIME type"
quiet update-mime-database update-mime-database "$tmp/mime"
grep -qx '50:application/x-qfd:\*\.qfd' "$tmp/mime/globs2" || { cat "$tmp/mime/globs2"; fail "no *.qfd glob"; }
[ -f "$usr/share/icons/hicolor/48x48/mimetypes/application-x-qfd.png" ] || fail "no icon file for the file type"

# ---- licences ------------------------------------------------------------------------
copyright=$usr/share/doc/qfforms/copyright
if [ -f "$copyright" ]; then
  expect "copyright format" "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
    "$(head -1 "$copyright")"
  # The paragraph of a file: the last "Files:" paragraph that names it or "*".
  paragraph() {
    awk -v want="$1" '
      BEGIN { RS = ""; FS = "\n" }
      /^Files:/ {
        names = $0
        sub(/\n[A-Z][A-Za-z-]*:.*/, "", names)
        sub(/^Files:/, "", names)
        n = split(names, list, /[ \n]+/)
        for (i = 1; i <= n; i++) if (list[i] == want || list[i] == "*") found = $0
      }
      END { print found }' "$copyright"
  }
  # Each licence named has its text, once.
  used=$(sed -n 's/^License: //p' "$copyright" | tr ' ' '\n' | grep -v '^and$' | sort -u)
  texts=$(awk 'BEGIN { RS = "" } /^License: / { print $2 }' "$copyright" | sort)
  expect "the licences' texts" "$used" "$texts"
  for name in Expat LGPL-3 BSD-3-Clause; do grep -qx "$name" <<<"$used" || fail "copyright: no $name"; done
  grep -q '^License: Expat$' <<<"$(paragraph usr/share/doc/qfforms/copyright)" || fail "copyright: ours is not Expat"
  grep -q 'PCRE2 LICENCE' "$copyright" || fail "copyright: no PCRE2 LICENCE"
  # The MIT licence of LICENSE is the Expat text.
  words() { tr -s ' \n.' ' ' | sed 's/^ //; s/ $//'; }
  licence=$(sed -n '/^Permission is hereby/,$p' "$source/LICENSE" | words)
  expat=$(awk 'BEGIN { RS = "" } /^License: Expat\n/' "$copyright" | tail -n +2 | words)
  expect "the Expat text" "$licence" "$expat"
  # What each program links (its NEEDED libraries) and embeds (nlohmann-json's type
  # names) is listed for it, and nothing it does not use.
  # agree NAME USES LISTED REL: REL uses NAME (USES lines found) exactly when the
  # copyright lists it for REL (LISTED lines found).
  agree() {
    [ "$2" = 0 ] && [ "$3" != 0 ] && fail "copyright lists $1 for $4, which does not use it"
    [ "$2" != 0 ] && [ "$3" = 0 ] && fail "copyright lacks $1 for $4, which uses it"
  }
  for f in "${programs[@]}"; do
    rel=${f#"$root"/}
    par=$(paragraph "$rel")
    libs=$(readelf -d "$f" | grep NEEDED)
    licences=$(grep '^License: ' <<<"$par")
    for pair in "libQt6:LGPL-3" "libpcre2-8:BSD-3-Clause"; do
      name=${pair#*:}
      agree "$name" "$(grep -c "${pair%%:*}" <<<"$libs")" "$(grep -cw -- "$name" <<<"$licences")" "$rel"
    done
    agree nlohmann-json "$(grep -c nlohmann "$f")" "$(grep -c 'Niels Lohmann' <<<"$par")" "$rel"
  done
else
  fail "no share/doc/qfforms/copyright"
fi

# ---- manual pages --------------------------------------------------------------------
man1=$usr/share/man/man1
for p in qfd qfscript QfEntry QfLayout; do
  page=$man1/$p.1.gz
  [ -f "$page" ] || { fail "no manual page $p.1.gz"; continue; }
  gzip -t "$page" 2>/dev/null || fail "$p.1.gz is not gzip"
  warnings=$(zcat "$page" | groff -t -man -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$p.1: groff warns: $warnings"
  if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$p.1: man warns: $warnings"
  fi
  # The page as read, without the hyphens groff puts into long words.
  text=$(zcat "$page" | groff -t -man -Tutf8 -P-cbou 2>/dev/null | sed 's/\xe2\x80\x90//g')
  grep -q "Qf Forms $version" <<<"$text" || fail "$p.1 does not name version $version"
  [ "$(sed -n 's/^\.TH \([^ ]*\) .*/\1/p' <(zcat "$page"))" = "${p^^}" ] || fail "$p.1: .TH does not name ${p^^}"
  [ "$p" = qfd ] || continue
  # Every command of qfd's usage, each with an example, and every option.
  help=$("$usr/bin/qfd" --help)
  usage=$(sed -n 's/^\(usage:\)\{0,1\} *qfd \([a-z][a-z]*\).*/\2/p' <<<"$help")
  [ "$(wc -w <<<"$usage")" -ge 11 ] || fail "qfd --help lists [$usage]"
  for cmd in $usage; do
    grep -qE "^ {7}$cmd( |\$)" <<<"$text" || fail "man qfd has no entry for $cmd"
    grep -qE "^ {10,}qfd $cmd " <<<"$text" || fail "man qfd has no example of $cmd"
  done
  for option in $(grep -o -- '--[a-z-]*' <<<"$help" | sort -u); do
    grep -q -- "$option" <<<"$text" || fail "man qfd does not name $option"
  done
done

# ---- AppStream metainfo --------------------------------------------------------------
for p in QfEntry QfLayout; do
  info=$usr/share/metainfo/org.qfforms.$p.metainfo.xml
  [ -f "$info" ] || { fail "no metainfo for $p"; continue; }
  quiet "$p's metainfo does not validate" appstreamcli validate --no-net "$info"
  expect "$p's component id" "org.qfforms.$p" "$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$info")"
  launch=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$info")
  [ -f "$apps/$launch" ] || fail "$p's metainfo launches [$launch], which the package does not have"
  grep -q '<project_license>MIT</project_license>' "$info" || fail "$p's metainfo: not MIT"
  shots=$(sed -n 's|.*<image>\(.*\)</image>.*|\1|p' "$info")
  [ -n "$shots" ] || fail "$p's metainfo has no screenshot"
  for url in $shots; do
    [[ $url == https://* ]] || fail "$p's screenshot [$url] is not https"
    [ -f "$source/docs/${url##*/}" ] || fail "$p's screenshot [$url] is not one of docs/"
  done
done
# The whole tree, as a distribution's tools read it: metainfo, desktop files, icons.
quiet "appstreamcli validate-tree" appstreamcli validate-tree --no-net "$root"

# ---- bash completion -----------------------------------------------------------------
# The file QfdBashCompletion checks against this build's qfd.
cmp -s "$usr/share/bash-completion/completions/qfd" "$source/desktop/qfd-completion.bash" ||
  fail "the bash completion for qfd is missing or differs from desktop/"

# ---- lintian, where it is installed: nothing about the files above -------------------
if command -v lintian >/dev/null; then
  lintian --no-tag-display-limit "$deb" 2>&1 |
    grep -E '^[EW]: .*(copyright|manpage|man/man1|metainfo|appstream|bash-completion)' && fail "lintian"
fi

# ---- running what was installed ------------------------------------------------------
work=$tmp/work
mkdir -p "$work"
cp "$usr/share/doc/qfforms/examples/"*.Qfd "$work/" || fail "no example databases in the package"
out=$("$usr/bin/qfd" info "$work/Contacts.Qfd" 2>&1) || fail "qfd info ended with status $?"
grep -q '^Records: *8 ' <<<"$out" || fail "qfd info: $out"
grep -q 'FirstName' <<<"$out" || fail "qfd info lists no FirstName: $out"
"$usr/bin/qfd" check "$work/Cities.Qfd" >/dev/null 2>&1 || fail "qfd check Cities.Qfd"

printf 'WScript.Echo "six times seven is " & 6 * 7\n' >"$work/hello.vbs"
expect "qfscript" "six times seven is 42" "$("$usr/bin/qfscript" "$work/hello.vbs" 2>&1)"

export QT_QPA_PLATFORM=offscreen
expect "QfEntry --version" "QfEntry $version" "$("$usr/bin/QfEntry" --version 2>&1)"
expect "QfLayout --version" "QfLayout $version" "$("$usr/bin/QfLayout" --version 2>&1)"
# Both windows come up and keep running until they are stopped.
(cd "$work" && timeout 5 "$usr/bin/QfEntry" "$work/Contacts.Qfd" >"$tmp/entry.log" 2>&1)
rc=$?
[ $rc = 124 ] || { cat "$tmp/entry.log"; fail "QfEntry on Contacts.Qfd ended by itself (status $rc)"; }
(cd "$work" && timeout 5 "$usr/bin/QfLayout" >"$tmp/layout.log" 2>&1)
rc=$?
[ $rc = 124 ] || { cat "$tmp/layout.log"; fail "QfLayout ended by itself (status $rc)"; }

# ---- make install: the same tree under any prefix ------------------------------------
prefix=$tmp/prefix
if quiet "cmake --install --prefix" "$cmake" --install "$build" --prefix "$prefix"; then
  for p in QfEntry QfLayout; do expect "installed $p" "$prefix/lib/qfforms/$p" "$(readlink -f "$prefix/bin/$p")"; done
  expect "installed QfEntry --version" "QfEntry $version" "$("$prefix/bin/QfEntry" --version 2>&1)"
  for f in lib/qfforms/QfEntry.Txt lib/qfforms/QfLayout.Txt share/mime/packages/qfforms.xml \
    share/man/man1/qfd.1.gz share/metainfo/org.qfforms.QfEntry.metainfo.xml share/bash-completion/completions/qfd \
    share/doc/qfforms/copyright; do
    [ -f "$prefix/$f" ] || fail "no $f under the prefix"
  done
fi

[ $status = 0 ] && echo "ok"
exit $status
