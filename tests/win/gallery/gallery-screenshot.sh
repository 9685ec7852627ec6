#!/bin/sh
# gallery-screenshot.sh GALLERY_EXE OUTPUT.png
# Runs the gallery under Wine in its screenshot mode, converts the captured
# window to OUTPUT.png and exits with the gallery's status (its failed pixel
# checks). The BMP is written in the output folder, where Wine starts.
set -u
exe=$1
out=$2
root=$(cd "$(dirname "$0")/../../.." && pwd)
dir=$(dirname "$out")
name=$(basename "$out" .png)
mkdir -p "$dir"
rm -f "$dir/$name.bmp"
cd "$dir" || exit 1
"$root/tools/wine-run" "$exe" --screenshot "$name.bmp"
status=$?
if [ -f "$name.bmp" ]; then
  convert "$name.bmp" "$name.png" && rm -f "$name.bmp"
fi
exit $status
