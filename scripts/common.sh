# Shared by scripts/run and scripts/test: package installation and the build. Sourced, not run.
# shellcheck shell=bash

CORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export CORVANE_ROOT

say() { printf '==> %s\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Installs the Debian packages listed in scripts/debian-packages.txt that are not installed yet.
install_packages() {
    local wanted missing=()
    wanted=$(grep -v -E '^\s*(#|$)' "$CORVANE_ROOT/scripts/debian-packages.txt")
    for package in $wanted; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || die "missing packages (${missing[*]}); run as root or install sudo"
        sudo=(sudo)
    fi
    say "installing ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" \
        || die "apt-get install failed"
}

# build_tree DIR [cmake options...]: configures (once) and builds DIR.
build_tree() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$CORVANE_ROOT" -B "$dir" -G Ninja "$@" >/dev/null || die "cmake configure failed in $dir"
    fi
    cmake --build "$dir" -j "$(nproc)" || die "build failed in $dir"
}
