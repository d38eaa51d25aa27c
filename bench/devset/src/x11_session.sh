# Shared by the scripts that capture real program windows (bench/devset/src/capture_x11.sh for the development
# set, bench/corpus/x11.sh and bench/corpus/wine.sh for the corpus): a private virtual X display with a private, predictable
# environment, and the helpers that put windows on it and write each screen with its known text. The sourcing
# script sets `out` (where screens are written), `terms` (where `term` finds FILE.term) and `display`, and
# checks for the programs it needs.

work=$(mktemp -d /tmp/vesk-capture.XXXXXX)
xvfb=
pids=()
cleanup() {
  [ ${#pids[@]} -gt 0 ] && kill "${pids[@]}" 2>/dev/null || true
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A private, predictable environment for every program started below.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/run LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC NO_AT_BRIDGE=1 GDK_BACKEND=x11 GDK_SCALE=1
export GTK_THEME=Adwaita WINEDEBUG=-all
unset GTK_MODULES DBUS_SESSION_BUS_ADDRESS XAUTHORITY
mkdir -p "$HOME" "$XDG_CONFIG_HOME/gtk-3.0" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cat > "$XDG_CONFIG_HOME/gtk-3.0/settings.ini" <<'EOF'
[Settings]
gtk-theme-name=Adwaita
gtk-icon-theme-name=Adwaita
gtk-font-name=DejaVu Sans 10
gtk-cursor-blink=false
gtk-enable-animations=false
gtk-dialogs-use-header=false
gtk-xft-antialias=1
gtk-xft-hinting=1
gtk-xft-hintstyle=hintslight
gtk-xft-rgba=none
EOF

Xvfb "$display" -screen 0 1920x1080x24 -dpi 96 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
if ! kill -0 "$xvfb" 2>/dev/null || ! xdotool getdisplaygeometry >/dev/null; then
  echo "${0##*/}: Xvfb did not start on $display (in use? set VESK_X_DISPLAY)" >&2
  exit 1
fi

known=$work/known   # the known text of the screen being built, appended window by window in reading order
n=0                 # windows started so far (names their class and files)

# The known text of terminal content: markers out, tabs expanded, then each row's runs (parts separated by two
# or more spaces) joined by TAB; blank rows dropped.
known_from_term() {
  sed 's/{[0-9;]*}//g' | expand | sed -E 's/^ +//; s/ +$//; s/  +/\t/g' | grep -v '^$' || true
}

# term FILE[:FIRST-LAST] COLUMNS ROWS X Y FG BG XTERM-FONT-OPTIONS...
# Shows lines of $terms/FILE.term in an xterm: {N} markers become the escape sequence ESC[Nm (colours, bold,
# reverse); the cursor is hidden; the content must fit, so that nothing scrolls or wraps.
term() {
  local content=$1 cols=$2 rows=$3 x=$4 y=$5 fg=$6 bg=$7
  shift 7
  local file=${content%%:*} range='1,$'
  [ "$file" != "$content" ] && range=$(echo "${content#*:}" | tr - ,)
  n=$((n + 1))
  sed -n "${range}p" "$terms/$file.term" >"$work/t$n.raw"
  local lines width
  lines=$(wc -l <"$work/t$n.raw")
  width=$(sed 's/{[0-9;]*}//g' "$work/t$n.raw" | expand | awk '{ if (length($0) > m) m = length($0) } END { print m + 0 }')
  if [ "$lines" -gt "$rows" ] || [ "$width" -ge "$cols" ]; then
    echo "${0##*/}: $content ($width x $lines) does not fit a $cols x $rows terminal" >&2
    exit 1
  fi
  sed 's/{\([0-9;]*\)}/\x1b[\1m/g' "$work/t$n.raw" | head -c -1 >"$work/t$n.show"
  known_from_term <"$work/t$n.raw" >>"$known"
  xterm -name "vesk$n" -title "vesk$n" -geometry "${cols}x${rows}+$x+$y" -fg "$fg" -bg "$bg" "$@" \
    +bc +sb -b 6 -bw 0 -xrm '*cursorBlink: false' -xrm '*allowTitleOps: false' \
    -e sh -c 'printf "\033[?25l"; cat "$1"; exec sleep 100000' sh "$work/t$n.show" &
  pids+=($!)
  xdotool search --sync --onlyvisible --classname "^vesk$n\$" >/dev/null
}

# Waits until every window has drawn, writes the screen and its known text, closes the windows.
capture() {
  local name=$1
  sleep "${2:-2}"
  xdotool mousemove 1919 1079
  sleep 0.5
  xwd -root -silent | convert xwd:- -strip -define png:exclude-chunks=date,time "$out/$name.png"
  command -v optipng >/dev/null && optipng -quiet -o2 "$out/$name.png"
  cp "$known" "$out/$name.txt"
  : >"$known"
  [ ${#pids[@]} -gt 0 ] && kill "${pids[@]}" 2>/dev/null || true
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  pids=()
  echo "$name: $(wc -l <"$out/$name.txt") lines"
}

desktop() { xsetroot -solid "$1"; }

# gtk NAME X Y WIDTH HEIGHT PROGRAM ARGUMENTS...: starts a yad or zenity window at a fixed place and size (NAME
# only tells the reader which window it is).
gtk() {
  local x=$2 y=$3 w=$4 h=$5 program=$6
  shift 6
  n=$((n + 1))
  if [ "$program" = yad ]; then
    yad --class="vesk$n" --name="vesk$n" --geometry="${w}x$h+$x+$y" --fixed --borders=12 "$@" >/dev/null 2>&1 &
  else
    "$program" --class="vesk$n" --name="vesk$n" --width="$w" --height="$h" "$@" >/dev/null 2>&1 &
  fi
  pids+=($!)
  local id
  id=$(xdotool search --sync --onlyvisible --classname "^vesk$n\$" | head -n 1)
  [ "$program" = yad ] || xdotool windowmove --sync "$id" "$x" "$y"
}

# Known text written out for a window; TAB separates the runs of a row.
knows() { printf '%s\n' "$@" >>"$known"; }

# wine_start PROGRAM ARGUMENTS...: starts a Windows program on the virtual desktop and waits until the screen
# has changed and then stayed the same for a second (each at most 60 s).
wine_start() {
  local before last='' now
  before=$(xwd -root -silent | md5sum)
  wine explorer /desktop=vesk,1920x1080 "$@" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 120); do
    sleep 0.5
    [ "$(xwd -root -silent | md5sum)" != "$before" ] && break
  done
  for _ in $(seq 60); do
    sleep 1
    now=$(xwd -root -silent | md5sum)
    [ "$now" = "$last" ] && return
    last=$now
  done
  echo "${0##*/}: the screen did not settle after $*" >&2
}

# A private Wine prefix (made once) with Wine's own fonts, font smoothing off (as Windows draws with its
# standard smoothing off) and a caret that does not blink.
wine_prefix() {
  [ -n "${WINEPREFIX:-}" ] && return
  export WINEPREFIX=$work/wine WINEDLLOVERRIDES='mscoree,mshtml=' WINEARCH=win64
  wine wineboot -i >/dev/null 2>&1
  # Wine's own fonts (Tahoma, MS Sans Serif, Marlett for the title bar buttons) from fonts-wine: Debian's Wine
  # does not find them where the package puts them.
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  wine reg add 'HKCU\Control Panel\Desktop' /v FontSmoothing /t REG_SZ /d 0 /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop' /v CursorBlinkRate /t REG_SZ /d -1 /f >/dev/null 2>&1
  wineserver -w
}

# notepad_open DIR FILE X Y WIDTH HEIGHT FONT POINTS: opens DIR/FILE (with CR LF line ends) in Notepad at a fixed
# place on the virtual desktop, in that font, with its status bar.
notepad_open() {
  local dir=$1 file=$2 x=$3 y=$4 w=$5 h=$6 font=$7 points=$8
  local key='HKCU\Software\Microsoft\Notepad'
  wine reg add "$key" /v iWindowPosX /t REG_DWORD /d "$x" /f >/dev/null 2>&1
  wine reg add "$key" /v iWindowPosY /t REG_DWORD /d "$y" /f >/dev/null 2>&1
  wine reg add "$key" /v iWindowPosDX /t REG_DWORD /d "$w" /f >/dev/null 2>&1
  wine reg add "$key" /v iWindowPosDY /t REG_DWORD /d "$h" /f >/dev/null 2>&1
  wine reg add "$key" /v lfFaceName /t REG_SZ /d "$font" /f >/dev/null 2>&1
  wine reg add "$key" /v iPointSize /t REG_DWORD /d "$points" /f >/dev/null 2>&1
  wine reg add "$key" /v fStatusBar /t REG_DWORD /d 1 /f >/dev/null 2>&1
  sed 's/$/\r/' "$dir/$file" >"$WINEPREFIX/drive_c/users/Public/$file"
  wine_start notepad "C:\\users\\Public\\$file"
}
