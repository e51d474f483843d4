# Sourced: start_private_xvfb FILE starts an X server of the script's own
# for Windows' windows, which need a screen even in tests, and points
# DISPLAY at it; xvfb_pid names it, for the script's cleanup to end. Without
# -noreset the server would reset each time its last client leaves, between
# two programs. FILE receives the display's number.
xvfb_pid=
start_private_xvfb() {
    local display_file=$1
    rm -f "$display_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        grep -q . "$display_file" && break
        sleep 0.1
    done
    grep -q . "$display_file" || { echo "FAIL: Xvfb did not start"; exit 1; }
    export DISPLAY=:$(cat "$display_file")
}
