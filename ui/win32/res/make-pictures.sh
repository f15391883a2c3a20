#!/usr/bin/env bash
# Regenerates the Win32 program's pictures (icons and glyph bitmaps) from their SVG sources in
# pictures/. Needs rsvg-convert (librsvg2-bin) and ImageMagick. The generated files are committed,
# so building the program does not need either tool.
set -euo pipefail
cd "$(dirname "$0")"
src=pictures
convert=/usr/bin/convert   # ImageMagick's own; another program may shadow the name on PATH
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

render() { rsvg-convert -w "$2" -h "$2" -o "$tmp/$(basename "$1" .svg)-$2.png" "$src/$1"; }

# An icon file holding the picture at each of the given sizes (32-bit colour with alpha).
icon() {
  local svg=$1 out=$2; shift 2
  local pngs=()
  for size in "$@"; do
    render "$svg" "$size"
    pngs+=("$tmp/$(basename "$svg" .svg)-$size.png")
  done
  "$convert" "${pngs[@]}" "$out"
}

icon program-icon.svg program.ico 16 24 32 48 64 128 256
# Button images: 24 x 24 at 96 DPI, with larger renderings for 150 % and 200 %.
icon efetuar-backup.svg efetuar-backup.ico 24 36 48
icon restaurar-backup.svg restaurar-backup.ico 24 36 48
icon backups-efetuados.svg backups-efetuados.ico 24 36 48
# The login dialog's user figure: 64 x 64 at 96 DPI.
icon usuario.svg usuario.ico 64 96 128

# Button glyphs: 16-colour bitmaps (the standard 16-colour palette), 36 x 18, no dithering.
"$convert" -size 1x1 xc:'#000000' xc:'#800000' xc:'#008000' xc:'#808000' xc:'#000080' \
  xc:'#800080' xc:'#008080' xc:'#c0c0c0' xc:'#808080' xc:'#ff0000' xc:'#00ff00' xc:'#ffff00' \
  xc:'#0000ff' xc:'#ff00ff' xc:'#00ffff' xc:'#ffffff' +append "$tmp/palette16.png"
for glyph in ok cancelar; do
  rsvg-convert -w 36 -h 18 -b '#808000' -o "$tmp/$glyph.png" "$src/$glyph.svg"
  "$convert" "$tmp/$glyph.png" -alpha off +dither -remap "$tmp/palette16.png" -type Palette \
    -define bmp:format=bmp3 -compress None "BMP3:$glyph.bmp"
done
# Previews of every picture at its size at 96 DPI, for reviewing them.
mkdir -p previews
for p in efetuar-backup:24 restaurar-backup:24 backups-efetuados:24 program-icon:256 program-icon:32 usuario:64; do
  render "${p%%:*}.svg" "${p##*:}"
  cp "$tmp/${p%%:*}-${p##*:}.png" "previews/${p%%:*}-${p##*:}.png"
done
