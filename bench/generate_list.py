#!/usr/bin/env python3
"""Writes a reproducible list of entries for the benchmark, one per line.

The same count, profile and seed always give the same bytes. About 30 % of
the lines repeat an earlier line and about 16 % hold text beyond ASCII
(é ü ß ñ € and CJK), so the case conversions, Prune and the UTF-8 paths all
have real work to do. The profiles:

- short: entries of 5 to 60 characters, words, e-mail-like, URL-like and
  key=value entries in mixed letter case;
- long: file paths of 60 to 150 characters, as in a listing of a whole disk,
  many sharing their folders;
- tabs: `word<TAB>count` lines of a frequency list, some with a third column;
- trailing: short entries cut after their first space, keeping it, as
  Remove all after " " leaves them;
- arabic, hebrew, devanagari, thai, cjk: one to four words of that script
  (cjk: of Chinese, Japanese or Korean), joined as the language writes them
  (without spaces in Thai, Chinese and Japanese), often with a number, now
  and then beside a Latin word;
- emoji: short entries with emoji in them: single ones, skin tones, flags,
  ZWJ sequences and the heart with its variation selector;
- decomposed: words with accents written as a letter and a combining mark
  (NFD), as some systems store file names.

usage: generate_list.py COUNT OUTPUT [--profile NAME] [--seed N]
"""

import argparse
import random
import unicodedata

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


def tabs_entry(rng):
    columns = [styled(rng, rng.choice(WORDS))]
    if rng.random() < 0.2:
        columns.append(rng.choice(("NOUN", "VERB", "ADJ", "ADV")))
    columns.append(str(int(rng.paretovariate(1.2)) * rng.randint(1, 9)))
    return "\t".join(columns)


def trailing_entry(rng):
    entry = short_entry(rng)
    space = entry.find(" ")
    return entry[: space + 1] if space >= 0 else entry + " "


# Everyday words of each script, as keyword lists hold them.
SCRIPT_WORDS = {
    "arabic": (
        "كتاب مدرسة بيت سيارة شمس قمر ماء خبز باب قلم مدينة شارع سوق عمل وقت يوم "
        "ليلة صباح مساء جديد كبير صغير جميل سريع أخضر أحمر أزرق الله محمد السلام "
        "عليكم مرحبا شكرا الكتاب المدرسة البيت السيارة العالم العربية الأخبار "
        "الرياضة الطقس أسعار الذهب اليوم تحميل برنامج مجانا فيلم أغنية لعبة هاتف"
    ).split(),
    "hebrew": (
        "ספר בית ילד ילדה עיר רחוב שוק עבודה זמן יום לילה בוקר ערב חדש גדול קטן "
        "יפה מהיר ירוק אדום כחול שלום תודה בבקשה מחשב טלפון מכונית אוכל מים לחם "
        "שמש ירח חדשות ספורט מזג אוויר מחיר זהב היום הורדה תוכנה חינם סרט שיר משחק"
    ).split(),
    "devanagari": (
        "नमस्ते दुनिया किताब विद्यालय घर गाड़ी सूरज चाँद पानी रोटी दरवाज़ा शहर सड़क "
        "बाज़ार काम समय दिन रात सुबह शाम नया बड़ा छोटा सुंदर तेज़ हरा लाल नीला "
        "धन्यवाद कृपया समाचार खेल मौसम कीमत सोना आज डाउनलोड मुफ्त फ़िल्म गाना "
        "क्षत्रिय प्रेम स्वतंत्रता राष्ट्र"
    ).split(),
    "thai": (
        "สวัสดี ภาษาไทย โรงเรียน บ้าน รถยนต์ ดวงอาทิตย์ น้ำ ขนมปัง ประตู เมือง ถนน "
        "ตลาด งาน เวลา วัน กลางคืน เช้า เย็น ใหม่ ใหญ่ เล็ก สวย เร็ว เขียว แดง "
        "ขอบคุณ ข่าว กีฬา อากาศ ราคา ทอง วันนี้ ดาวน์โหลด ฟรี หนัง เพลง เกม "
        "โทรศัพท์ ที่ กิน ไม่ ได้ ผู้หญิง"
    ).split(),
    # Chinese, Japanese and Korean: an entry is in one of them.
    "chinese": (
        "中国 北京 上海 学校 电脑 手机 新闻 天气 价格 黄金 今天 下载 免费 电影 音乐 游戏 "
        "世界 经济 政治 文化 历史 地图 中文 数据 汉字"
    ).split(),
    "japanese": (
        "東京 大阪 日本語 ありがとう こんにちは カタカナ ひらがな ラーメン コーヒー 東京タワー "
        "天気 ニュース 無料 映画 音楽 ゲーム 地図"
    ).split(),
    "korean": "한국어 서울 안녕하세요 감사합니다 날씨 뉴스 무료 영화 음악 게임 지도 가격 오늘".split(),
}
# Joined as the script is written: Thai, Chinese and Japanese words run on
# without spaces.
UNSPACED = ("thai", "chinese", "japanese")
EMOJI = (
    "\U0001F600", "\U0001F602", "\U0001F44D", "\U0001F44D\U0001F3FD",
    "\U0001F468\u200D\U0001F469\u200D\U0001F467", "\U0001F1E9\U0001F1EA",
    "\u2764\uFE0F", "\U0001F525", "\u2705", "\U0001F680",
)
ACCENTED_WORDS = (
    "café", "résumé", "naïve", "Ångström", "größe", "straße", "señor", "jalapeño",
    "über", "crème", "brûlée", "façade", "Việt", "tiếng", "Nguyễn", "Đà Nẵng",
    "Zoë", "coöperate", "Düsseldorf", "São Paulo", "Kraków", "Łódź", "Ærø",
)


def script_entry(rng, script):
    if script == "cjk":
        script = rng.choice(("chinese", "japanese", "korean"))
    words = [rng.choice(SCRIPT_WORDS[script]) for _ in range(rng.randint(1, 4))]
    entry = ("" if script in UNSPACED else " ").join(words)
    if rng.random() < 0.1:
        entry = rng.choice((styled(rng, rng.choice(WORDS)) + " " + entry, entry + " " + rng.choice(WORDS)))
    if rng.random() < 0.5:
        entry += " " + str(rng.randint(1, 9999))
    return entry


def emoji_entry(rng):
    words = short_entry(rng).split(" ")
    for _ in range(rng.randint(1, 2)):
        words.insert(rng.randrange(len(words) + 1), rng.choice(EMOJI))
    return " ".join(words)


def decomposed_entry(rng):
    words = [rng.choice(ACCENTED_WORDS) for _ in range(rng.randint(1, 3))]
    words.insert(rng.randrange(len(words) + 1), styled(rng, rng.choice(WORDS)))
    if rng.random() < 0.4:
        words.append(str(rng.randint(1, 9999)))
    return unicodedata.normalize("NFD", " ".join(words))


PROFILES = {
    "short": short_entry,
    "long": path_entry,
    "tabs": tabs_entry,
    "trailing": trailing_entry,
    "emoji": emoji_entry,
    "decomposed": decomposed_entry,
}
PROFILES.update(
    {script: (lambda rng, script=script: script_entry(rng, script))
     for script in ("arabic", "hebrew", "devanagari", "thai", "cjk")}
)


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
