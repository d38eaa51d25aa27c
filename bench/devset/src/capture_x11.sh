#!/bin/bash
# Screenshots of real program windows for the development set: terminals (xterm), toolkit dialogs (GTK via yad
# and zenity) and Windows programs under Wine, on a private virtual X display, each written as NAME.png beside
# its known text NAME.txt in bench/devset/. See bench/devset/README.md ("Real program windows").
#
#   bash bench/devset/src/capture_x11.sh                 # every screen
#   bash bench/devset/src/capture_x11.sh x11_top_dark    # the screens named
#
# Terminals print canned content from src/x11/*.term, never live commands; their known text is made from the
# same file (see known_from_term). Dialogs and Wine windows get fixed content, and their known text is written
# below beside the command that shows it. Nothing on the screen depends on the clock or the user: HOME, XDG
# folders and WINEPREFIX are private and fresh, xterm's cursor is hidden, GTK's cursor and Wine's caret do not
# blink, and the pointer rests in a corner (xwd does not draw it anyway). The one thing taken from the machine is
# the computer name in the Registry Editor's status bar (Wine's is the host name).
set -euo pipefail

src=$(cd "$(dirname "$0")" && pwd)
out=$(dirname "$src")
display=${VESK_X_DISPLAY:-:93}

need() {
  for c in "$@"; do
    command -v "$c" >/dev/null 2>&1 || { echo "capture_x11.sh: $c is missing (see bench/devset/README.md)" >&2; exit 1; }
  done
}
need Xvfb xterm xwd convert xdotool xsetroot yad zenity wine expand

terms=$src/x11
# shellcheck source=x11_session.sh
. "$src/x11_session.sh"

# --- terminals ---------------------------------------------------------------------------------------------

screen_x11_top_dark() {
  desktop '#2b3036'
  # DejaVu Sans Mono 11 (anti-aliased) cells are 9 x 19 px: 211 x 55 fill the screen.
  term top 211 59 0 0 '#d0d0d0' '#16191d' -fa 'DejaVu Sans Mono' -fs 11
  capture x11_top_dark
}

screen_x11_ls_df_7x14() {
  desktop '#5b6770'
  term ls_df 104 46 40 36 black white -fn 7x14
  capture x11_ls_df_7x14
}

screen_x11_git_ps() {
  desktop '#34393f'
  # Left: the bitmap font "fixed" (6 x 13), dark; right: DejaVu Sans Mono 10 (8 x 17), light.
  term git 100 48 16 20 '#e0e0e0' '#1c1c1c' -fn fixed
  term ps 145 30 640 20 '#202020' '#fdfdf6' -fa 'DejaVu Sans Mono' -fs 10
  capture x11_git_ps
}

screen_x11_tiled() {
  desktop '#000000'
  # Four terminals tiled 2 x 2 with 4 px gaps; read one after the other: top left, top right, bottom left,
  # bottom right.
  term git:24-45 118 31 0 0 '#1e1e1e' '#f4f4f4' -fa 'DejaVu Sans Mono' -fs 10
  term df_free 105 35 962 0 '#c8e6c9' '#102014' -fn 9x15
  term ls_df:18-43 158 40 0 542 '#3a3a2a' '#fff8dc' -fn 6x13
  term ps:1-16 135 37 962 542 '#e8e8e8' '#202633' -fn 7x14
  capture x11_tiled
}

# --- toolkit dialogs (GTK 3 through yad and zenity; no window manager, so no title bars) --------------------


screen_gtk_print() {
  desktop '#d6d9dc'
  gtk print 60 60 560 600 yad --form --title=Print --text='Page 1 of 3 selected for printing' \
    --field='Printer:CB' 'Office LaserJet 4200!Save as PDF!Label printer' \
    --field='Status:RO' 'Idle, 2 jobs waiting' \
    --field='Copies:NUM' '2!1..99!1' \
    --field='Collate:CHK' TRUE \
    --field='Pages:CB' 'All!Current page!Range' \
    --field='Range:RO' '1-3, 5' \
    --field='Paper size:CB' 'A4!Letter!A5' \
    --field='Orientation:CB' 'Portrait!Landscape' \
    --field='Scale (%):NUM' '100!10..400!5' \
    --field='Print on both sides:CHK' FALSE \
    --field='Pages per sheet:CB' '1!2!4!6' \
    --button=Preview:2 --button=Cancel:1 --button=Print:0
  knows 'Page 1 of 3 selected for printing' \
    $'Printer\tOffice LaserJet 4200' \
    $'Status\tIdle, 2 jobs waiting' \
    $'Copies\t2' \
    'Collate' \
    $'Pages\tAll' \
    $'Range\t1-3, 5' \
    $'Paper size\tA4' \
    $'Orientation\tPortrait' \
    $'Scale (%)\t100' \
    'Print on both sides' \
    $'Pages per sheet\t1' \
    $'Preview\tCancel\tPrint'
  gtk queue 700 60 1160 430 yad --list --text='Print queue of Office LaserJet 4200' --no-selection \
    --column='Job:NUM' --column=Document --column=Owner --column='Pages:NUM' --column=Size --column=Submitted \
    --column=Status \
    118 'invoice-2024-117.pdf' alice 5 '212 kB' '09:41' Printing \
    119 'Quarterly report Q1.odt' bob 24 '1.8 MB' '09:43' Waiting \
    120 'boarding-pass.pdf' carol 1 '96 kB' '09:44' Waiting \
    121 'README.md' alice 3 '14 kB' '09:52' Held \
    122 'photo_0412.jpg' dave 1 '4.2 MB' '10:05' Waiting \
    123 'minutes 2024-03-11.docx' erin 2 '38 kB' '10:07' Waiting \
    124 'label-sheet.pdf' bob 12 '640 kB' '10:12' Held \
    --button=Pause:2 --button=Close:0
  knows 'Print queue of Office LaserJet 4200' \
    $'Job\tDocument\tOwner\tPages\tSize\tSubmitted\tStatus' \
    $'118\tinvoice-2024-117.pdf\talice\t5\t212 kB\t09:41\tPrinting' \
    $'119\tQuarterly report Q1.odt\tbob\t24\t1.8 MB\t09:43\tWaiting' \
    $'120\tboarding-pass.pdf\tcarol\t1\t96 kB\t09:44\tWaiting' \
    $'121\tREADME.md\talice\t3\t14 kB\t09:52\tHeld' \
    $'122\tphoto_0412.jpg\tdave\t1\t4.2 MB\t10:05\tWaiting' \
    $'123\tminutes 2024-03-11.docx\terin\t2\t38 kB\t10:07\tWaiting' \
    $'124\tlabel-sheet.pdf\tbob\t12\t640 kB\t10:12\tHeld' \
    $'Pause\tClose'
  gtk progress 700 540 640 170 yad --progress --percentage=40 --progress-text='Page 2 of 5' \
    --text='Printing invoice-2024-117.pdf' --button=Cancel:1
  knows 'Printing invoice-2024-117.pdf' 'Page 2 of 5' 'Cancel'
  capture gtk_print
}

screen_gtk_forms() {
  desktop '#3d4b59'
  gtk network 40 40 620 560 yad --form --text='Wired connection 1' \
    --field='Interface:RO' 'enp3s0' \
    --field='Hardware address:RO' '3C:52:82:1F:A4:7E' \
    --field='Speed:RO' '1000 Mb/s' \
    --field='IPv4 address:RO' '192.168.10.42' \
    --field='Subnet mask:RO' '255.255.255.0' \
    --field='Default route:RO' '192.168.10.1' \
    --field='DNS:RO' '192.168.10.1, 9.9.9.9' \
    --field='MTU:NUM' '1500!576..9000!1' \
    --field='Connect automatically:CHK' TRUE \
    --field='Available to all users:CHK' FALSE \
    --button=Remove:2 --button=Cancel:1 --button=Apply:0
  knows 'Wired connection 1' \
    $'Interface\tenp3s0' \
    $'Hardware address\t3C:52:82:1F:A4:7E' \
    $'Speed\t1000 Mb/s' \
    $'IPv4 address\t192.168.10.42' \
    $'Subnet mask\t255.255.255.0' \
    $'Default route\t192.168.10.1' \
    $'DNS\t192.168.10.1, 9.9.9.9' \
    $'MTU\t1500' \
    'Connect automatically' \
    'Available to all users' \
    $'Remove\tCancel\tApply'
  gtk folders 40 640 420 380 yad --list --text='Mail folders' --no-selection \
    --column=Folder --column='Unread:NUM' --column='Total:NUM' \
    Inbox 7 1204 Drafts 2 9 Sent 0 3310 Spam 13 41 Archive 0 12877 Trash 0 56 \
    --button=Close:0
  knows 'Mail folders' $'Folder\tUnread\tTotal' $'Inbox\t7\t1204' $'Drafts\t2\t9' $'Sent\t0\t3310' $'Spam\t13\t41' \
    $'Archive\t0\t12877' $'Trash\t0\t56' 'Close'
  gtk updates 720 40 1140 520 zenity --list --checklist --text='8 updates are available (42.6 MB)' \
    --column=Install --column=Package --column=Installed --column=Available --column=Size \
    TRUE firefox-esr 115.9.1esr-1 115.10.0esr-1 '68.2 MB' \
    TRUE libssl3 3.0.11-1 3.0.13-1 '2.0 MB' \
    TRUE openssh-client '1:9.2p1-2' '1:9.2p1-2+deb12u2' '991 kB' \
    FALSE linux-image-amd64 6.1.76-1 6.1.85-1 '1.4 kB' \
    TRUE tzdata 2024a-0 2024a-0+deb12u1 '255 kB' \
    FALSE libreoffice-writer '4:7.4.7-1' '4:7.4.7-1+deb12u1' '8.1 MB' \
    TRUE curl 7.88.1-10 7.88.1-10+deb12u5 '315 kB' \
    FALSE thunderbird '1:115.8.1-1' '1:115.10.1-1' '74.0 MB' \
    --ok-label='Install' --cancel-label='Later'
  knows '8 updates are available (42.6 MB)' \
    $'Install\tPackage\tInstalled\tAvailable\tSize' \
    $'firefox-esr\t115.9.1esr-1\t115.10.0esr-1\t68.2 MB' \
    $'libssl3\t3.0.11-1\t3.0.13-1\t2.0 MB' \
    $'openssh-client\t1:9.2p1-2\t1:9.2p1-2+deb12u2\t991 kB' \
    $'linux-image-amd64\t6.1.76-1\t6.1.85-1\t1.4 kB' \
    $'tzdata\t2024a-0\t2024a-0+deb12u1\t255 kB' \
    $'libreoffice-writer\t4:7.4.7-1\t4:7.4.7-1+deb12u1\t8.1 MB' \
    $'curl\t7.88.1-10\t7.88.1-10+deb12u5\t315 kB' \
    $'thunderbird\t1:115.8.1-1\t1:115.10.1-1\t74.0 MB' \
    $'Later\tInstall'
  gtk restart 720 640 560 200 zenity --question --no-wrap \
    --text='Updates were installed on 3 of 5 computers.\nRestart build-02 now?' --ok-label='Restart' \
    --cancel-label='Not now'
  knows 'Updates were installed on 3 of 5 computers.' 'Restart build-02 now?' $'Not now\tRestart'
  capture gtk_forms
}

screen_gtk_counters() {
  desktop '#e9e4dc'
  gtk calendar 60 60 420 360 yad --calendar --day=14 --month=3 --year=2024 --text='Due date of invoice 118' \
    --button=Cancel:1 --button=OK:0
  # The C locale starts the week on Sunday; the days of February and April are shown in very light grey.
  knows 'Due date of invoice 118' $'March\t2024' $'Sun\tMon\tTue\tWed\tThu\tFri\tSat' \
    $'25\t26\t27\t28\t29\t1\t2' $'3\t4\t5\t6\t7\t8\t9' $'10\t11\t12\t13\t14\t15\t16' \
    $'17\t18\t19\t20\t21\t22\t23' $'24\t25\t26\t27\t28\t29\t30' $'31\t1\t2\t3\t4\t5\t6' $'Cancel\tOK'
  gtk statistics 560 60 460 520 yad --form --text='Document statistics' \
    --field='Pages:RO' 12 --field='Words:RO' '3,418' --field='Characters:RO' '19,204' \
    --field='Paragraphs:RO' 87 --field='Lines:RO' 402 --field='Images:RO' 3 --field='Tables:RO' 1 \
    --field='Comments:RO' 0 --button=Close:0
  knows 'Document statistics' $'Pages\t12' $'Words\t3,418' $'Characters\t19,204' $'Paragraphs\t87' \
    $'Lines\t402' $'Images\t3' $'Tables\t1' $'Comments\t0' 'Close'
  gtk volume 1100 60 420 170 zenity --scale --text='Print density' --value=35 --min-value=0 --max-value=100
  knows 'Print density' '35' $'Cancel\tOK'
  gtk pages 1100 300 560 320 yad --list --text='Pages to print' --no-selection --column='Page:NUM' \
    --column='Sheet:NUM' --column=Side 1 1 Front 2 1 Back 3 2 Front 4 2 Back 5 3 Front --button=Close:0
  knows 'Pages to print' $'Page\tSheet\tSide' $'1\t1\tFront' $'2\t1\tBack' $'3\t2\tFront' $'4\t2\tBack' \
    $'5\t3\tFront' 'Close'
  capture gtk_counters
}

# --- Windows programs under Wine ----------------------------------------------------------------------------
# A fresh private prefix (wine_prefix in x11_session.sh) with font smoothing off (small aliased text, as
# Windows draws it with ClearType and standard smoothing off), a caret that does not blink, and Wine's own
# virtual desktop of the screen's size, so that Wine draws the title bars and frames. Windows inside it are no
# X windows: the screen is captured once it has stopped changing.

# notepad FILE X Y WIDTH HEIGHT FONT POINTS: opens src/x11/FILE in Notepad at a fixed place, on the virtual
# desktop.
notepad() { notepad_open "$src/x11" "$@"; }

wine_close() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

screen_wine_notepad() {
  wine_prefix
  desktop '#000000'
  notepad notepad_plan.txt 20 20 1000 760 Tahoma 100
  notepad notepad_notes.txt 1060 120 820 560 Courier 100
  knows 'notepad_plan.txt - Notepad' $'File\tEdit\tSearch\tView\tHelp'
  known_from_term <"$src/x11/notepad_plan.txt" >>"$known"
  knows 'Ln 1, Col 1'
  knows 'notepad_notes.txt - Notepad' $'File\tEdit\tSearch\tView\tHelp'
  known_from_term <"$src/x11/notepad_notes.txt" >>"$known"
  knows 'Ln 1, Col 1'
  capture wine_notepad 1
  wine_close
}

# wine_drag X Y TO-X TO-Y: drags what is at X Y (a title bar) with the pointer, then parks the pointer.
wine_drag() {
  xdotool mousemove "$1" "$2" mousedown 1
  sleep 0.5
  xdotool mousemove "$3" "$4"
  sleep 0.5
  xdotool mouseup 1 mousemove 1919 1079
  sleep 1
}

# regedit_at KEY: the Registry Editor in the upper left, showing HKCU\Software\Vesk\KEY: select
# HKEY_CURRENT_USER, open it, then the tree's type-ahead finds Software, Vesk and KEY.
regedit_at() {
  wine_start regedit
  xdotool mousemove 116 83 click 1 mousemove 1919 1079
  sleep 0.5
  xdotool key Right; sleep 0.5; xdotool type --delay 150 Software; sleep 0.5
  xdotool key Right; sleep 0.5; xdotool type --delay 150 Vesk; sleep 0.5
  xdotool key Right; sleep 0.5; xdotool type --delay 150 "$1"; sleep 2
}

screen_wine_dialogs() {
  wine_prefix
  local key='HKCU\Software\Vesk\Print'
  wine reg add "$key" /v Printer /t REG_SZ /d 'Office LaserJet 4200' /f >/dev/null 2>&1
  wine reg add "$key" /v Port /t REG_SZ /d '192.168.10.50:9100' /f >/dev/null 2>&1
  wine reg add "$key" /v Copies /t REG_DWORD /d 2 /f >/dev/null 2>&1
  wine reg add "$key" /v Collate /t REG_DWORD /d 1 /f >/dev/null 2>&1
  wine reg add "$key" /v Duplex /t REG_SZ /d 'long edge' /f >/dev/null 2>&1
  wine reg add "$key" /v PaperSize /t REG_SZ /d A4 /f >/dev/null 2>&1
  wine reg add "$key" /v Tray /t REG_DWORD /d 2 /f >/dev/null 2>&1
  wine reg add "$key" /v Margins /t REG_SZ /d '10, 15, 10, 15' /f >/dev/null 2>&1
  wine reg add "$key" /v LastJob /t REG_DWORD /d 118 /f >/dev/null 2>&1
  regedit_at Print
  # Wine configuration, moved to the right of it.
  wine_start winecfg
  wine_drag 200 12 1680 52
  knows 'Registry Editor' $'Registry\tEdit\tView\tFavorites\tHelp' \
    'My Computer' HKEY_CLASSES_ROOT HKEY_CURRENT_USER AppEvents 'Control Panel' Environment 'Keyboard Layout' \
    Software Microsoft Vesk Print Wine 'Volatile Environment' HKEY_LOCAL_MACHINE HKEY_USERS HKEY_CURRENT_CONFIG \
    HKEY_DYN_DATA \
    $'Name\tType\tData' \
    $'(Default)\tREG_SZ\t(value not set)' \
    $'Collate\tREG_DWORD\t0x00000001 (1)' \
    $'Copies\tREG_DWORD\t0x00000002 (2)' \
    $'Duplex\tREG_SZ\tlong edge' \
    $'LastJob\tREG_DWORD\t0x00000076 (118)' \
    $'Margins\tREG_SZ\t10, 15, 10, 15' \
    $'PaperSize\tREG_SZ\tA4' \
    $'Port\tREG_SZ\t192.168.10.50:9100' \
    $'Printer\tREG_SZ\tOffice LaserJet 4200' \
    $'Tray\tREG_DWORD\t0x00000002 (2)'
  # The status bar starts with the computer name, which Wine takes from the host name.
  knows "$(hostname | cut -d. -f1 | cut -c1-15 | tr '[:lower:]' '[:upper:]')\\HKEY_CURRENT_USER\\Software\\Vesk\\Print"
  knows 'Wine configuration' $'Drives\tAudio\tAbout' $'Applications\tLibraries\tGraphics\tDesktop Integration' \
    'Application settings' \
    'Wine can mimic different Windows versions for each application.' \
    'This tab is linked to the Libraries and Graphics tabs to allow you' \
    'to change system-wide or per-application settings in those tabs' \
    'as well.' \
    'Default Settings' \
    $'Add application...\tRemove application' \
    $'Windows Version:\tWindows 7' \
    $'OK\tCancel\tApply'
  capture wine_dialogs 1
  wine_close
}

# Held out when the profile's keys for Wine's windows were chosen: other programs' content and other fonts.
screen_wine_notepad_small() {
  wine_prefix
  desktop '#3a6ea5'
  notepad notepad_small.txt 40 60 760 520 Tahoma 80
  # The prefix has no MS Sans Serif: Wine draws the letter in a monospace font in its place.
  notepad notepad_letter.txt 900 200 900 600 'MS Sans Serif' 100
  knows 'notepad_small.txt - Notepad' $'File\tEdit\tSearch\tView\tHelp'
  known_from_term <"$src/x11/notepad_small.txt" >>"$known"
  knows 'Ln 1, Col 1'
  knows 'notepad_letter.txt - Notepad' $'File\tEdit\tSearch\tView\tHelp'
  known_from_term <"$src/x11/notepad_letter.txt" >>"$known"
  knows 'Ln 1, Col 1'
  capture wine_notepad_small 1
  wine_close
}

screen_wine_regedit_mail() {
  wine_prefix
  local key='HKCU\Software\Vesk\Mail'
  wine reg add "$key" /v Server /t REG_SZ /d 'mail.example.org' /f >/dev/null 2>&1
  wine reg add "$key" /v SmtpPort /t REG_DWORD /d 587 /f >/dev/null 2>&1
  wine reg add "$key" /v UseTls /t REG_DWORD /d 1 /f >/dev/null 2>&1
  wine reg add "$key" /v Account /t REG_SZ /d 'billing@example.org' /f >/dev/null 2>&1
  wine reg add "$key" /v Signature /t REG_SZ /d 'Sent from the front desk' /f >/dev/null 2>&1
  wine reg add "$key" /v CheckEvery /t REG_DWORD /d 15 /f >/dev/null 2>&1
  wine reg add "$key" /v Folder /t REG_SZ /d 'Inbox\Invoices' /f >/dev/null 2>&1
  regedit_at Mail
  knows 'Registry Editor' $'Registry\tEdit\tView\tFavorites\tHelp' \
    'My Computer' HKEY_CLASSES_ROOT HKEY_CURRENT_USER AppEvents 'Control Panel' Environment 'Keyboard Layout' \
    Software Microsoft Vesk Mail Wine 'Volatile Environment' HKEY_LOCAL_MACHINE HKEY_USERS HKEY_CURRENT_CONFIG \
    HKEY_DYN_DATA \
    $'Name\tType\tData' \
    $'(Default)\tREG_SZ\t(value not set)' \
    $'Account\tREG_SZ\tbilling@example.org' \
    $'CheckEvery\tREG_DWORD\t0x0000000f (15)' \
    $'Folder\tREG_SZ\tInbox\\Invoices' \
    $'Server\tREG_SZ\tmail.example.org' \
    $'Signature\tREG_SZ\tSent from the front desk' \
    $'SmtpPort\tREG_DWORD\t0x0000024b (587)' \
    $'UseTls\tREG_DWORD\t0x00000001 (1)'
  knows "$(hostname | cut -d. -f1 | cut -c1-15 | tr '[:lower:]' '[:upper:]')\\HKEY_CURRENT_USER\\Software\\Vesk\\Mail"
  capture wine_regedit_mail 1
  wine_close
}

screen_wine_winecfg_graphics() {
  wine_prefix
  wine_start winecfg
  wine_drag 200 12 700 152
  # The Graphics tab, where the drag left it.
  xdotool mousemove 725 198 click 1 mousemove 1919 1079
  sleep 2
  knows 'Wine configuration' $'Drives\tAudio\tAbout' $'Applications\tLibraries\tGraphics\tDesktop Integration' \
    'Window settings' \
    'Automatically capture the mouse in full-screen windows' \
    'Allow the window manager to decorate the windows' \
    'Allow the window manager to control the windows' \
    'Emulate a virtual desktop' \
    $'Desktop size:\t800\tX\t600' \
    'Screen resolution' \
    $'96\tdpi' \
    'This is a sample text using 10 point Tahoma' \
    $'OK\tCancel\tApply'
  capture wine_winecfg_graphics 1
  wine_close
}

all_screens=(x11_top_dark x11_ls_df_7x14 x11_git_ps x11_tiled gtk_print gtk_forms gtk_counters wine_notepad
  wine_dialogs wine_notepad_small wine_regedit_mail wine_winecfg_graphics)

if [ $# -eq 0 ]; then set -- "${all_screens[@]}"; fi
for name in "$@"; do
  declare -F "screen_$name" >/dev/null || { echo "capture_x11.sh: no screen $name" >&2; exit 1; }
  : >"$known"
  "screen_$name"
done
