#!/usr/bin/python3
"""A tap on the line between a host and the simulated register: serves a
pseudo-terminal linked as LINK (e.g. $WINEPREFIX/dosdevices/com7), opens the
register's device REGISTER, and copies bytes both ways, appending what the
host wrote to LOG.tx and what the register answered to LOG.rx. The same tap
under the Linux host and under a Windows client gives byte streams that can
be compared whatever chunks each side read in. Prints "READY" once the link
is in place. Ends on SIGTERM, after copying what is still on its way (the
host's last ACK may be written just before the host exits).
usage: line_tap.py LINK REGISTER LOG"""
import os
import select
import signal
import sys
import time
import tty


stopping = []  # set by SIGTERM: finish what is in flight, then end


def copy(source, target, log):
    """Copies one read from source; False when source has ended."""
    try:
        data = os.read(source, 4096)
    except OSError:
        return True  # nobody has the terminal open
    if not data:
        return False
    log.write(data)
    log.flush()
    os.write(target, data)
    return True


def main():
    link, register, log = sys.argv[1:4]
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(True))
    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)
    if os.path.lexists(link):
        os.unlink(link)
    os.symlink(os.ttyname(slave), link)
    far = os.open(register, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(far)
    with open(log + ".tx", "ab") as tx, open(log + ".rx", "ab") as rx:
        print("READY", flush=True)
        quiet_since = None
        while True:
            # Short waits, so a stop is seen; once stopping, the line must
            # stay quiet 0.3 s before the tap ends.
            ready, _, _ = select.select([master, far], [], [], 0.1)
            if master in ready:
                copy(master, far, tx)
            if far in ready and not copy(far, master, rx):
                return
            if not stopping:
                continue
            now = time.monotonic()
            if ready or quiet_since is None:
                quiet_since = now
            elif now - quiet_since >= 0.3:
                return


if __name__ == "__main__":
    main()
