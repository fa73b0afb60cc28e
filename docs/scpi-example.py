#!/usr/bin/python3
# Sets attenuators 1..3 through the running program's SCPI server, waits
# until the attenuators have confirmed, reads them back and prints the
# error queue. Optional argument: the VISA resource.
import sys, pyvisa
resource = sys.argv[1] if len(sys.argv) > 1 else 'TCPIP0::127.0.0.1::5025::SOCKET'
bench = pyvisa.ResourceManager('@py').open_resource(resource, read_termination='\n', write_termination='\n', timeout=10000)
print(bench.query('*IDN?'))
bench.write('ATT1 10;ATT2 20.5;ATT3 57')
bench.query('*OPC?')           # answers once every set has been read back
for box in (1, 2, 3):
    print(f'{box}: {bench.query(f"ATT{box}?")} dB')
bench.write('ATT3 99')         # beyond attenuator 3: refused, nothing sent
while not (error := bench.query('SYST:ERR?')).startswith('0,'):
    print(error)
print(error)
