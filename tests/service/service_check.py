#!/usr/bin/python3
"""quadrell2x4attsd as systemd runs it, against simulated racks (rack-sim):
no display, a NOTIFY_SOCKET of the test's own, signals, and the wire.

    service_check.py CASE SERVICE RACK_SIM OUT_DIR [UNIT_FILE]

CASE: serve, bad_config, restart, crash_record, armed, unit, no_gui. Exits 77 when skipped."""
import datetime, glob, json, os, random, re, signal, socket, subprocess, sys, threading, time

case, service, rack_sim, out = sys.argv[1:5]
unit_file = sys.argv[5] if len(sys.argv) > 5 else None
os.makedirs(out, exist_ok=True)
# The service's log of this run only (a restart appends to it).
for old in ('service.log', 'rack-sim.log'):
    if os.path.exists(os.path.join(out, old)):
        os.unlink(os.path.join(out, old))
procs = []


def fail(msg):
    print('FAILED:', msg)
    for name in ('service.log', 'rack-sim.log'):
        path = os.path.join(out, name)
        if os.path.exists(path):
            print('---', name)
            print(open(path, errors='replace').read()[-6000:])
    sys.exit(1)


def wait_for(pred, timeout, what):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if pred():
            return
        time.sleep(0.05)
    fail('timed out waiting for ' + what)


class Sim:
    """rack-sim serving racks of four (two unless told); every line it
    received, in order, and when in times: UTC seconds, or with
    clock='--monotonic' the seconds of time.monotonic()."""

    def __init__(self, racks=2, clock='--utc'):
        for _ in range(20):
            self.ips = ['127.%d.%d.%d' % (random.randint(2, 250), random.randint(1, 250), random.randint(2, 250))
                        for _ in range(racks)]
            self.lines, self.times = [], []
            self.log = open(os.path.join(out, 'rack-sim.log'), 'w')
            args = [a for ip in self.ips for a in ('--rack', ip)]
            self.proc = subprocess.Popen([rack_sim, clock] + args,
                                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            first = self.proc.stdout.readline()
            if 'ready' in first:
                break
            self.proc.wait()
        else:
            fail('rack-sim did not start')
        procs.append(self.proc)
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.proc.stdout:
            self.log.write(line)
            self.log.flush()
            parts = line.split(None, 2)
            if len(parts) == 3:
                self.times.append(float(parts[0]))
                self.lines.append((parts[1], parts[2].rstrip('\n')))

    def address(self, rack, att):
        return '%s:%d' % (self.ips[rack], 10000 + att)


class Notify:
    """A NOTIFY_SOCKET of the test's own: every datagram the service sends."""

    def __init__(self, name='notify.sock'):
        self.path = os.path.join(out, name)
        if os.path.exists(self.path):
            os.unlink(self.path)
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        self.sock.bind(self.path)
        self.messages = []
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        while True:
            data = self.sock.recv(4096).decode()
            self.messages.extend(data.split('\n'))

    def has(self, text):
        return text in self.messages


def free_port():
    s = socket.socket()
    s.bind(('127.0.0.1', 0))
    port = s.getsockname()[1]
    s.close()
    return port


def write_config(path, sim, rack1_atts=(1, 2, 3, 4), rack2_atts=(1, 2, 3, 4), rack2_ip=None, floors=None,
                 first_rack=0):
    lines = []
    ips = sim.ips[first_rack], rack2_ip or sim.ips[first_rack + 1]
    for r, (ip, atts) in enumerate(((ips[0], rack1_atts), (ips[1], rack2_atts))):
        lines.append('[rack%d]' % (r + 1))
        lines.append('IP address=%s' % ip)
        lines.append('name rack=Rack %d' % (r + 1))
        lines += ['Att%d Enable=%d' % (k, 1 if k in atts else 0) for k in range(1, 5)]
        lines += ['Att%d Min dB=%s' % (k, dB) for (rack, k), dB in (floors or {}).items() if rack == r]
    with open(path, 'w') as f:
        f.write('\n'.join(lines) + '\n')


class Service:
    def __init__(self, config, port, notify, extra=(), log='service.log'):
        env = {k: v for k, v in os.environ.items() if k not in ('DISPLAY', 'WAYLAND_DISPLAY', 'QT_QPA_PLATFORM')}
        env['NOTIFY_SOCKET'] = notify.path if notify else ''
        env['WATCHDOG_USEC'] = '400000'
        self.log_path = os.path.join(out, log)
        self.log = open(self.log_path, 'a')
        self.proc = subprocess.Popen([service, '--config', config, '--scpi-port', str(port)] + list(extra),
                                     env=env, stdout=self.log, stderr=self.log)
        procs.append(self.proc)
        self.port = port

    def text(self):
        return open(self.log_path, errors='replace').read()


class Scpi:
    def __init__(self, port):
        self.sock = socket.create_connection(('127.0.0.1', port), timeout=10)
        self.buf = b''

    def write(self, line):
        self.sock.sendall(line.encode() + b'\n')

    def query(self, line):
        self.write(line)
        while b'\n' not in self.buf:
            chunk = self.sock.recv(4096)
            if not chunk:
                fail('SCPI connection closed after ' + line)
            self.buf += chunk
        answer, self.buf = self.buf.split(b'\n', 1)
        return answer.decode()


def start_bench(sim, notify, config, extra=(), first_rack=0, log='service.log'):
    since = len(sim.lines)
    port = free_port()
    svc = Service(config, port, notify, extra, log)
    wait_for(lambda: notify.has('READY=1'), 15, 'READY=1')
    wait_for(lambda: notify.has('STATUS=8 of 8 attenuators ready'), 20, 'STATUS=8 of 8 attenuators ready')
    # Each link ends its start with a read-back; anything it sent of its
    # own would follow at once.
    addresses = {sim.address(r, a) for r in (first_rack, first_rack + 1) for a in (1, 2, 3, 4)}
    wait_for(lambda: addresses <= {a for a, l in sim.lines[since:] if l == 'STA?'}, 10, 'the read-backs at start')
    time.sleep(0.5)
    return svc


def att_lines(lines):
    return [(a, l) for a, l in lines if l.startswith('ATT')]


def write_sequence(name, boxes, steps):
    """A sequence file on boxes, each step (value in tenths, ticks) a row."""
    path = os.path.join(out, name)
    text = 'ATTS SELECTED\r\n\r\n ' + ' '.join('att%d' % b for b in boxes) + '\r\n\r\nACTIONS\r\n'
    text += '#Num\tTime\tAction\tFrom\tTo\tDuration\r\n'
    for num, (value, ticks) in enumerate(steps, 1):
        text += '%d\t0\t3\t0\t%d\t%d\r\n' % (num, value, ticks)
    with open(path, 'w') as f:
        f.write(text)
    return path


def run_ended(svc, name, how):
    """Waits for the log line of the run's end; returns its description."""
    pattern = re.compile(r'<6>Run of %s ended "%s"; record (.+\.csv) and (.+\.json)' % (re.escape(name), how))
    wait_for(lambda: pattern.search(svc.text()), 10, 'the end of the run of %s in the log' % name)
    description = pattern.search(svc.text()).group(2)
    wait_for(lambda: os.path.exists(description) and json.load(open(description)).get('end'), 10,
             'the end in ' + description)
    return json.load(open(description))


def runs(svc, sim, notify, scpi, records):
    """A run over SCPI reaches the wire, shows in STATUS= and is recorded."""
    hold = write_sequence('handover.sqc', (1, 5), ((200, 3), (300, 600)))
    short = write_sequence('short.sqc', (2,), ((150, 2),))
    if scpi.query('SEQ:RUN "%s";SYST:ERR?' % hold) != '0,"No error"':
        fail('SEQ:RUN of handover.sqc refused')
    if scpi.query('SEQ:STAT?') != 'RUN':
        fail('SEQ:STAT? while running')
    wait_for(lambda: '<6>Run started: ' + hold in svc.text(), 5, 'the start of the run in the log')
    wait_for(lambda: notify.has('STATUS=8 of 8 attenuators ready; running handover.sqc'), 5, 'STATUS= while running')
    for rack in (0, 1):
        wire = lambda: [l for a, l in att_lines(sim.lines) if a == sim.address(rack, 1)]
        wait_for(lambda: wire()[-2:] == ['ATT 0 200', 'ATT 0 300'], 5, 'the run on rack %d att 1' % (rack + 1))
    # Hand changes wait for the run's end.
    error = scpi.query('ATT2 10;SYST:ERR?')
    if not error.startswith('-2') or 'sequence' not in error:
        fail('a set during a run answered ' + error)
    if scpi.query('SEQ:STOP;SEQ:STAT?') != 'IDLE':
        fail('SEQ:STAT? after SEQ:STOP')
    if run_ended(svc, 'handover.sqc', 'stopped')['end']['ended'] != 'stopped':
        fail('the stopped run\'s description')
    if scpi.query('SEQ:RUN "%s";SYST:ERR?' % short) != '0,"No error"':
        fail('SEQ:RUN of short.sqc refused')
    run_ended(svc, 'short.sqc', 'completed')
    if (sim.address(0, 2), 'ATT 0 150') not in sim.lines:
        fail('the short run did not reach attenuator 2')
    if len(glob.glob(os.path.join(records, 'run *.json'))) != 2:
        fail('records: %s' % os.listdir(records))
    # A file that cannot be read is refused with its reason.
    error = scpi.query('SEQ:RUN "/tmp/none.sqc";SYST:ERR?')
    if not error.startswith('-200,') or '/tmp/none.sqc' not in error:
        fail('SEQ:RUN of a missing file answered ' + error)


def serve():
    sim, notify = Sim(), Notify()
    config = os.path.join(out, 'bench.cfg')
    write_config(config, sim)
    records = os.path.join(out, 'records')
    if os.path.exists(records):
        for old in os.listdir(records):
            os.unlink(os.path.join(records, old))
    os.makedirs(records, exist_ok=True)
    svc = start_bench(sim, notify, config, ['--records', records])
    wait_for(lambda: notify.has('WATCHDOG=1'), 5, 'WATCHDOG=1')
    if att_lines(sim.lines):
        fail('ATT commands at start: %s' % att_lines(sim.lines))
    # Each link's status text, as its box would show it.
    if '<6>box 1 (%s): Wait...' % sim.address(0, 1) not in svc.text():
        fail('no status line for box 1')
    # A set over SCPI reaches the wire, rounded, and reads back.
    scpi = Scpi(svc.port)
    if scpi.query('ATT3 57.3;*OPC?') != '1':
        fail('*OPC? after a set')
    if (sim.address(0, 3), 'ATT 0 575') not in sim.lines:
        fail('the set did not reach attenuator 3')
    if scpi.query('ATT3?') != '57.5':
        fail('read-back of attenuator 3')
    runs(svc, sim, notify, scpi, records)

    # A client from an address that is not allowed is refused, and logged.
    stranger = socket.create_connection(('127.0.0.1', svc.port), timeout=5, source_address=('127.5.5.5', 0))
    wait_for(lambda: '<4>SCPI client 127.5.5.5 refused: not an allowed client' in svc.text(), 5,
             'the refused client in the log')
    stranger.close()

    # SIGHUP: rack 2's Att 4 out; only box 8 reconnects.
    mark = len(sim.lines)
    write_config(config, sim, rack2_atts=(1, 2, 3))
    svc.proc.send_signal(signal.SIGHUP)
    wait_for(lambda: notify.has('STATUS=7 of 7 attenuators ready'), 10, 'STATUS=7 of 7 after SIGHUP')
    wait_for(lambda: 'reconnecting box 8' in svc.text(), 5, 'the reconfiguration in the log')
    wait_for(lambda: '<6>box 8: disabled.' in svc.text(), 5, 'box 8 disabled')
    time.sleep(1)
    reconnected = {a for a, l in sim.lines[mark:] if l == 'IDN?'}
    if reconnected:
        fail('links reconnected that did not change: %s' % reconnected)
    # SIGHUP: a floor above what attenuator 3 holds (57.5 dB). It is left as
    # it is, with a warning; a set below the floor is refused.
    mark = len(sim.lines)
    write_config(config, sim, rack2_atts=(1, 2, 3), floors={(0, 3): '60'})
    svc.proc.send_signal(signal.SIGHUP)
    wait_for(lambda: '<4>box 3 (%s): Below floor' % sim.address(0, 3) in svc.text(), 5, 'the floor warning')
    answers = [scpi.query(q) for q in ('ATT3:LIM:LOW?', 'ATT3:STAT?', 'ATT3 59.5;SYST:ERR?')]
    if answers != ['60.0', '"Below floor"',
                   '-222,"Data out of range; 59.5 dB is below the floor of attenuator 3 (60.0 dB): nothing was sent."']:
        fail('the floor over SCPI: %s' % answers)
    if [l for a, l in att_lines(sim.lines[mark:]) if a == sim.address(0, 3)]:
        fail('attenuator 3 was moved for its floor')
    # A configuration that fails a rule is refused; the one in use stays.
    write_config(config, sim, rack2_ip=sim.ips[0])
    svc.proc.send_signal(signal.SIGHUP)
    wait_for(lambda: 'Error on rack IP address.' in svc.text(), 5, 'the refusal in the log')
    if '<3>Configuration refused, the one in use is kept: Error on rack IP address.' not in svc.text():
        fail('the refusal is not an error line')
    time.sleep(0.5)
    if svc.proc.poll() is not None or scpi.query('ATT1:READ?') != '1':
        fail('the service did not keep serving after a refused configuration')

    # SIGTERM during a run: the run ends as "program closed" first; then
    # every usable attenuator is parked at the common maximum, two verified
    # sets each, and the service exits 0 within 3 s.
    hold = os.path.join(out, 'handover.sqc')
    if scpi.query('SEQ:RUN "%s";SYST:ERR?' % hold) != '0,"No error"':
        fail('SEQ:RUN before SIGTERM refused')
    wait_for(lambda: [l for a, l in att_lines(sim.lines) if a == sim.address(1, 1)][-2:] == ['ATT 0 200', 'ATT 0 300']
             and len([1 for a, l in att_lines(sim.lines) if a == sim.address(1, 1)]) >= 4, 5, 'the run before SIGTERM')
    mark = len(sim.lines)
    began = time.monotonic()
    svc.proc.send_signal(signal.SIGTERM)
    try:
        rc = svc.proc.wait(timeout=3)
    except subprocess.TimeoutExpired:
        fail('still running 3 s after SIGTERM')
    print('stopped in %.2f s' % (time.monotonic() - began))
    if rc != 0:
        fail('exit status %d after SIGTERM' % rc)
    if not notify.has('STOPPING=1'):
        fail('no STOPPING=1')
    time.sleep(0.2)
    after = sim.lines[mark:]
    for rack, att in [(0, 1), (0, 2), (0, 3), (0, 4), (1, 1), (1, 2), (1, 3)]:
        wire = [l for a, l in after if a == sim.address(rack, att)]
        if wire != ['ATT 0 935', 'STA?', 'ATT 0 935', 'STA?']:
            fail('parking of %s: %s' % (sim.address(rack, att), wire))
    if [l for a, l in after if a == sim.address(1, 4)]:
        fail('the attenuator out of use was parked')
    if run_ended(svc, 'handover.sqc', 'program closed')['end']['ended'] != 'program closed':
        fail('the description of the run ended by SIGTERM')
    print('passed: READY, STATUS, WATCHDOG, a set, runs, SIGHUP three times, a floor, SIGTERM ended a run and parked 7 attenuators')


def bad_config():
    sim = Sim()
    config = os.path.join(out, 'bad.cfg')
    write_config(config, sim, rack2_ip=sim.ips[0])
    for args, message in (([ '--config', config], 'Error on rack IP address.'),
                          (['--config', os.path.join(out, 'none.cfg')], 'does not exist'),
                          ([], '--config FILE.cfg is required.')):
        result = subprocess.run([service] + args + ['--scpi-port', '0'], capture_output=True, text=True, timeout=10,
                                env={k: v for k, v in os.environ.items() if k != 'DISPLAY'})
        if result.returncode != 2:
            fail('%s: exit status %d' % (args, result.returncode))
        if message not in result.stderr:
            fail('%s: stderr was %r' % (args, result.stderr))
    time.sleep(1.5)
    if sim.lines:
        fail('a bad configuration contacted the attenuators: %s' % sim.lines)
    print('passed: exit 2 with the rule\'s message, nothing contacted')


def kill_and_restart(svc, sim, notify, config, extra=()):
    """kill -9, then a start as Restart=on-failure makes it: the new service
    sends nothing but the identification and read-back queries."""
    svc.proc.kill()
    svc.proc.wait()
    mark = len(sim.lines)
    notify.messages.clear()
    svc = start_bench(sim, notify, config, extra)
    time.sleep(1)
    after = sim.lines[mark:]
    if att_lines(after):
        fail('ATT commands after a restart: %s' % att_lines(after))
    queries = {l for a, l in after}
    if not queries <= {'IDN?', 'N?', 'STA?'}:
        fail('unexpected lines at start: %s' % queries)
    return svc


def restart():
    sim, notify = Sim(), Notify()
    config = os.path.join(out, 'bench.cfg')
    write_config(config, sim)
    svc = start_bench(sim, notify, config)
    scpi = Scpi(svc.port)
    if scpi.query('ATT1 20;ATT8 33.5;*OPC?') != '1':
        fail('*OPC? after the sets')
    svc = kill_and_restart(svc, sim, notify, config)
    scpi = Scpi(svc.port)
    if scpi.query('ATT1?;ATT8?') != '20.0;33.5':
        fail('the attenuators moved')
    svc.proc.send_signal(signal.SIGTERM)
    if svc.proc.wait(timeout=5) != 0:
        fail('exit status after SIGTERM')
    print('passed: kill -9 and a restart sent nothing but IDN?, N?, STA?')


def last_row_time(csv_path):
    """The Time of the record's last row, as the description writes times."""
    last = open(csv_path, newline='').read().strip().splitlines()[-1].split(',')[0]
    t = datetime.datetime.strptime(last, '%Y-%m-%d %H:%M:%S.%f').astimezone()
    return t.isoformat(timespec='milliseconds')


def crash_record():
    """kill -9 while a run goes on, then a restart as Restart=on-failure does
    it: nothing moves, and the run's record is closed as interrupted."""
    sim, notify = Sim(), Notify()
    config, records = os.path.join(out, 'bench.cfg'), os.path.join(out, 'records')
    write_config(config, sim)
    if os.path.isdir(records):
        for old in os.listdir(records):
            os.unlink(os.path.join(records, old))
    os.makedirs(records, exist_ok=True)
    svc = start_bench(sim, notify, config, ['--records', records])
    hold = write_sequence('long.sqc', (1,), ((100, 3), (200, 3), (300, 6000)))
    if Scpi(svc.port).query('SEQ:RUN "%s";SYST:ERR?' % hold) != '0,"No error"':
        fail('SEQ:RUN of long.sqc refused')
    wire = lambda: [l for a, l in att_lines(sim.lines) if a == sim.address(0, 1)]
    wait_for(lambda: wire()[-1:] == ['ATT 0 300'], 5, 'the run on the wire')
    description = glob.glob(os.path.join(records, 'run *.json'))[0]
    csv_path = description[:-5] + '.csv'
    wait_for(lambda: len(open(csv_path).read().strip().splitlines()) >= 4, 5, 'the rows of the record')
    svc = kill_and_restart(svc, sim, notify, config, ['--records', records])
    record = open(csv_path, 'rb').read()
    end = json.load(open(description)).get('end') or {}
    last_row = last_row_time(csv_path)
    if end.get('ended') != 'interrupted' or end.get('time') != last_row:
        fail('the record left open was closed as %s, expected interrupted at %s' % (end, last_row))
    if '<4>Run record %s closed as interrupted at %s' % (description, last_row) not in svc.text():
        fail('the closed record is not in the log')
    svc.proc.send_signal(signal.SIGTERM)
    if svc.proc.wait(timeout=5) != 0:
        fail('exit status after SIGTERM')
    if open(csv_path, 'rb').read() != record:
        fail('the record itself changed')
    print('passed: kill -9 during a run and a restart sent no ATT and closed its record as interrupted')


def armed():
    """Two services armed with one instant: nothing reaches the wire before
    it, and each one's first command leaves within 5 ms of it. A bench
    counts on the monotonic clock from the moment it takes the instant, so
    the wire is judged on that clock, with the instant converted as the test
    sends it: a host whose system clock is corrected meanwhile moves
    nothing."""
    sim = Sim(racks=4, clock='--monotonic')
    benches = []
    for k in (0, 1):
        notify, config = Notify('notify%d.sock' % k), os.path.join(out, 'bench%d.cfg' % k)
        write_config(config, sim, first_rack=2 * k)
        svc = start_bench(sim, notify, config, first_rack=2 * k, log='service%d.log' % k)
        benches.append((svc, notify, Scpi(svc.port), {sim.address(2 * k + r, a) for r in (0, 1) for a in (1, 2, 3, 4)}))
    hold = write_sequence('armed.sqc', (1, 5), ((200, 3), (300, 600)))
    for svc, notify, scpi, _ in benches:
        if scpi.query('SEQ:LOAD "%s";SEQ:STAT?;SYST:ERR?' % hold) != 'ARM;0,"No error"':
            fail('SEQ:LOAD not armed')
        wait_for(lambda: notify.has('STATUS=8 of 8 attenuators ready; armed armed.sqc'), 5, 'STATUS= when armed')
    time.sleep(0.5)
    mark = len(sim.lines)
    instant = '%.6f' % (time.time() + 1.5)
    steady_instant = time.monotonic() + float(instant) - time.time()
    for svc, notify, scpi, _ in benches:
        if scpi.query('SEQ:STAR:TIME %s;SEQ:STAR:TIME?;SYST:ERR?' % instant) != instant + ';0,"No error"':
            fail('SEQ:STAR:TIME refused')
        wait_for(lambda: notify.has('STATUS=8 of 8 attenuators ready; armed armed.sqc, starting at ' + instant), 5,
                 'STATUS= with the start time')
    firsts = []
    for svc, notify, scpi, addresses in benches:
        sent = lambda: [(t, a, l) for t, (a, l) in zip(sim.times[mark:], sim.lines[mark:])
                        if a in addresses and l.startswith('ATT')]
        wait_for(lambda: len(sent()) >= 2, 10, 'the armed run on the wire')
        if scpi.query('SEQ:STAT?') != 'RUN':
            fail('SEQ:STAT? after the start')
        t, a, l = sent()[0]
        print('first command %s to %s at %+.3f ms of the instant' % (l, a, (t - steady_instant) * 1e3))
        if t < steady_instant or t - steady_instant > 0.005:
            fail('the first command left %.3f ms after the instant' % ((t - steady_instant) * 1e3))
        firsts.append(t)
        if scpi.query('ABOR;SEQ:STAT?') != 'IDLE':
            fail('ABORt did not stop the run')
    if abs(firsts[0] - firsts[1]) > 0.005:
        fail('the two benches started %.3f ms apart' % (abs(firsts[0] - firsts[1]) * 1e3))
    # The manual's group example (PyVISA) on both benches.
    example = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'docs', 'group-start-example.py')
    short = write_sequence('group.sqc', (2,), ((150, 3),))
    result = subprocess.run([example, short] + ['TCPIP0::127.0.0.1::%d::SOCKET' % svc.port for svc, *_ in benches],
                            capture_output=True, text=True, timeout=60)
    errors = re.findall(r'first tick ([-+][0-9.]+) ms from the instant', result.stdout)
    if result.returncode != 0 or len(errors) != 2 or any(abs(float(e)) > 50 for e in errors):
        fail('the group example: %d\n%s%s' % (result.returncode, result.stdout, result.stderr))
    print(result.stdout, end='')
    print('passed: two benches armed, nothing before the instant, first commands %.3f ms apart'
          % (abs(firsts[0] - firsts[1]) * 1e3))


def unit():
    analyze = subprocess.run(['which', 'systemd-analyze'], capture_output=True, text=True).stdout.strip()
    if not analyze:
        print('systemd-analyze is missing: skipped')
        sys.exit(77)
    # The instance as "systemctl enable quadrell2x4attsd@bench1" makes it,
    # starting the service from this build.
    text = open(unit_file).read().replace('/usr/sbin/quadrell2x4attsd', os.path.abspath(service))
    path = os.path.join(out, 'quadrell2x4attsd@bench1.service')
    with open(path, 'w') as f:
        f.write(text)
    result = subprocess.run([analyze, 'verify', '--man=no', path], capture_output=True, text=True)
    mine = [l for l in (result.stdout + result.stderr).splitlines() if 'quadrell2x4attsd' in l]
    if result.returncode != 0 or mine:
        fail('systemd-analyze verify: %d\n%s%s' % (result.returncode, result.stdout, result.stderr))
    print('passed: systemd-analyze verify')


def no_gui():
    libs = subprocess.run(['ldd', service], capture_output=True, text=True, check=True).stdout
    if not re.search(r'libQt6Core', libs):
        fail('ldd shows no QtCore: ' + libs)
    gui = [l.strip() for l in libs.splitlines() if re.search(r'libQt6(Gui|Widgets|DBus|PrintSupport)|libX11|libxcb', l)]
    if gui:
        fail('the service links display libraries: %s' % gui)
    print('passed: no Qt GUI library')


try:
    {'serve': serve, 'bad_config': bad_config, 'restart': restart, 'crash_record': crash_record, 'armed': armed,
     'unit': unit, 'no_gui': no_gui}[case]()
finally:
    for p in procs:
        if p.poll() is None:
            p.kill()
            p.wait()
