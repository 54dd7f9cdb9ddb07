#!/usr/bin/env bash
# Draws every picture Wordmeadow shows (menu, Letter Recognition, Matching
# Letters, window icon) twice: at the window's own size to assets/ as 24-bit
# uncompressed BMPs, the one format SDL_LoadBMP reads without extra libraries,
# and at twice the size to assets/2x/ as 24-bit PNGs, for displays scaled up.
# Both are drawn from the same shapes and fonts; nothing is scaled as a picture.
#
# Needs: ImageMagick 6 (convert, identify), fonts-liberation2 and
# fonts-sil-andika.
# Usage: tools/make_pictures.sh        (from any directory)
#
# Output is deterministic: confetti positions come from a fixed-seed generator,
# and the PNGs carry no time stamps, so re-running gives byte-identical files.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT="$ROOT/assets"
FONT=/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf
# The cards' letters: Andika tells I from l and has the a and g children learn to write.
CARD_FONT=/usr/share/fonts/truetype/andika/Andika-Bold.ttf

command -v convert >/dev/null || { echo "ImageMagick (convert) is missing" >&2; exit 1; }
[[ -r $FONT ]] || { echo "missing font $FONT (install fonts-liberation2)" >&2; exit 1; }
[[ -r $CARD_FONT ]] || { echo "missing font $CARD_FONT (install fonts-sil-andika)" >&2; exit 1; }

T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
mkdir -p "$OUT" "$OUT/2x"

# Colour pairs (top, bottom of the body gradient) and a darker rim per colour.
declare -A TOP=([blue]='#64b3ff' [grey]='#b3bac4' [red]='#ff7a6b' [green]='#72d957'
                [orange]='#ffbb4d' [turquoise]='#45d3cb' [tile]='#4a9dff')
declare -A BOT=([blue]='#1c5fd4' [grey]='#6c7480' [red]='#cf2a1d' [green]='#2e9a24'
                [orange]='#ef7610' [turquoise]='#0c8a92' [tile]='#1a4cbc')
declare -A RIM=([blue]='#0f3c8f' [grey]='#4c535d' [red]='#86140c' [green]='#1b6414'
                [orange]='#9c4a04' [turquoise]='#07686d' [tile]='#d8e9ff')

# The scale the pictures are drawn at: 1, the window's own pixels, or 2.
S=1

# Sizes and offsets at the current scale (integers).
s() { echo $(($1 * S)); }
# A point given by pixel centres, as MVG draws them, at the current scale.
p() { awk -v v="$1" -v s="$S" 'BEGIN { printf "%g", v * s + (s - 1) / 2 }'; }
# A length that may have a fraction (stroke widths, radii), at the current scale.
f() { awk -v v="$1" -v s="$S" 'BEGIN { printf "%g", v * s }'; }
# The pixels x1..x2, y1..y2 (inclusive, at scale 1) as MVG corner points at the
# current scale, so that a filled or stroked edge stays on the same border.
box() { # x1 y1 x2 y2
    echo "$(($1 * S)),$(($2 * S)) $((($3 + 1) * S - 1)),$((($4 + 1) * S - 1))"
}

# Write an image as 24-bit BMP (scale 1) or PNG (scale 2): no alpha, forced
# TrueColor so IM never picks a palette or grey format that SDL would read
# differently, and no time stamps in the PNG.
save_bmp() { # src name
    if ((S == 1)); then
        convert "$1" -alpha off -type TrueColor "BMP3:$T/out.bmp"
        mv "$T/out.bmp" "$OUT/$2.bmp"
    else
        convert "$1" -alpha off -type TrueColor -strip -define png:exclude-chunks=date,time \
            "PNG24:$T/out.png"
        mv "$T/out.png" "$OUT/2x/$2.png"
    fi
}

# Body of a glossy rounded button/tile with a transparent outside, its size and
# radius given at the current scale.
# The caller annotates it and composites it onto the background crop.
glossy() { # out w h colour radius [gloss-strength]
    local out=$1 w=$2 h=$3 c=$4 r=$5 g=${6:-0.60}
    local gw=$((w - 6 * S)) gh=$((h * 46 / 100)) gr=$((r > 4 * S ? r - 3 * S : S))
    convert -size "${w}x${h}" xc:none -fill white \
        -draw "roundrectangle 0,0,$((w - 1)),$((h - 1)),$r,$r" "$T/mask.miff"
    # Soft white band over the upper half gives the gloss.
    convert -size "${gw}x${gh}" gradient:"rgba(255,255,255,$g)-rgba(255,255,255,0.06)" \
        \( -size "${gw}x${gh}" xc:none -fill white \
           -draw "roundrectangle 0,0,$((gw - 1)),$((gh + gr)),$gr,$gr" \) \
        -compose DstIn -composite "$T/gloss.miff"
    convert -size "${w}x${h}" gradient:"${TOP[$c]}-${BOT[$c]}" \
        "$T/gloss.miff" -geometry "+$(s 3)+$(s 2)" -compose over -composite \
        -fill none -stroke "${RIM[$c]}" -strokewidth "$(s 2)" \
        -draw "roundrectangle $S,$S,$((w - 1 - S)),$((h - 1 - S)),$((r - S)),$((r - S))" \
        "$T/mask.miff" -compose DstIn -composite "$out"
}

# White text with a faint drop shadow, centred (dx shifts it sideways).
# Appends the ImageMagick options to the array named by $1.
label_ops() { # arrayname text size [dx]
    local -n _lo=$1
    local dx=${4:-0}
    _lo+=(-stroke none -font "$FONT" -pointsize "$(s "$3")" -gravity center
          -fill 'rgba(0,0,40,0.45)' -annotate "$(printf '%+d%+d' $(((dx + 1) * S)) "$S")" "$2"
          -fill white -annotate "$(printf '%+d%+d' $((dx * S)) 0)" "$2")
}

# A rounded button with centred white text, composited over the crop of the
# background at its place so the corners blend in. Sizes and places at scale 1.
button() { # name w h colour text size bg x y [arrow]
    local name=$1 w=$2 h=$3 c=$4 text=$5 size=$6 bg=$7 x=$8 y=$9 arrow=${10:-}
    glossy "$T/btn.miff" "$(s "$w")" "$(s "$h")" "$c" "$(s 12)"
    local ops=() dx=0
    if [[ -n $arrow ]]; then
        # Blue "go" triangle at the right end; text centres in the space left.
        local ax bx my
        ax=$(p $((w - 31))) bx=$(p $((w - 9))) my=$((h * S / 2))
        ops+=(-fill '#1d62d8' -stroke white -strokewidth "$(s 2)" -draw
              "stroke-linejoin round polygon $ax,$(p 8) $bx,$my $ax,$(p $((h - 9)))")
        dx=-14
    fi
    label_ops ops "$text" "$size" "$dx"
    convert "$T/btn.miff" "${ops[@]}" "$T/btn.miff"
    # MIFF files keep the gravity of earlier composites, so crops name it.
    convert "$bg" -gravity NorthWest -crop "$(s "$w")x$(s "$h")+$(s "$x")+$(s "$y")" +repage "$T/btn.miff" \
        -compose over -composite "$T/btn_final.miff"
    save_bmp "$T/btn_final.miff" "$name"
}

# Turn text (already rendered on transparent ground) into cartoon lettering:
# coloured outline plus a soft dark shadow (thickness at scale 1).
outline() { # in out outline-colour thickness
    convert "$1" -bordercolor none -border "$(s 10)" "$T/ol_fill.miff"
    convert "$T/ol_fill.miff" -alpha extract -morphology Dilate "Disk:$(f "$4")" \
        -background "$3" -alpha shape "$T/ol_line.miff"
    convert "$T/ol_line.miff" -fill '#001040' -colorize 100 \
        -channel A -evaluate multiply 0.55 +channel -blur "0x$(f 1.6)" "$T/ol_shadow.miff"
    convert "$T/ol_shadow.miff" -alpha transparent \
        "$T/ol_shadow.miff" -geometry "+$(s 2)+$(s 3)" -compose over -composite \
        "$T/ol_line.miff" -geometry +0+0 -composite \
        "$T/ol_fill.miff" -composite -trim +repage "$2"
}

# Words in one colour as cartoon lettering (size and thickness at scale 1).
lettering() { # out fill-colour size text outline-colour thickness
    convert -background none -fill "$2" -font "$FONT" -pointsize "$(s "$3")" label:"$4" "$T/lt_fill.miff"
    outline "$T/lt_fill.miff" "$1" "$5" "$6"
}

# Fixed-seed generator so the confetti lands in the same spots every run.
SEED=0
rnd() { # max -> RND in [0,max)
    SEED=$(((SEED * 1103515245 + 12345) % 2147483648))
    RND=$(((SEED / 65536) % $1))
}

# Five-point star as an MVG polygon (centre and radii at scale 1).
star() { # cx cy outer inner angle
    awk -v cx="$(p "$1")" -v cy="$(p "$2")" -v R="$(f "$3")" -v r="$(f "$4")" -v a="$5" 'BEGIN {
        pi = atan2(0, -1); s = "polygon"
        for (i = 0; i < 10; i++) {
            rad = (i % 2) ? r : R; t = (a - 90 + i * 36) * pi / 180
            s = s sprintf(" %.1f,%.1f", cx + rad * cos(t), cy + rad * sin(t))
        }
        print s }'
}

# Faint soap bubbles to liven up empty corners; appends -draw options.
bubbles() { # arrayname "cx cy r"...
    local -n _bo=$1
    shift
    local b cx cy r
    for b in "$@"; do
        read -r cx cy r <<<"$b"
        local hx=$((cx - r * 4 / 10)) hy=$((cy - r * 4 / 10))
        _bo+=(-fill 'rgba(255,255,255,0.10)' -stroke 'rgba(255,255,255,0.35)' -strokewidth "$(f 1.5)"
              -draw "circle $(p "$cx"),$(p "$cy") $(p $((cx + r))),$(p "$cy")"
              -stroke none -fill 'rgba(255,255,255,0.45)'
              -draw "circle $(p "$hx"),$(p "$hy") $(p $((hx + r / 5 + 1))),$(p "$hy")")
    done
}

# Every picture at the current scale S.
draw_pictures() {
SEED=20240611

# ---------------------------------------------------------------- menu ----

# Deep blue top-left fading to near white at the bottom-right; the white
# labels ("Start A Activity", version) sit where it is still medium blue.
convert -size "$(s 480)x$(s 360)" xc: -fx '0.55*i/w + 0.45*j/h' "$T/ramp.miff"
convert -size 1x150 gradient:'#0b3a8e-#2170d2' \
        -size 1x62 gradient:'#2170d2-#4a96e8' \
        -size 1x44 gradient:'#4a96e8-#eef6ff' -append "$T/clut.miff"
deco=()
bubbles deco "48 112 22" "86 196 13" "44 262 28" "96 300 9" "30 36 11" \
    "424 92 25" "398 172 15" "442 238 19" "380 276 10"
convert "$T/ramp.miff" "$T/clut.miff" -clut "${deco[@]}" "$T/main_bg.miff"

# Title: one colour per letter, like alphabet blocks.
colours=('#ffd93b' '#ff9f2e' '#ff6f91' '#8be04e' '#5fd3ff' '#ffd93b' '#ff9f2e' '#ff6f91' '#8be04e' '#5fd3ff')
word=Wordmeadow
for ((i = 0; i < ${#word}; i++)); do
    convert -background none -fill "${colours[i]}" -font "$FONT" -pointsize "$(s 44)" \
        label:"${word:i:1}" "$T/letter_$(printf %02d "$i").miff"
done
convert "$T"/letter_??.miff -background none +append "$T/title_fill.miff"
outline "$T/title_fill.miff" "$T/title.miff" white 2.5

lettering "$T/kg.miff" '#0b3a8e' 24 Kindergarten white 2

convert "$T/main_bg.miff" \
    "$T/title.miff" -gravity north -geometry "+0+$(s 2)" -compose over -composite \
    "$T/kg.miff" -gravity southeast -geometry "+$(s 10)+$(s 8)" -composite \
    "$T/main_bg.miff"
save_bmp "$T/main_bg.miff" main_background

button main_letter_recognition 227 41 blue 'Letter Recognition' 20 "$T/main_bg.miff" 120 64
button main_build_sentence     227 41 grey 'Build A Sentence'   20 "$T/main_bg.miff" 120 104
button main_beginning_sounds   227 41 grey 'Beginning Sounds'   20 "$T/main_bg.miff" 120 144
button main_matching_letters   227 41 grey 'Matching Letters'   20 "$T/main_bg.miff" 120 184
button main_exit               227 41 red  'Exit!'              22 "$T/main_bg.miff" 120 264

# Window icon: at 32 px a font "+" turns to mush, so the plus is drawn as
# two crisp bars next to a big A.
convert -size "$(s 30)x$(s 30)" gradient:'#40e3d3-#0f9fa8' -bordercolor '#0b7f86' -border "$S" \
    -font "$FONT" -pointsize "$(s 28)" -gravity southwest \
    -fill '#07585e' -annotate "+$(s 2)-$(s 1)" A -fill white -annotate "+$(s 1)-$(s 2)" A \
    -draw "rectangle $(box 21 8 30 10) rectangle $(box 24 4 26 14)" "$T/icon.miff"
save_bmp "$T/icon.miff" icon

# ----------------------------------------------------- letter recognition ----

# Medium turquoise at the top (white heading must stay readable) down to a
# dark blue at the bottom.
deco=()
bubbles deco "330 104 22" "428 78 14" "446 166 26" "372 190 11" "300 200 7"
convert -size "$(s 480)x$(s 360)" gradient:'#1aa2b2-#0a2470' "${deco[@]}" "$T/rec_bg.miff"
save_bmp "$T/rec_bg.miff" rec_background

# Letter tiles. Glyphs are centred on their own ink horizontally, and on the
# cap height vertically so every letter sits on the same line (Q's tail hangs).
TILE_PT=$(s 23)
TW=$(s 30) TH=$(s 27)
cap_top=$(convert -font "$FONT" -pointsize "$TILE_PT" label:H -format '%@' info: | sed 's/.*+//')
cap_h=$(convert -font "$FONT" -pointsize "$TILE_PT" label:H -trim -format '%h' info:)
glossy "$T/tile.miff" "$TW" "$TH" tile "$(s 6)" 0.38
i=0
for L in {A..Z}; do
    row=$((i / 13)) col=$((i % 13))
    x=$(s $((24 + 32 * col))) y=$(s $((row == 0 ? 216 : 256)))
    convert -background none -fill white -font "$FONT" -pointsize "$TILE_PT" label:"$L" "$T/glyph.miff"
    read -r gw gx < <(convert "$T/glyph.miff" -trim -format '%w %X\n' info:)
    gx=${gx#+}
    ox=$(((TW - gw + 1) / 2 - gx))
    oy=$(((TH - cap_h + 1) / 2 - cap_top))
    convert "$T/glyph.miff" \( +clone -fill '#001a50' -colorize 100 \
        -channel A -evaluate multiply 0.7 +channel \) +swap -background none \
        -geometry "+$S+$S" -compose over -composite "$T/glyph_sh.miff"
    convert "$T/rec_bg.miff" -gravity NorthWest -crop "${TW}x${TH}+$x+$y" +repage \
        "$T/tile.miff" -compose over -composite \
        "$T/glyph_sh.miff" -geometry "$(printf '%+d%+d' "$ox" "$oy")" -composite \
        "$T/tile_final.miff"
    save_bmp "$T/tile_final.miff" "tile_$L"
    i=$((i + 1))
done

# Feedback square: green, with a big white sign and an optional word.
glossy "$T/fb.miff" "$(s 111)" "$(s 107)" green "$(s 16)" 0.45
convert "$T/rec_bg.miff" -gravity NorthWest -crop "$(s 111)x$(s 107)+$(s 168)+$(s 72)" +repage \
    "$T/fb.miff" -compose over -composite "$T/fb_base.miff"

convert "$T/fb_base.miff" -font "$FONT" -pointsize "$(s 84)" -gravity center \
    -fill 'rgba(0,40,0,0.35)' -annotate "+$(s 2)+$(s 3)" '?' -fill white -annotate +0+0 '?' \
    "$T/fb_blank.miff"
save_bmp "$T/fb_blank.miff" feedback_blank

sign_shadow='rgba(0,40,0,0.35)'
convert "$T/fb_base.miff" -fill none -strokewidth "$(s 12)" \
    -stroke "$sign_shadow" -draw "stroke-linecap round stroke-linejoin round polyline $(p 32),$(p 44) $(p 50),$(p 62) $(p 81),$(p 26)" \
    -stroke white -draw "stroke-linecap round stroke-linejoin round polyline $(p 30),$(p 41) $(p 48),$(p 59) $(p 79),$(p 23)" \
    -stroke none -font "$FONT" -pointsize "$(s 21)" -gravity south \
    -fill "$sign_shadow" -annotate "+$(s 1)+$(s 9)" Correct -fill white -annotate "+0+$(s 10)" Correct \
    "$T/fb_ok.miff"
save_bmp "$T/fb_ok.miff" feedback_correct

convert "$T/fb_base.miff" -fill none -strokewidth "$(s 12)" \
    -stroke "$sign_shadow" -draw "stroke-linecap round line $(p 37),$(p 19) $(p 76),$(p 58) line $(p 76),$(p 19) $(p 37),$(p 58)" \
    -stroke white -draw "stroke-linecap round line $(p 35),$(p 16) $(p 74),$(p 55) line $(p 74),$(p 16) $(p 35),$(p 55)" \
    -stroke none -font "$FONT" -pointsize "$(s 20)" -gravity south \
    -fill "$sign_shadow" -annotate "+$(s 1)+$(s 9)" 'Try Again' -fill white -annotate "+0+$(s 10)" 'Try Again' \
    "$T/fb_no.miff"
save_bmp "$T/fb_no.miff" feedback_tryagain

button rec_play_again 136 41 green  'Play Again' 17 "$T/rec_bg.miff" 8 64  arrow
button rec_start_over 136 41 orange 'Start Over' 17 "$T/rec_bg.miff" 8 112 arrow
button rec_exit       136 41 red    'Exit'       18 "$T/rec_bg.miff" 8 160 arrow
# Beginning Sounds has its hear-again button below the tiles, on a darker part of the ground.
button beginning_play_again 136 41 green 'Play Again' 17 "$T/rec_bg.miff" 171 300 arrow

# Congratulations overlay: words above the two buttons, confetti and stars
# only where neither text nor buttons sit.
convert -size "$(s 480)x$(s 360)" gradient:'#3d8cf0-#0b2c86' "$T/ov.miff"

confetti=()
palette=('#ffd93b' '#ff6f91' '#8be04e' '#5fd3ff' '#ff9f2e' '#ffffff' '#c792ff')
placed=0
dot="circle 0,0 $(f 2.5),0"
strip="rectangle $(f -4),$(f -1.5) $(f 4),$(f 1.5)"
while ((placed < 70)); do
    rnd 470; cx=$((RND + 5)); rnd 350; cy=$((RND + 5))
    # keep clear of the words and of the buttons (with a margin)
    if ((cy < 150 && cx > 8 && cx < 472 && cy > 8)); then continue; fi
    if ((cx > 108 && cx < 360 && cy > 164 && cy < 286)); then continue; fi
    rnd 7; col=${palette[RND]}
    rnd 180; ang=$RND
    rnd 3; kind=$RND
    if ((kind == 0)); then
        shape=$dot
    else
        shape=$strip
    fi
    confetti+=(-fill "$col" -draw "translate $(p "$cx"),$(p "$cy") rotate $ang $shape")
    placed=$((placed + 1))
done
stars=()
for st in "52 215 17 7 10" "420 210 19 8 -8" "70 310 12 5 20" "400 312 14 6 0" \
         "240 320 13 5 12" "28 172 9 4 0" "455 160 9 4 15"; do
    # shellcheck disable=SC2086
    stars+=(-draw "$(star $st)")
done
convert "$T/ov.miff" "${confetti[@]}" \
    -fill '#ffe45c' -stroke '#ffffff' -strokewidth "$(f 1.5)" "${stars[@]}" "$T/ov.miff"

lettering "$T/cg.miff" '#fff7b0' 48 'Congratulations!' '#d8261c' 3
lettering "$T/cs.miff" '#fff7b0' 24 'You have matched all the letters!' '#d8261c' 2
convert "$T/ov.miff" \
    "$T/cg.miff" -gravity north -geometry "+0+$(s 28)" -compose over -composite \
    "$T/cs.miff" -gravity north -geometry "+0+$(s 108)" -composite \
    "$T/ov.miff"
save_bmp "$T/ov.miff" rec_overlay

button rec_overlay_play_again 227 41 turquoise 'Play Again' 20 "$T/ov.miff" 120 176
button rec_overlay_exit       227 41 red       'Exit!'      22 "$T/ov.miff" 120 232

# --------------------------------------------------------- matching letters ----

# The cards lie on the Letter Recognition background at 12 places, so they are
# square: no corner has to blend into one place's crop.
CS=$(s 72)
convert -size "${CS}x${CS}" gradient:'#9b7bff-#4a25b0' \
    -fill none -stroke '#2c1470' -strokewidth "$(s 2)" -draw "rectangle $(box 1 1 70 70)" \
    -stroke 'rgba(255,255,255,0.7)' -strokewidth "$(s 2)" -draw "rectangle $(box 6 6 65 65)" \
    -fill '#ffe45c' -stroke white -strokewidth "$(f 1.5)" -draw "$(star 36 37 21 9 0)" \
    "$T/card_back.miff"
save_bmp "$T/card_back.miff" card_back

# Faces: a dark letter on a light card. Every letter stands on one baseline, the
# block from the tallest ascender to the lowest descender centred in the card,
# and each letter centred on its own ink across.
CARD_PT=$(s 46)
read -r asc_top < <(convert -background none -font "$CARD_FONT" -pointsize "$CARD_PT" \
    label:l -trim -format '%Y\n' info: | tr -d +)
read -r desc_bottom < <(convert -background none -font "$CARD_FONT" -pointsize "$CARD_PT" \
    label:g -trim -format '%h %Y\n' info: | awk '{ print $1 + $2 }')
face_y=$(((CS - (desc_bottom - asc_top) + 1) / 2 - asc_top))
convert -size "${CS}x${CS}" gradient:'#fffdf4-#f4ecd6' \
    -fill none -stroke '#bba87c' -strokewidth "$(s 2)" -draw "rectangle $(box 1 1 70 70)" "$T/face.miff"
for L in {A..Z} {a..z}; do
    convert -background none -fill '#1c2750' -font "$CARD_FONT" -pointsize "$CARD_PT" \
        label:"$L" "$T/face_glyph.miff"
    read -r gw gx < <(convert "$T/face_glyph.miff" -trim -format '%w %X\n' info:)
    gx=${gx#+}
    convert "$T/face.miff" "$T/face_glyph.miff" -gravity NorthWest \
        -geometry "$(printf '%+d%+d' $(((CS - gw + 1) / 2 - gx)) "$face_y")" \
        -compose over -composite "$T/face_final.miff"
    if [[ $L == [A-Z] ]]; then
        save_bmp "$T/face_final.miff" "card_upper_$L"
    else
        save_bmp "$T/face_final.miff" "card_lower_$L"
    fi
done

# A found pair's green frame: four strips laid over the card's edge.
convert -size "${CS}x$(s 6)" xc:'#2e9a24' -fill '#72d957' -draw "rectangle $(box 0 2 71 3)" "$T/frame.miff"
save_bmp "$T/frame.miff" card_frame_across
convert "$T/frame.miff" -rotate 90 -gravity center -crop "$(s 6)x$(s 60)+0+0" +repage "$T/frame.miff"
save_bmp "$T/frame.miff" card_frame_down
}

# ---------------------------------------------------------------- check ----

# SDL_LoadBMP wants plain 24-bit BI_RGB files; catch anything else here. The
# PNGs must be twice the size, 8 bits per channel, RGB.
check() { # name w h
    local f="$OUT/$1.bmp" got bpp comp
    got=$(identify -format '%wx%h' "$f")
    bpp=$(od -An -tu2 -j28 -N2 "$f" | tr -d ' ')
    comp=$(od -An -tu4 -j30 -N4 "$f" | tr -d ' ')
    if [[ $got != "${2}x${3}" || $bpp != 24 || $comp != 0 ]]; then
        echo "bad picture $f: ${got}, ${bpp} bpp, compression ${comp}" >&2
        exit 1
    fi
    f="$OUT/2x/$1.png"
    got=$(identify -format '%wx%h %[png:IHDR.bit-depth-orig] %[png:IHDR.color-type-orig]' "$f")
    if [[ $got != "$(($2 * 2))x$(($3 * 2)) 8 2" ]]; then
        echo "bad picture $f: $got" >&2
        exit 1
    fi
}

for S in 1 2; do draw_pictures; done
check main_background 480 360
check rec_background 480 360
check rec_overlay 480 360
check icon 32 32
for n in main_letter_recognition main_build_sentence main_beginning_sounds \
         main_matching_letters main_exit rec_overlay_play_again rec_overlay_exit; do
    check "$n" 227 41
done
for n in rec_play_again rec_start_over rec_exit beginning_play_again; do check "$n" 136 41; done
for n in feedback_blank feedback_correct feedback_tryagain; do check "$n" 111 107; done
for L in {A..Z}; do check "tile_$L" 30 27; done
check card_back 72 72
for L in {A..Z}; do check "card_upper_$L" 72 72; done
for L in {a..z}; do check "card_lower_$L" 72 72; done
check card_frame_across 72 6
check card_frame_down 6 60
echo "pictures written to $OUT and $OUT/2x"
