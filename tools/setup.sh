# Shared by the two top-level commands: packages and the cross build.
# python3-pefile reads the programs' mitigations back; osslsigncode and openssl sign the bundle.
VX_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix clang lld llvm googletest nlohmann-json3-dev
             wine wine64 xvfb xauth python3 python3-pefile osslsigncode openssl)

vx_install_packages() {
  local missing=()
  for p in "${VX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

vx_configure_and_build() {
  cmake --preset mingw-wine >/dev/null
  cmake --build build --parallel "$(nproc)"
}

# The checked build: the whole tree again with clang and lld into
# build-clang, warnings as errors, undefined behaviour trapping and
# libstdc++'s containers checking their indexes (the mingw-clang preset).
# tools/run_tests.sh runs the whole suite on it after the gcc build's run.
vx_build_clang() {
  cmake --preset mingw-clang >/dev/null
  cmake --build build-clang --parallel "$(nproc)"
}

# Runs ctest on the build tree named first (build, or build-clang for the
# checked build) inside a virtual display, with any extra ctest arguments.
# The tree's own Wine prefix is stopped at the end however the run ends, so
# nothing it started outlives it. (ctest makes and starts the prefix itself,
# as its first test.)
vx_run_ctest_in() (
  tree=$1
  shift
  trap 'cmake/wine-prefix.sh stop "$PWD/$tree/wineprefix" >/dev/null 2>&1 || true' EXIT
  trap 'exit 130' INT TERM HUP
  xvfb-run -a --server-args="-screen 0 1280x1024x24" \
    ctest --test-dir "$tree" --output-on-failure "$@"
)

# The suite on the gcc build.
vx_run_ctest() { vx_run_ctest_in build "$@"; }
