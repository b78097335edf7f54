#!/bin/sh
# Under a headless weston and no X server, the program opens its window as a native Wayland
# client: the main window (fixed at 680 x 603) is titled, named for its desktop entry and drawn.
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT
# BROWSER: one start in a hundred visits the home page; a browser that "opens" keeps its error box away.
export XDG_RUNTIME_DIR="$dir" WAYLAND_DISPLAY=w QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client BROWSER=true
weston --backend=headless-backend.so --socket=w --idle-time=0 --no-config 2>/dev/null & compositor=$!
for i in $(seq 100); do [ -S "$dir/w" ] && break; sleep 0.1; done
"$1" 2>"$dir/log" & program=$!
shown='xdg_toplevel@(\d+)\.set_max_size\(680, 603\)[\s\S]*xdg_toplevel@\1\.set_title\("Typorama"\)[\s\S]*'
shown="$shown"'xdg_toplevel@\1\.set_app_id\("org\.typorama\.Typorama"\)[\s\S]*\.attach\(wl_buffer@'
for i in $(seq 300); do grep -Pzq "$shown" "$dir/log" && break; sleep 0.1; done
kill $program $compositor
grep -Pzq "$shown" "$dir/log" || { head -c 3000 "$dir/log"; exit 1; }
