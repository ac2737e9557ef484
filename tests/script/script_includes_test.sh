#!/bin/bash
# script_includes_test.sh ROOT: the script engine has one front door. Outside
# script/ (and the engine's own tests in tests/script) a source may include only
# script_control.h, script_host.h and variant.h of script/'s headers. Includes
# are matched on the header's file name, bare ("lexer.h") or with a folder
# ("script/lexer.h"); a bare name that is a file beside the including source is
# that folder's own header and passes.
set -u
root=$1
cd "$root" || exit 2
allowed=" script_control.h script_host.h variant.h "
names=()
for h in script/*.h; do
  name=${h#script/}
  [[ $allowed == *" $name "* ]] || names+=("$name")
done
[ ${#names[@]} -gt 0 ] || { echo "no headers found in $root/script"; exit 2; }
alternatives=$(printf '%s|' "${names[@]}" | sed 's/\./\\./g')
pattern="^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]([^\">]*/)?(${alternatives%|})[\">]"
fail=0
while IFS= read -r -d '' file; do
  while IFS= read -r hit; do
    included=$(sed -E 's/.*[\"<]([^\">]*)[\">].*/\1/' <<<"$hit")
    [[ $included != */* && -f $(dirname "$file")/$included ]] && continue
    echo "$file: $hit"
    fail=1
  done < <(grep -E "$pattern" "$file" | sed 's/[[:space:]]*$//')
done < <(find . \( -name .git -o -name 'build*' -o -path ./script -o -path ./tests/script \) -prune -o \
           -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' \) -print0)
[ $fail -eq 0 ] || echo "outside script/, include only script_control.h, script_host.h and variant.h"
exit $fail
