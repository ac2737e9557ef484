# The start the entry window's Xvfb scripts share, sourced with QFENTRY QFD
# EXAMPLE.Qfd as the script's arguments: the shared start, the example database and
# the city lookup its script opens copied to the work folder, and `records BASE` for
# the count another program reads.
source "$(dirname "${BASH_SOURCE[0]}")/../support/xvfb.sh"
qfentry=$1 qfd=$2 example=$3
cp "$example" "$work/Contacts.Qfd"
cp "$(dirname "$example")/Cities.Qfd" "$work/Cities.Qfd"
records() { "$qfd" info "$1" | sed -n 's/^Records: *\([0-9]*\).*/\1/p'; }
