#!/usr/bin/env python3
"""Writes a reproducible list of entries for the benchmark, one per line.

The same count, profile and seed always give the same bytes. About 30 % of
the lines repeat an earlier line and about 16 % hold text beyond ASCII
(é ü ß ñ € and CJK), so the case conversions, Prune and the UTF-8 paths all
have real work to do. Two profiles:

- short: entries of 5 to 60 characters, words, e-mail-like, URL-like and
  key=value entries in mixed letter case;
- long: file paths of 60 to 150 characters, as in a listing of a whole disk,
  many sharing their folders.

usage: generate_list.py COUNT OUTPUT [--profile short|long] [--seed N]
"""

import argparse
import random

WORDS = (
    "alpha bravo charlie delta echo foxtrot golf hotel india juliet kilo lima "
    "mike november oscar papa quebec romeo sierra tango uniform victor whiskey "
    "xray yankee zulu apple banana cherry dates grape lemon mango peach pear "
    "plum report january february march april market data value name table "
    "paper stone water river mountain garden window station travel camera"
).split()
NON_ASCII_WORDS = (
    "café", "müller", "straße", "señor", "über", "jalapeño", "preis€",
    "résumé", "größe", "año", "東京", "漢字", "中文", "日本語", "数据",
)
DOMAINS = ("example.com", "mail.example.org", "test.net", "list.example.de", "host.invalid")
TLDS = ("com", "org", "net", "de", "io")
KEYS = ("name", "user", "id", "lang", "mode", "path", "level", "color", "size", "token")

REPEAT_SHARE = 0.28
NON_ASCII_SHARE = 0.16
POOL_LIMIT = 200_000
MIN_LENGTH, MAX_LENGTH = 5, 60
PATH_MIN_LENGTH, PATH_MAX_LENGTH = 60, 150
ROOTS = ("/home/", "/srv/backup/", "/var/lib/", "/usr/share/", "C:\\Users\\", "D:\\Archive\\")
EXTENSIONS = (".txt", ".jpg", ".png", ".pdf", ".cpp", ".h", ".json", ".tar.gz", ".mp3", ".log")


def styled(rng, word):
    roll = rng.random()
    if roll < 0.25:
        return word.capitalize()
    if roll < 0.32:
        return word.upper()
    return word


def word_entry(rng):
    words = [styled(rng, rng.choice(WORDS)) for _ in range(rng.randint(2, 4))]
    if rng.random() < 0.6:
        words.append(str(rng.randint(1, 99999)))
    return " ".join(words)


def email_entry(rng):
    user = rng.choice(WORDS) + rng.choice((".", "_", "")) + rng.choice(WORDS) + str(rng.randint(1, 99999))
    return styled(rng, user) + "@" + rng.choice(DOMAINS)


def url_entry(rng):
    scheme = rng.choice(("http", "https"))
    host = rng.choice(("www.", "")) + rng.choice(WORDS) + "." + rng.choice(TLDS)
    path = "/".join(rng.choice(WORDS) for _ in range(rng.randint(0, 3)))
    url = f"{scheme}://{host}/{path}"
    if rng.random() < 0.7:
        url += f"?{rng.choice(KEYS)}={rng.randint(1, 99999)}"
    return url


def key_value_entry(rng):
    value = rng.choice((str(rng.randint(0, 1_000_000)), word_entry(rng)))
    return f"{rng.choice(KEYS)}={value}"


MAKERS = (word_entry, email_entry, url_entry, key_value_entry)


def non_ascii_word(rng):
    word = rng.choice(NON_ASCII_WORDS)
    return word.upper() if rng.random() < 0.2 else word


def short_entry(rng):
    entry = rng.choice(MAKERS)(rng)
    if rng.random() < NON_ASCII_SHARE:
        # Up front, so cutting to length keeps it.
        entry = non_ascii_word(rng) + rng.choice((" ", "_", "=")) + entry
    while len(entry) < MIN_LENGTH:
        entry += rng.choice("abcdefghij")
    return entry[:MAX_LENGTH]


def path_entry(rng):
    root = rng.choice(ROOTS)
    separator = "\\" if root.endswith("\\") else "/"
    name = styled(rng, rng.choice(WORDS)) + rng.choice(("_", "-", " ")) + str(rng.randint(1, 99999))
    if rng.random() < NON_ASCII_SHARE:
        name = non_ascii_word(rng) + " " + name
    name += rng.choice(EXTENSIONS)
    length = rng.randint(PATH_MIN_LENGTH, PATH_MAX_LENGTH)
    folders = [rng.choice(WORDS)]
    while len(root) + sum(len(f) + 1 for f in folders) + len(name) < length:
        folders.append(styled(rng, rng.choice(WORDS)) + rng.choice(("", "_" + str(rng.randint(1, 999)))))
    # Cut inside the folders, so every entry still ends in a file name.
    folder = separator.join(folders)[: max(1, length - len(root) - len(name) - 1)]
    return (root + folder + separator + name)[:PATH_MAX_LENGTH]


PROFILES = {"short": short_entry, "long": path_entry}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("count", type=int)
    parser.add_argument("output")
    parser.add_argument("--profile", choices=sorted(PROFILES), default="short")
    parser.add_argument("--seed", type=int, default=20260505)
    args = parser.parse_args()
    new_entry = PROFILES[args.profile]

    rng = random.Random(args.seed)
    pool = []
    lines = []
    with open(args.output, "w", encoding="utf-8", newline="\n") as out:
        for _ in range(args.count):
            if pool and rng.random() < REPEAT_SHARE:
                entry = rng.choice(pool)
            else:
                entry = new_entry(rng)
                if len(pool) < POOL_LIMIT:
                    pool.append(entry)
                else:
                    pool[rng.randrange(POOL_LIMIT)] = entry
            lines.append(entry)
            if len(lines) >= 65536:
                out.write("\n".join(lines) + "\n")
                lines.clear()
        if lines:
            out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
