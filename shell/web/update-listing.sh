#!/bin/sh
# Writes listing.txt, the list of the recordings that Wordmeadow's browser pages read in place of
# the folder listing browsers cannot make. Run it in the site's folder after adding, removing or
# renaming recordings (files whose name contains .wav, in this folder or a subfolder such as
# words/):  sh update-listing.sh
set -eu
cd "$(dirname "$0")"
find . -type f -iname '*.wav*' ! -path '*/.*' | sed 's|^\./||' | LC_ALL=C sort > listing.txt.new
mv listing.txt.new listing.txt
echo "listing.txt: $(wc -l < listing.txt) recordings"
