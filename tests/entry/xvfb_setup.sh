# The start both Xvfb scripts of the entry window share, sourced with QFENTRY QFD
# EXAMPLE.Qfd as the script's arguments: the tools checked (exit 77 skips the test),
# a work folder removed at the end, the example database and the city lookup its
# script opens copied there, and `records BASE` for the count another program reads.
set -euo pipefail
unset QT_QPA_PLATFORM  # a real X window this time
qfentry=$1 qfd=$2 example=$3
for tool in xvfb-run xdotool; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$example" "$work/Contacts.Qfd"
cp "$(dirname "$example")/Cities.Qfd" "$work/Cities.Qfd"
records() { "$qfd" info "$1" | sed -n 's/^Records: *\([0-9]*\).*/\1/p'; }
