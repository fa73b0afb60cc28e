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
