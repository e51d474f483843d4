#!/usr/bin/env bash
# Makes the locales that the tests run the program in, of a legacy character
# set or of one whose Windows code page is legacy, into FOLDER for LOCPATH,
# without touching the system's own.
# usage: make_locales.sh FOLDER
set -euo pipefail
folder=$1
mkdir -p "$folder"
for locale in ru_RU.CP1251 ja_JP.EUC-JP ru_RU.UTF-8 ja_JP.UTF-8; do
    [ -d "$folder/$locale" ] || localedef --no-archive -i "${locale%.*}" -f "${locale#*.}" "$folder/$locale"
done
