#!/usr/bin/python3
# Starts the same sequence files on several benches on one tick: checks each
# bench's clock against this computer's, arms every bench with the files,
# gives all of them one start instant 1 s ahead, waits until every run has
# ended and prints how far each bench's first tick fell from the instant.
#
#   group-start-example.py FILE.sqc[,FILE.sqc...] RESOURCE [RESOURCE...]
#
# The files are absolute paths on each bench's own computer; a RESOURCE is
# a VISA resource such as TCPIP0::127.0.0.1::5025::SOCKET.
import sys, time, pyvisa

if len(sys.argv) < 3:
    sys.exit(__doc__ or 'usage: group-start-example.py FILE.sqc[,FILE.sqc...] RESOURCE [RESOURCE...]')
files, resources = sys.argv[1].split(','), sys.argv[2:]
rm = pyvisa.ResourceManager('@py')
benches = [rm.open_resource(r, read_termination='\n', write_termination='\n', timeout=20000) for r in resources]


def stop_all(message):
    for bench in benches:
        bench.write('ABOR')
    sys.exit(message)


# Each bench starts at the instant of its own clock: they agree as well as
# their clocks do (NTP, PTP), which this shows before anything is armed.
for name, bench in zip(resources, benches):
    before = time.time()
    clock = float(bench.query('SYST:TIME:UTC?'))
    after = time.time()
    offset, trip = clock - (before + after) / 2, after - before
    print(f'{name}: clock {offset * 1e3:+.1f} ms from this computer (round trip {trip * 1e3:.1f} ms)')
    if abs(offset) > 0.010 + trip / 2:
        print(f'{name}: its clock is off by more than 10 ms: check its time service')

quoted = ','.join(f'"{f}"' for f in files)
for name, bench in zip(resources, benches):
    bench.write(f'SEQ:LOAD {quoted}')  # answered once the files are read and checked
    if bench.query('SEQ:STAT?') != 'ARM':
        stop_all(f'{name} did not arm: {bench.query("SYST:ERR?")}')

instant = f'{time.time() + 1:.6f}'
for name, bench in zip(resources, benches):
    # A bench that took the start time answers it back.
    if bench.query(f'SEQ:STAR:TIME {instant};SEQ:STAR:TIME?') != instant:
        stop_all(f'{name} refused the start time: {bench.query("SYST:ERR?")}')
print(f'all start at {instant}')

while any(bench.query('SEQ:STAT?') != 'IDLE' for bench in benches):
    time.sleep(0.2)
for name, bench in zip(resources, benches):
    first = float(bench.query('SEQ:STAR:FIRS?'))
    print(f'{name}: first tick {(first - float(instant)) * 1e3:+.3f} ms from the instant')
