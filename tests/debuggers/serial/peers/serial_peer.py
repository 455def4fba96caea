#!/usr/bin/python3
"""Peers on the far end of the test serial ports.

The test session maps COMn to one end of a socat pty pair and leaves the
other end at $NUBO_SERIAL_DIR/peerN (scripts/lib/wine-session.sh). Started by
the Windows test process with the port of a loopback control socket and
served by the network debugger peer's control loop: one command per line,
answered "OK ..." or "ERR ...", ending with the control connection.

Roles of one end: echo (sends back what it reads), read (collects, optionally
throttled to a rate), hold (open, never reads), flood (writes as fast as it
can until stopped).
"""

import os
import signal
import sys
import termios
import threading
import time
import tty

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "network", "peers"))
import network_peer  # noqa: E402  (its control loop)

FLOOD_CHUNK = bytes(range(256)) * 64  # 16 KiB


def peer_path(number):
    return os.path.join(os.environ["NUBO_SERIAL_DIR"], "peer%d" % int(number))


def pair_paths(number):
    return (peer_path(number), os.path.join(os.environ["NUBO_SERIAL_DIR"], "com%d" % int(number)))


def socat_pid(number):
    try:
        with open(os.path.join(os.environ["NUBO_SERIAL_DIR"], "socat%d.pid" % int(number))) as handle:
            return handle.read().strip()
    except OSError:
        return None


class End:
    def __init__(self, number, role, rate=0):
        self.fd = os.open(peer_path(number), os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.fd, termios.TCSANOW)
        # Bytes an earlier test left on the line are not this test's.
        termios.tcflush(self.fd, termios.TCIOFLUSH)
        self.role = role
        self.rate = rate  # bytes per second for a throttled reader, 0: as fast as it can
        self.data = bytearray()
        self.total = 0
        self.cond = threading.Condition()
        self.running = True
        if role in ("echo", "read"):
            threading.Thread(target=self._read, daemon=True).start()
        elif role == "flood":
            self.flooded = 0
            threading.Thread(target=self._flood, daemon=True).start()

    def _read(self):
        started = time.monotonic()
        chunk = 256 if self.rate else 65536
        while self.running:
            try:
                got = os.read(self.fd, chunk)
            except OSError:
                break
            if not got:
                break
            if self.role == "echo":
                os.write(self.fd, got)
            with self.cond:
                self.data += got
                self.total += len(got)
                self.cond.notify_all()
            if self.rate:
                ahead = self.total / self.rate - (time.monotonic() - started)
                if ahead > 0:
                    time.sleep(ahead)

    def _flood(self):
        while self.running:
            try:
                self.flooded += os.write(self.fd, FLOOD_CHUNK)
            except OSError:
                break

    def take(self, count, timeout):
        with self.cond:
            self.cond.wait_for(lambda: len(self.data) >= count, timeout)
            taken = bytes(self.data)
            self.data.clear()
            return taken

    def close(self):
        self.running = False
        os.close(self.fd)


class Peer:
    def __init__(self):
        self.ends = {}
        self.cut_pids = {}

    def cmd_open(self, number, role, rate="0"):
        self.cmd_close(number)
        self.ends[number] = End(number, role, int(rate))
        return ""

    def cmd_close(self, number):
        end = self.ends.pop(number, None)
        if end is not None:
            end.close()
        return ""

    def cmd_write(self, number, hex_text):
        data = bytes.fromhex(hex_text)
        os.write(self.ends[number].fd, data)
        return ""

    def cmd_take(self, number, count, timeout):
        # The bytes that arrived (at least count unless the time ran out), as hex.
        return self.ends[number].take(int(count), float(timeout)).hex() or "-"

    def cmd_total(self, number, count="0", timeout="0"):
        end = self.ends[number]
        deadline = time.monotonic() + float(timeout)
        with end.cond:
            while end.total < int(count) and time.monotonic() < deadline:
                end.cond.wait(max(0.0, deadline - time.monotonic()))
            return str(end.total)

    def cmd_stopflood(self, number):
        end = self.ends[number]
        end.running = False
        return str(end.flooded)

    def cmd_cut(self, number):
        # Ends the pty pair itself, as if the cable were pulled; the session
        # starts a new pair under the same name.
        self.cmd_close(number)
        pid = socat_pid(number)
        self.cut_pids[number] = pid
        os.kill(int(pid), signal.SIGTERM)
        return ""

    def cmd_ready(self, number, timeout):
        # Waits until a new pair of number stands: the cut pair's links can
        # outlive it for a moment, so both ends must belong to a new socat.
        deadline = time.monotonic() + float(timeout)
        cut = self.cut_pids.get(number)
        while time.monotonic() < deadline:
            if socat_pid(number) != cut and all(os.path.exists(path) for path in pair_paths(number)):
                return "1"
            time.sleep(0.02)
        return "0"


if __name__ == "__main__":
    network_peer.serve(Peer())
