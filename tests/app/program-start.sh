# Sourced by the tests that drive the real program on a virtual display.
# links_up_and_main N: waits until the simulated racks have been asked for N
# read-backs (the links are up, each attenuator identified and read), then
# sets main to the program's main window (its widest visible window). Uses
# the caller's out, program, fail and find_window.
links_up_and_main() {
    local want=$1 w
    stas() { grep -c "STA?" "$out/rack-sim.log" || true; }
    for _ in $(seq 100); do [ "$(stas)" -ge "$want" ] && break; sleep 0.1; done
    [ "$(stas)" -ge "$want" ] || fail "the links did not come up"
    main=""
    for w in $(find_window 5 --onlyvisible --pid "$program"); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -ge 500 ] && main=$w
    done
    [ -n "$main" ] || fail "no main window"
}

# start_rack_sim PREFIX ARGS...: the simulator on a loopback address of the
# test's own under PREFIX ("127.1"), set in ip; @IP in ARGS stands for it.
# Tries other addresses while one is taken. Uses the caller's simulator,
# out, pids and fail.
start_rack_sim() {
    local prefix=$1 a
    shift
    for _ in $(seq 10); do
        ip="$prefix.$((RANDOM % 250 + 1)).$((RANDOM % 250 + 2))"
        local args=()
        for a in "$@"; do args+=("${a//@IP/$ip}"); done
        "$simulator" "${args[@]}" >"$out/rack-sim.log" 2>&1 &
        sim=$!
        for _ in $(seq 50); do grep -q "ready" "$out/rack-sim.log" && break; kill -0 "$sim" 2>/dev/null || break; sleep 0.1; done
        grep -q "ready" "$out/rack-sim.log" && break
    done
    pids+=("$sim")
    grep -q "ready" "$out/rack-sim.log" || fail "rack-sim did not start"
}
