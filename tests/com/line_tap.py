#!/usr/bin/python3
"""A tap on the line between a host and the simulated register: serves a
pseudo-terminal linked as LINK (e.g. $WINEPREFIX/dosdevices/com7), opens the
register's device REGISTER, and copies bytes both ways, appending what the
host wrote to LOG.tx and what the register answered to LOG.rx. The same tap
under the Linux host and under a Windows client gives byte streams that can
be compared whatever chunks each side read in. Prints "READY" once the link
is in place. Ends on SIGTERM.
usage: line_tap.py LINK REGISTER LOG"""
import os
import select
import signal
import sys
import tty


def main():
    link, register, log = sys.argv[1:4]
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
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
        while True:
            ready, _, _ = select.select([master, far], [], [])
            if master in ready:
                try:
                    data = os.read(master, 4096)
                except OSError:
                    data = b""  # nobody has the terminal open
                if data:
                    tx.write(data)
                    tx.flush()
                    os.write(far, data)
            if far in ready:
                data = os.read(far, 4096)
                if not data:
                    return
                rx.write(data)
                rx.flush()
                os.write(master, data)


if __name__ == "__main__":
    main()
