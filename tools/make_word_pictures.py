#!/usr/bin/python3
"""Draws the pictures of Beginning Sounds' words into assets/word_<name>.bmp, and at twice the
size into assets/2x/word_<name>.png.

Each is a rounded light card on the window's own background with the word's emoji on it,
taken from Debian's colour emoji font (fonts-noto-color-emoji, SIL Open Font Licence 1.1) with
Debian's Pillow (python3-pil). The font's colour bitmaps are drawn at their native 109 px, the
largest (and only) size it has, and scaled to the card. The words come from the program's word
list; the emoji for each is chosen here. Writes 24-bit BMPs and PNGs, the same bytes on every run;
the backgrounds come from tools/make_pictures.sh, which runs first.

Usage: /usr/bin/python3 tools/make_word_pictures.py
"""

import os
import re
import sys

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"
NATIVE = 109  # the only size of the font's bitmaps
SIZE = 108  # the picture element of the window, at scale 1
PLACE = (180, 100)  # where it stands in the window, over the background
EMOJI_SIZE = 88
# Each scale the pictures are drawn at: where the background is read and the card written.
SCALES = ((1, "rec_background.bmp", "{}.bmp", "BMP"), (2, "2x/rec_background.png", "2x/{}.png", "PNG"))

EMOJI = {
    "word_apple": "\U0001F34E", "word_banana": "\U0001F34C", "word_cat": "\U0001F431",
    "word_dog": "\U0001F436", "word_egg": "\U0001F95A", "word_fish": "\U0001F41F",
    "word_goat": "\U0001F410", "word_house": "\U0001F3E0", "word_ice_cream": "\U0001F366",
    "word_juice": "\U0001F9C3", "word_key": "\U0001F511", "word_lion": "\U0001F981",
    "word_monkey": "\U0001F435", "word_nose": "\U0001F443", "word_octopus": "\U0001F419",
    "word_pig": "\U0001F437", "word_rabbit": "\U0001F430", "word_sun": "\U0001F31E",
    "word_turtle": "\U0001F422", "word_umbrella": "\u2614", "word_violin": "\U0001F3BB",
    "word_watermelon": "\U0001F349", "word_yoyo": "\U0001FA80", "word_zebra": "\U0001F993",
}


def word_pictures():
    """The picture names of the program's word list, in its order."""
    with open(os.path.join(ROOT, "activities", "word_list.cpp"), encoding="utf-8") as f:
        return [m.group(2) for m in re.finditer(r'Word\{"([^"]+)", "([^"]+)", "([^"]+)"\}',
                                                 f.read())]


def emoji(char, size):
    """The emoji at the font's native size, on transparency, cut to what it covers, then scaled
    so that its longer side is size."""
    font = ImageFont.truetype(FONT, NATIVE)
    canvas = Image.new("RGBA", (NATIVE * 2, NATIVE * 2), (0, 0, 0, 0))
    ImageDraw.Draw(canvas).text((NATIVE // 2, NATIVE // 2), char, font=font,
                                embedded_color=True)
    box = canvas.getbbox()
    if box is None:
        sys.exit(f"make_word_pictures: the font draws nothing for U+{ord(char[0]):04X}")
    glyph = canvas.crop(box)
    scale = size / max(glyph.size)
    return glyph.resize((round(glyph.width * scale), round(glyph.height * scale)),
                        Image.Resampling.LANCZOS)


def card(background, char, scale):
    size = SIZE * scale
    left, top = PLACE[0] * scale, PLACE[1] * scale
    picture = background.crop((left, top, left + size, top + size)).convert("RGBA")
    face = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(face)
    draw.rounded_rectangle((scale, scale, size - 1 - scale, size - 1 - scale), radius=14 * scale,
                           fill=(255, 251, 238, 255), outline=(26, 76, 188, 255), width=3 * scale)
    picture.alpha_composite(face)
    glyph = emoji(char, EMOJI_SIZE * scale)
    picture.alpha_composite(glyph, ((size - glyph.width) // 2, (size - glyph.height) // 2))
    return picture.convert("RGB")


def main():
    if not os.path.exists(FONT):
        sys.exit(f"make_word_pictures: missing {FONT} (install fonts-noto-color-emoji)")
    names = word_pictures()
    missing = [name for name in names if name not in EMOJI]
    if missing:
        sys.exit(f"make_word_pictures: no emoji chosen for {', '.join(missing)}")
    for scale, background_name, file_name, kind in SCALES:
        background = Image.open(os.path.join(ROOT, "assets", background_name)).convert("RGB")
        for name in names:
            out = os.path.join("assets", file_name.format(name))
            card(background, EMOJI[name], scale).save(os.path.join(ROOT, out), kind)
            print(out)


if __name__ == "__main__":
    main()
