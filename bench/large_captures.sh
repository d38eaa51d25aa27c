#!/usr/bin/env bash
# Composes large development captures from the 1920 x 1080 (and larger) development screenshots, as
# several monitors side by side or stacked, with their known text: each monitor is read in full
# before the next, left to right, then top to bottom. The pictures are made when a benchmark needs
# them (they are several megabytes each) and are not kept in the repository.
#
# Usage: bench/large_captures.sh OUT_DIR [--huge]
#   writes OUT_DIR/NAME.png and OUT_DIR/NAME.txt for every capture below; with --huge also
#   OUT_DIR/huge_16384x4096.png (no known text: for peak memory and time only).
# Needs ImageMagick (convert).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dev="$here/devset"
out=$1
huge=${2:-}
mkdir -p "$out"

# compose NAME ROWS... : each ROW is a comma-separated list of screenshots placed side by side; the
# rows are stacked. The known text is the screenshots' texts in the same order.
compose() {
  local name=$1
  shift
  local rows=() text="$out/$name.txt.new"
  : > "$text"
  local r=0
  for row in "$@"; do
    local parts=()
    IFS=',' read -r -a parts <<< "$row"
    local files=()
    for p in "${parts[@]}"; do files+=("$dev/$p.png"); done
    convert "${files[@]}" +append "$out/.row$r.png"
    rows+=("$out/.row$r.png")
    r=$((r + 1))
  done
  convert "${rows[@]}" -append "$out/$name.png"
  rm -f "${rows[@]}"
  # Monitors of one row are read left to right; a monitor of a later row after the whole row.
  for row in "$@"; do
    IFS=',' read -r -a parts <<< "$row"
    for p in "${parts[@]}"; do cat "$dev/$p.txt" >> "$text"; done
  done
  mv "$text" "$out/$name.txt"
  echo "$out/$name.png ($(identify -format '%wx%h' "$out/$name.png"), $(wc -l < "$out/$name.txt") lines)"
}

# A 1920 x 1080 screen on a 2560 x 1440 monitor: the window at the top left of a plain desktop.
desktop_1440() {
  convert "$dev/$1.png" -background '#3a6ea5' -gravity northwest -extent 2560x1440 "$out/.$1_1440.png"
  cp "$dev/$1.txt" "$out/.$1_1440.txt"
}

compose dual_3840x1080 settings_dialog,code_editor
compose triple_5760x1080 small_ui,table,two_column_article
compose quad_3840x2160 file_manager,chat print_dialog,dark_mode
compose wall_7680x2160 article_headline,right_sidebar,mixed_cjk,chat_bubbles numbers_urls,spreadsheet,settings_dialog,small_ui

# Small and large text mixed: a 2560 x 1440 page at device scale 2 beside fine print on a second
# 2560 x 1440 monitor.
desktop_1440 small_ui
dev_saved=$dev
dev=$out
cp "$dev_saved/hidpi_docs.png" "$out/.hidpi_docs.png"
cp "$dev_saved/hidpi_docs.txt" "$out/.hidpi_docs.txt"
compose mixed_5120x1440 .hidpi_docs,.small_ui_1440
rm -f "$out"/.hidpi_docs.* "$out"/.small_ui_1440.*
dev=$dev_saved

# A long scrolling capture: the tall article twice, then the page's empty end.
convert "$dev/tall_article.png" "$dev/tall_article.png" -append -background white -gravity north \
  -extent 1080x8000 "$out/long_1080x8000.png"
cat "$dev/tall_article.txt" "$dev/tall_article.txt" > "$out/long_1080x8000.txt"
echo "$out/long_1080x8000.png (1080x8000, $(wc -l < "$out/long_1080x8000.txt") lines)"

if [ "$huge" = "--huge" ]; then
  # ImageMagick's policy caps a side at 16000 pixels: netpbm puts this one together.
  convert "$out/wall_7680x2160.png" "$out/.wall.ppm"
  pnmcat -lr "$out/.wall.ppm" "$out/.wall.ppm" > "$out/.row.ppm"
  pnmcat -tb "$out/.row.ppm" "$out/.row.ppm" | pamcut -height 4096 | pnmpad -white -right 1024 |
    pnmtopng > "$out/huge_16384x4096.png"
  rm -f "$out/.wall.ppm" "$out/.row.ppm"
  echo "$out/huge_16384x4096.png (16384x4096)"
fi
