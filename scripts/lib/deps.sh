# Sourced by the scripts: installs the Debian packages the project needs, when missing.
veltroma_packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev libqcustomplot-dev libfreexl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-xlrd
  xvfb xauth imagemagick fonts-dejavu-core fonts-wqy-microhei
  # The window benchmark drives the real window from outside, as a user's mouse and keys.
  xdotool
  # Checks of the installed tree and of the Debian package.
  desktop-file-utils
  appstream
  dpkg-dev
  file
  lintian
  # systemd-analyze: the service unit's syntax and its sandbox's exposure rating.
  systemd
  libmosquitto-dev
  mosquitto
  mosquitto-clients
  # The web view's server, and its tests: a headless browser and the metrics checker.
  qt6-httpserver-dev
  qt6-websockets-dev
  chromium
  prometheus
)
# An independent spreadsheet program to check the written workbooks against, and a compiler
# cache that makes rebuilds fast.
veltroma_optional_packages=(libreoffice-calc ccache)

veltroma_install_deps() {
  local missing=()
  local pkg
  for pkg in "${veltroma_packages[@]}" "${veltroma_optional_packages[@]}"; do
    [ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" = 'install ok installed' ] || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
