#!/bin/bash
# engine_rooms_test.sh ROOT: the engine's rooms reach only the rooms below them:
# files (the lowest) <- history <- store, transfer. The engine's own top files
# (modDB.h, the header and its layout, the value rules) reach only files/.
set -u
cd "$1" || exit 2
declare -A above=(
  [files]="history store transfer" [history]="store transfer" [store]="transfer" [transfer]="store"
  [.]="history store transfer")
fail=0
for room in "${!above[@]}"; do
  depth=$([ "$room" = . ] && echo "-maxdepth 1")
  for up in ${above[$room]}; do
    if grep -HnE "#include \"engine/$up/" $(find engine/$room $depth -name '*.h' -o $depth -name '*.cpp' | sed 's#/\./#/#'); then
      echo "engine/${room%.} reaches engine/$up above it"
      fail=1
    fi
  done
done
exit $fail
