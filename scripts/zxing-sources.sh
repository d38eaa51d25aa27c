# Sourced by the scripts that build with zxing-cpp 2.3. find_zxing_sources sets and exports
# VESK_ZXING_SOURCE_DIR when zxing-cpp sources are found: the folder it already names (which must hold
# them), else ../shared/third_party/zxing-cpp-2.3.0 beside the repository. Run from the repository's top
# folder.
find_zxing_sources() {
  if [ -n "${VESK_ZXING_SOURCE_DIR:-}" ]; then
    [ -f "$VESK_ZXING_SOURCE_DIR/core/CMakeLists.txt" ] || {
      echo "VESK_ZXING_SOURCE_DIR=$VESK_ZXING_SOURCE_DIR holds no zxing-cpp sources" >&2; exit 1; }
  else
    local candidate=../shared/third_party/zxing-cpp-2.3.0
    if [ -f "$candidate/core/CMakeLists.txt" ]; then
      VESK_ZXING_SOURCE_DIR=$(cd "$candidate" && pwd)
    fi
  fi
  if [ -n "${VESK_ZXING_SOURCE_DIR:-}" ]; then export VESK_ZXING_SOURCE_DIR; fi
}
