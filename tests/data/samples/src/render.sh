#!/bin/sh
# Renders the sample screenshots in the folder above from the HTML pages beside this script.
# Needs Debian's chromium and the DejaVu fonts; the pages with barcodes also need zint and qrencode
# (apt-get install -y chromium zint qrencode), which draw their symbols into symbols/ first.
# Usage: sh render.sh [NAME ...]   (default: every sample)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$(dirname "$here")
browser=${CHROMIUM:-chromium}

size_of() {
    case "$1" in
        dialog) echo 900,600 ;;
        two_columns) echo 1280,800 ;;
        upside_down) echo 1000,500 ;;
        qr_and_text) echo 1000,600 ;;
        blank) echo 800,600 ;;
        screen_1920x1080) echo 1920,1080 ;;
        shipping_label) echo 1440,900 ;;
        two_code128) echo 1000,700 ;;
        wide_code128_1920x1080) echo 1920,1080 ;;
        dark_qr) echo 1000,600 ;;
        *) echo "unknown sample: $1" >&2; return 1 ;;
    esac
}

if [ "$#" -eq 0 ]; then
    set -- dialog two_columns upside_down qr_and_text blank screen_1920x1080 \
        shipping_label two_code128 wide_code128_1920x1080 dark_qr
fi

# Linear symbols: zint with its standard quiet zones and no human-readable digits (the pages carry
# their own text); --scale 1.5 gives 3 px a module. QR codes: qrencode with a 4-module quiet zone,
# scaled by the page.
linear() { # symbology number, content, scale, height in modules, output name
    zint -b "$1" -d "$2" --scale="$3" --height="$4" --notext --quietzones --filetype=SVG -o "$here/symbols/$5.svg"
}
qr() { # content, output name, extra qrencode options
    qr_content=$1
    qr_file="$here/symbols/$2.svg"
    shift 2
    qrencode -t SVG --rle --svg-path -m 4 -l M "$@" -o "$qr_file" "$qr_content"
}
draw_symbols() {
    mkdir -p "$here/symbols"
    case "$1" in
        shipping_label)
            qr "https://example.com/track/VESK-PARCEL-0042" label_qr
            linear 20 "VESK-PARCEL-0042" 1.5 30 label_code128
            linear 13 "5901234123457" 1.5 30 label_ean13 ;;
        two_code128)
            linear 20 "ORDER-1187" 1.5 40 order_1187
            linear 20 "ORDER-2291" 1.5 40 order_2291 ;;
        wide_code128_1920x1080)
            linear 20 "VESK-1920" 6 30 boarding ;;
        dark_qr)
            qr "https://example.com/dark-mode" dark_qr --foreground=E8EAED --background=1E1F22 ;;
    esac
}

for name in "$@"; do
    size=$(size_of "$name")
    draw_symbols "$name"
    profile=$(mktemp -d)
    # A fresh profile and no network features, so that every run renders the same way.
    "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$profile" --hide-scrollbars --force-device-scale-factor=1 \
        --window-size="$size" --screenshot="$out/$name.png" "file://$here/$name.html" >/dev/null 2>&1 || {
        rm -rf "$profile"; echo "chromium failed on $name" >&2; exit 1; }
    rm -rf "$profile"
    [ -s "$out/$name.png" ] || { echo "no picture written for $name" >&2; exit 1; }
    echo "$out/$name.png ($size)"
done
