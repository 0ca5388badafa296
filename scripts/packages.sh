# Sourced by the project's scripts: ensure_packages PACKAGE... installs the
# Debian packages that are missing when run as root on a Debian-like system,
# otherwise prints the install command and exits 1. Without dpkg there is no
# package list to check: the build then stops with the name of whatever is
# missing.
ensure_packages() {
  local missing=() package
  if command -v dpkg-query >/dev/null; then
    for package in "$@"; do
      dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
  fi
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${missing[@]}"
  else
    echo "$(basename "$0"): this needs ${missing[*]}; install them with:" >&2
    echo "  sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
}
