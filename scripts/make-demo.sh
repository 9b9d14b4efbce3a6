#!/usr/bin/env bash
# Prepares a demo: a small source tree and a list file with absolute paths inside.
set -euo pipefail
demo=$(realpath -m "$1")
rm -rf "$demo"
mkdir -p "$demo/source/Letters/2026" "$demo/source/Photos"
printf 'Dear Sam,\nthe meeting is on Monday.\n' > "$demo/source/Letters/sam.txt"
printf 'Invoice 2026-11\n' > "$demo/source/Letters/2026/invoice.txt"
printf 'Shopping: bread, milk\n' > "$demo/source/notes.txt"
head -c 200000 /dev/urandom > "$demo/source/Photos/holiday.jpg"
head -c 70000 /dev/urandom > "$demo/source/Photos/garden.jpg"
printf 'Close your editor before copying\r\n' > "$demo/demo.vtl"
printf '"%s","*.txt","%s","No","Yes"\r\n' "$demo/source" "$demo/backup/text" >> "$demo/demo.vtl"
printf '"%s","*.jpg","%s","Yes","No"\r\n' "$demo/source/Photos" "$demo/backup/photos" >> "$demo/demo.vtl"
echo "Demo list: $demo/demo.vtl"
