#!/usr/bin/python3
"""The far end of a pseudo-terminal that the Win32 port's suite opens as a COM
port under wine: the terminal is linked as LINK (e.g. $WINEPREFIX/dosdevices/com8)
and every byte that arrives is sent back, except for three commands:
  ESC "SILENT" ESC   stop answering (for waits that must run to a cancel)
  ESC "ECHO" ESC     answer again
  ESC "HANGUP" ESC   close the terminal (a hang-up), then serve a new one at LINK
Prints "READY" once the link is in place. Ends on SIGTERM.
usage: echo_peer.py LINK"""
import os
import select
import signal
import sys
import termios
import tty

COMMANDS = (b"\x1bSILENT\x1b", b"\x1bECHO\x1b", b"\x1bHANGUP\x1b")


def serve(link):
    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)
    tmp = link + ".new"
    if os.path.lexists(tmp):
        os.unlink(tmp)
    os.symlink(os.ttyname(slave), tmp)
    os.replace(tmp, link)
    return master, slave


def main():
    link = sys.argv[1]
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    master, slave = serve(link)
    print("READY", flush=True)
    silent = False
    pending = b""
    try:
        while True:
            select.select([master], [], [])
            try:
                data = os.read(master, 4096)
            except OSError:
                continue  # nobody has the terminal open: nothing to answer
            pending += data
            hung_up = False
            for command in COMMANDS:
                if command in pending:
                    pending = b""
                    data = b""
                    if command == COMMANDS[0]:
                        silent = True
                    elif command == COMMANDS[1]:
                        silent = False
                    else:
                        hung_up = True
            pending = pending[-16:]
            if hung_up:
                os.close(master)
                os.close(slave)
                master, slave = serve(link)
                print("HUNG UP", flush=True)
                continue
            if data and not silent:
                os.write(master, data)
    finally:
        os.close(master)
        os.close(slave)
        if os.path.islink(link):
            os.unlink(link)


if __name__ == "__main__":
    main()
