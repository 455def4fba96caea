#!/usr/bin/python3
"""Loopback socket peers for the network debugger tests and benchmark.

Started by the Windows test process (under Wine) with the port of a control
socket that the test listens on. The peer connects to it and then serves one
command per line, answering "OK ..." or "ERR ...". It exits when the control
connection ends, so a test that dies leaves no peer behind.

Every socket binds or connects to 127.0.0.1, or to a multicast group that the
test namespace routes onto lo.
"""

import os
import select
import socket
import struct
import sys
import threading
import time

LOOPBACK = "127.0.0.1"
LIFETIME_SECONDS = 900
FLOOD_CHUNK = bytes(range(256)) * 256  # 64 KiB


class Connection:
    """One TCP connection; a thread collects what arrives unless paused."""

    def __init__(self, sock, paused=False, echo=False, keep=True):
        self.sock = sock
        self.echo = echo
        self.keep = keep
        self.data = bytearray()
        self.total = 0
        self.open = True
        self.cond = threading.Condition()
        self.running = threading.Event()
        if not paused:
            self.running.set()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        try:
            while True:
                self.running.wait()
                chunk = self.sock.recv(262144)
                if not chunk:
                    break
                if self.echo:
                    self.sock.sendall(chunk)
                    continue
                with self.cond:
                    if self.keep:
                        self.data += chunk
                    self.total += len(chunk)
                    self.cond.notify_all()
        except OSError:
            pass
        with self.cond:
            self.open = False
            self.cond.notify_all()

    def take(self, count, timeout):
        with self.cond:
            self.cond.wait_for(lambda: len(self.data) >= count or not self.open, timeout)
            taken = bytes(self.data)
            self.data.clear()
            return ("open" if self.open else "closed"), taken

    def close(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()


class Datagrams:
    """One UDP socket; a thread collects (sender, bytes) pairs."""

    def __init__(self, sock):
        self.sock = sock
        self.items = []
        self.cond = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        try:
            while True:
                data, sender = self.sock.recvfrom(65536)
                with self.cond:
                    self.items.append((sender, data))
                    self.cond.notify_all()
        except OSError:
            pass

    def take(self, count, timeout):
        with self.cond:
            self.cond.wait_for(lambda: len(self.items) >= count, timeout)
            taken, self.items = self.items, []
            return taken


class Peer:
    def __init__(self):
        self.objects = {}
        self.next_id = 1
        self.accepted = {}  # listener id -> [connection ids]
        self.lock = threading.Condition()
        self.flooding = threading.Event()
        self.flood_bytes = 0

    def add(self, obj):
        with self.lock:
            oid = self.next_id
            self.next_id += 1
            self.objects[oid] = obj
            return oid

    # --- TCP listeners -------------------------------------------------
    def cmd_listen(self, backlog, mode):
        # Modes: echo, sink (keeps what arrives), count (counts it only),
        # flood (floods every client), hold (never accepts), full (backlog full).
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        sock.bind((LOOPBACK, 0))
        sock.listen(int(backlog))
        lid = self.add(sock)
        self.accepted[lid] = []
        if mode == "flood":
            self.flooding.set()  # again after an earlier stopflood
        if mode == "full":
            self._fill_backlog(sock.getsockname()[1])
        elif mode != "hold":
            threading.Thread(target=self._accept, args=(sock, lid, mode), daemon=True).start()
        return "%d %d" % (lid, sock.getsockname()[1])

    def _fill_backlog(self, port):
        # Connect until one connect stays pending: the accept queue is full
        # and further SYNs are dropped, so a client's connect never completes.
        for _ in range(64):
            client = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            client.setblocking(False)
            client.connect_ex((LOOPBACK, port))
            self.add(client)
            _, writable, _ = select.select([], [client], [], 0.3)
            if not writable:
                return
        raise RuntimeError("backlog never filled")

    def _accept(self, sock, lid, mode):
        while True:
            try:
                conn, _ = sock.accept()
            except OSError:
                return
            if mode == "flood":
                cid = self.add(Connection(conn, paused=True))
                threading.Thread(target=self._flood_tcp, args=(conn,), daemon=True).start()
            else:
                cid = self.add(Connection(conn, echo=(mode == "echo"), keep=(mode != "count")))
            with self.lock:
                self.accepted[lid].append(cid)
                self.lock.notify_all()

    def cmd_accepted(self, lid, count, timeout_ms):
        deadline = time.monotonic() + int(timeout_ms) / 1000.0
        with self.lock:
            while len(self.accepted[int(lid)]) < int(count):
                left = deadline - time.monotonic()
                if left <= 0:
                    break
                self.lock.wait(left)
            return " ".join(str(c) for c in self.accepted[int(lid)])

    def cmd_closedport(self):
        # Bound but never listening: a connect to it is refused at once.
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        sock.bind((LOOPBACK, 0))
        self.add(sock)
        return str(sock.getsockname()[1])

    def cmd_closedudp(self):
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.bind((LOOPBACK, 0))
        port = sock.getsockname()[1]
        sock.close()
        return str(port)

    # --- TCP clients ---------------------------------------------------
    def cmd_connect(self, port, count, rcvbuf="0", paused="0", keep="1"):
        ids = []
        for _ in range(int(count)):
            sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            if int(rcvbuf) > 0:
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, int(rcvbuf))
            sock.settimeout(5)
            sock.connect((LOOPBACK, int(port)))
            sock.settimeout(None)
            ids.append(self.add(Connection(sock, paused=(paused == "1"), keep=(keep == "1"))))
        return " ".join(str(i) for i in ids)

    def cmd_send(self, cid, hexdata):
        self.objects[int(cid)].sock.sendall(bytes.fromhex(hexdata))
        return ""

    def cmd_oob(self, cid, hexdata):
        self.objects[int(cid)].sock.send(bytes.fromhex(hexdata), socket.MSG_OOB)
        return ""

    def cmd_close(self, cid):
        self.objects[int(cid)].close()
        return ""

    def cmd_resume(self, *cids):
        for cid in cids:
            connection = self.objects[int(cid)]
            connection.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 20)
            connection.running.set()
        return ""

    def cmd_recv(self, cid, count, timeout_ms):
        state, data = self.objects[int(cid)].take(int(count), int(timeout_ms) / 1000.0)
        return "%s %s" % (state, data.hex() or "-")

    def cmd_sockname(self, cid):
        return str(self.objects[int(cid)].sock.getsockname()[1])

    def cmd_total(self, cid):
        return str(self.objects[int(cid)].total)

    # --- UDP -----------------------------------------------------------
    def cmd_udp(self, host, group="-"):
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(LOOPBACK))
        sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, 1)
        sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, 1)
        sock.bind((host, 0))
        if group != "-":
            membership = struct.pack("4s4s", socket.inet_aton(group), socket.inet_aton(LOOPBACK))
            sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, membership)
        uid = self.add(Datagrams(sock))
        return "%d %d" % (uid, sock.getsockname()[1])

    def cmd_sendto(self, uid, host, port, hexdata):
        data = b"" if hexdata == "-" else bytes.fromhex(hexdata)
        self.objects[int(uid)].sock.sendto(data, (host, int(port)))
        return ""

    def cmd_recvfrom(self, uid, count, timeout_ms):
        items = self.objects[int(uid)].take(int(count), int(timeout_ms) / 1000.0)
        words = ["%s:%d:%s" % (sender[0], sender[1], data.hex() or "-") for sender, data in items]
        return " ".join([str(len(items))] + words)

    # --- floods --------------------------------------------------------
    def _flood_tcp(self, sock):
        try:
            while self.flooding.is_set():
                sent = sock.send(FLOOD_CHUNK)
                self.flood_bytes += sent
        except OSError:
            pass

    def _flood_udp(self, sock, port, size):
        chunk = FLOOD_CHUNK[:size]
        while self.flooding.is_set():
            try:
                sock.sendto(chunk, (LOOPBACK, port))
                self.flood_bytes += 1
            except OSError:
                time.sleep(0.0005)

    def cmd_flood(self, kind, port, size="64"):
        self.flooding.set()
        self.flood_bytes = 0
        if kind == "tcp":
            sock = socket.create_connection((LOOPBACK, int(port)), timeout=5)
            sock.settimeout(None)
            self.add(sock)
            target = self._flood_tcp
            args = (sock,)
        else:
            sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            self.add(sock)
            target = self._flood_udp
            args = (sock, int(port), int(size))
        threading.Thread(target=target, args=args, daemon=True).start()
        return ""

    def cmd_floodprocs(self, port, count):
        # TCP floods each from a process of its own: faster than threads that
        # share one interpreter. A flooder ends when this peer has ended.
        parent = os.getpid()
        for _ in range(int(count)):
            if os.fork() == 0:
                try:
                    sock = socket.create_connection((LOOPBACK, int(port)), timeout=5)
                    sock.settimeout(1)
                    while os.getppid() == parent:
                        try:
                            sock.send(FLOOD_CHUNK)
                        except socket.timeout:
                            pass
                except OSError:
                    pass
                os._exit(0)
        return ""

    def cmd_stopflood(self):
        # Bytes of TCP floods, datagrams of UDP floods, since the last flood began.
        self.flooding.clear()
        return str(self.flood_bytes)


def serve(peer):
    """Obeys the test's commands on the control port of argv[1]: "name args"
    runs peer.cmd_name(args)."""
    threading.Timer(LIFETIME_SECONDS, lambda: os._exit(3)).start()
    control = socket.create_connection((LOOPBACK, int(sys.argv[1])), timeout=10)
    control.settimeout(None)
    reader = control.makefile("rb")
    for raw in reader:
        words = raw.decode("ascii").split()
        if not words:
            continue
        try:
            answer = "OK " + getattr(peer, "cmd_" + words[0])(*words[1:])
        except Exception as error:  # reported to the test, which fails with it
            answer = "ERR %s: %s" % (type(error).__name__, error)
        control.sendall((answer.rstrip() + "\n").encode("ascii"))
    os._exit(0)


def main():
    peer = Peer()
    peer.flooding.set()
    serve(peer)


if __name__ == "__main__":
    main()
