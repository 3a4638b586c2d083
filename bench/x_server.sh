# Sourced by the window benchmarks after they make $scratch: starts a private
# X server when one can be started and no platform is chosen, because the
# offscreen platform paints without the window system's round trips and
# flatters the figures. Sets `xvfb` to its process (or empty) for the
# caller's EXIT trap to end.
xvfb=""
if [ -z "${QT_QPA_PLATFORM:-}" ] && command -v Xvfb >/dev/null; then
  # Xvfb picks a free display itself and writes its number once it is ready.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n 1 "$scratch/display") QT_QPA_PLATFORM=xcb
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
echo "platform: $QT_QPA_PLATFORM"
