# The parts the corpus's captured families (x11.sh, wine.sh) share: their options, and running the scripts
# their plan holds into the corpus folder. Sourced, not run.

# family_options NAME COUNT TOOL... -- ARG...: sets seed (default 1), count (default COUNT) and out (default
# build/corpus, made and taken absolute) from the script's arguments ARG..., and stops when a TOOL is missing.
family_options() {
  local name=$1
  seed=1 count=$2 out=$here/../../build/corpus
  shift 2
  local tools=()
  while [ "$1" != -- ]; do tools+=("$1"); shift; done
  shift
  while [ $# -gt 0 ]; do
    case $1 in
      --seed) seed=$2 ;;
      --count) count=$2 ;;
      --out) out=$2 ;;
      *) echo "usage: bash $name.sh [--seed N] [--count N] [--out DIR]" >&2; exit 2 ;;
    esac
    shift 2
  done
  local c
  for c in "${tools[@]}"; do
    command -v "$c" >/dev/null 2>&1 || { echo "$name.sh: $c is missing (see bench/devset/README.md)" >&2; exit 1; }
  done
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
}

# capture_family FAMILY PLAN [AFTER]: runs the plan's FAMILY-*.sh scripts (each captures one screen into $out
# and lists its known text), then AFTER if given, and lists the screens as FAMILY in families.txt in place of
# those of a run before.
capture_family() {
  local family=$1 plan=$2 after=${3:-} script
  touch "$out/families.txt"
  grep -v $'\t'"$family"'$' "$out/families.txt" >"$work/families" || true
  rm -f "$out/$family"-*.png "$out/$family"-*.txt
  for script in "$plan/$family"-*.sh; do
    : >"$known"
    # shellcheck source=/dev/null
    . "$script"
    [ -z "$after" ] || "$after"
    printf '%s\t%s\n' "$(basename "$script" .sh)" "$family" >>"$work/families"
  done
  cp "$work/families" "$out/families.txt"
}
