# Shared by scripts/play, scripts/test and scripts/fuzz: package install, build, virtual display.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${LUMIVEX_BUILD_DIR:-$ROOT/build}"
JOBS="${LUMIVEX_JOBS:-$(nproc)}"

PACKAGES=(build-essential cmake pkg-config freeglut3-dev libglew-dev libdevil-dev libgd-dev
  libgtest-dev libgmock-dev libbenchmark-dev libopenal-dev libsndfile1-dev
  xvfb xauth xdotool imagemagick x11-apps x11-utils mesa-utils libgl1-mesa-dri
  fonts-dejavu-core clang libclang-rt-14-dev desktop-file-utils appstream)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

configure_and_build() {
  # Quiet when it works; the whole configure log when it does not.
  local log
  log="$(mktemp)"
  if ! cmake -S "$ROOT" -B "$BUILD" "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
  cmake --build "$BUILD" -j "$JOBS"
}

# Without a sound server, OpenAL Soft plays into its null backend.
choose_audio_backend() {
  if [ -z "${ALSOFT_DRIVERS:-}" ]; then
    if ! { [ -n "${PULSE_SERVER:-}" ] || [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ] || [ -e /dev/snd/pcmC0D0p ]; }; then
      export ALSOFT_DRIVERS=null
    fi
  fi
}

# An X server resets when its last client leaves and refuses connections meanwhile: the
# readiness probe is such a client, and the game started after it would meet the reset.
# -noreset keeps the server as it is. A busy server may still refuse a probe now and then
# (EAGAIN): it is asked again, and one that never answers is said and replaced.
XVFB_PID=""
start_virtual_display() {
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":$n"
      for _ in $(seq 1 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
      done
      echo "The virtual display :$n did not answer; trying another one" >&2
      kill "$XVFB_PID" 2>/dev/null || true
      wait "$XVFB_PID" 2>/dev/null || true
    fi
  done
  echo "Could not start a virtual display" >&2
  return 1
}

stop_virtual_display() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
}
