# shellcheck shell=bash
# The callers set tmp, size and script_name:
# shellcheck disable=SC2154
#
# Sourced by the scripts that take pictures of Windows programs in a Wine
# virtual desktop on a virtual X server (scripts/screenshot-window-windows,
# scripts/screenshot-installer). Before sourcing, set:
#
#   tmp          a scratch folder for the screen captures
#   size         the desktop's size, WIDTHxHEIGHT (explorer /desktop=NAME,SIZE),
#                placed at the screen's corner 0,0
#   script_name  the calling script's name, for messages
#
# Gives wine_dir (Wine's programs), stop_wine, fail, shot, settle (the
# settled screen is $tmp/current.png) and crop_window.

wine_dir=/usr/lib/wine
[ -x "$wine_dir/wine64" ] || wine_dir=$(dirname "$(command -v wine64)")

stop_wine() {
  "$wine_dir/wineserver" -k >/dev/null 2>&1 || true
  "$wine_dir/wineserver" -w >/dev/null 2>&1 || true
}

fail() {
  echo "$script_name: $1" >&2
  exit 1
}

# The desktop's part of the root window, as the PNG $1.
shot() {
  import -window root -crop "$size+0+0" +repage -strip -define png:exclude-chunks=date,time \
    "png:$1"
}

# Waits until the screen looks the same twice in a row, and shows more than
# one colour: the X screen stays black until Wine has drawn its desktop, and
# keys sent then would reach no window.
settle() {
  local previous="$tmp/previous.png" current="$tmp/current.png"
  shot "$previous"
  for _ in $(seq 100); do
    sleep 0.3
    shot "$current"
    if cmp -s "$previous" "$current" && [ "$(convert "$current" -format '%k' info:)" -gt 1 ]; then
      return 0
    fi
    mv "$current" "$previous"
  done
  fail "the screen did not settle"
}

# The settled screen cropped to the window on it, as the PNG $1: -trim
# against the desktop's colour, taken from its far corner (windows open
# elsewhere).
crop_window() {
  local background
  background=$(convert "$tmp/current.png" -format "%[pixel:p{$((${size%x*} - 1)),$((${size#*x} - 1))}]" info:)
  convert "$tmp/current.png" -bordercolor "$background" -border 1 -trim +repage -strip \
    -define png:exclude-chunks=date,time "png:$1"
}
