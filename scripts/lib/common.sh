# Shared by the project's scripts: installing what the build needs and
# building into build/ (or the folder given).

# Debian packages the build, the tests and the demo need.
CORVANE_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libssl-dev openssl
  libgtest-dev libgmock-dev
  python3 python3-pyftpdlib python3-openssl
  fonts-wqy-microhei shared-mime-info
  dpkg-dev file
)

corvane_root() { cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd; }

# Installs the packages that are missing; does nothing when all are there.
ensure_packages() {
  local missing=()
  local p
  for p in "${CORVANE_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# build_tree DIR [cmake options...]: configure once, then build incrementally.
build_tree() {
  local dir="$1"
  shift
  local root
  root="$(corvane_root)"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >&2
  fi
  cmake --build "$dir" -j "$(nproc)" >&2
}
