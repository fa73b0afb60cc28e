#!/usr/bin/python3
# Sets attenuators 1..3 through the running program and waits for their read-backs.
import sys, time, dbus
panel = dbus.Interface(dbus.SessionBus().get_object('org.orvelt.Quadrell2x4Atts', '/FrontPanel'),
                       'org.orvelt.Quadrell2x4Atts.FrontPanel')
sent = {box: str(panel.SetAttenuation(box, dB)) for box, dB in ((1, '10'), (2, '20.5'), (3, '57.3'))}
deadline = time.monotonic() + 10
while any(panel.Attenuation(box) != dB for box, dB in sent.items()):
    if time.monotonic() > deadline: sys.exit('no read-back: ' + str(sent))
    time.sleep(0.1)
print(' '.join(f'{box}:{dB}' for box, dB in sent.items()))
