# The screenshot loop of the GUI tests (sourced): the driver writes C:\tarvio-gui-shots\NAME.req
# holding the screen area (WxH+X+Y); the picture is saved as NAME.png in the output folder and the
# request deleted. ImageMagick's import, by its full path. Needs WINEPREFIX and DISPLAY.

# start_screenshots OUTPUT-FOLDER: starts the loop in the background; stop_screenshots ends it.
start_screenshots() {
  local out=$1
  mkdir -p "$out"
  rm -f "$out"/*.png
  shot_requests="$WINEPREFIX/drive_c/tarvio-gui-shots"
  mkdir -p "$shot_requests"
  (
    while true; do
      for request in "$shot_requests"/*.req; do
        [ -e "$request" ] || continue
        name=$(basename "$request" .req)
        geometry=$(head -1 "$request" | tr -d '\r\n')
        /usr/bin/import -display "$DISPLAY" -window root ${geometry:+-crop "$geometry"} +repage \
          "$out/$name.png" 2>/dev/null || true
        rm -f "$request"
      done
      sleep 0.05
    done
  ) &
  shot_loop=$!
}

stop_screenshots() {
  [ -n "${shot_loop:-}" ] && kill "$shot_loop" 2>/dev/null || true
  [ -n "${shot_requests:-}" ] && rm -rf "$shot_requests"
  shot_loop=""
}
