#!/usr/bin/python3
"""Loopback MQTT peers for the MQTT client tests and benchmark.

Started by the Windows test process (under Wine) with the port of a control
socket; it connects back and serves one command per line, answering "OK ..."
or "ERR ...", and exits when the control connection ends.

  broker                     mosquitto with a plain, a TLS, a wrong-name TLS
                             and an untrusted-CA TLS listener (certificates
                             made now) -> plain tls wrongname untrusted cadir
  pub PORT TOPIC QOS RETAIN HEX [COUNT]   mosquitto_pub (TLS when PORT is the TLS port)
  sub PORT TOPIC COUNT       mosquitto_sub started, subscribed -> id
  subresult ID SECONDS       its messages as qos:retain:hex words
  script MODE                a scripted broker: silent (never answers),
                             noping (CONNACK, no PINGRESP), stall (CONNACK,
                             then reads nothing), held (CONNACK, PUBACKs
                             only once released), flood (CONNACK, then
                             5,000 QoS 1 PUBLISHes to "f" in one write),
                             torrent (CONNACK, then such writes one after
                             another for 60 s) -> port
  release PORT               the held broker acknowledges what it took and
                             every later publish at once
  tls MODE                   a TLS broker on memory BIOs: coalesce, dribble,
                             flip -> port
  renegotiating              openssl s_server -tls1_2 with the broker's
                             certificate -> port; "renegotiate" makes it ask
  renegotiate                its "r" command: a renegotiation request
  packets PORT               the packet types the scripted broker took, as
                             type@ms since the first
  ids PORT TYPE              the packet ids of the packets of that type it took
  count PORT TOPIC [QOS]     mosquitto_sub counting what it prints -> id
  counted ID                 messages and payload bytes counted so far
  flood PORT TOPIC SIZE SECONDS [QOS]   mosquitto_pub -l sending SIZE-byte
                             messages (each line SIZE characters and a
                             newline) for a while
"""

import os
import select
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time

LOOPBACK = "127.0.0.1"
LIFETIME_SECONDS = 900
USER, PASSWORD = "bench", "s3cret"
CONNACK = b"\x20\x02\x00\x00"
FLOOD_MESSAGES = 5000
TORRENT_SECONDS = 60


def free_port():
    with socket.socket() as s:
        s.bind((LOOPBACK, 0))
        return s.getsockname()[1]


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Certificates:
    def __init__(self, folder):
        self.folder = folder
        self.make_ca("ca", "MQTT Test CA")
        self.make_ca("otherca", "MQTT Untrusted CA")
        self.make_server("server", "ca", "localhost")
        self.make_server("wrongname", "ca", "elsewhere.test")
        self.make_server("untrusted", "otherca", "localhost")
        run("openssl", "x509", "-in", self.path("ca.pem"), "-outform", "DER", "-out", self.path("ca.der"))

    def path(self, name):
        return os.path.join(self.folder, name)

    def make_ca(self, name, subject):
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
            "-keyout", self.path(name + ".key"), "-out", self.path(name + ".pem"), "-subj", "/CN=" + subject,
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")

    def make_server(self, name, ca, dns):
        ext = self.path(name + ".ext")
        with open(ext, "w") as f:
            f.write("subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n" % dns)
        run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", self.path(name + ".key"),
            "-out", self.path(name + ".csr"), "-subj", "/CN=" + dns)
        run("openssl", "x509", "-req", "-in", self.path(name + ".csr"), "-CA", self.path(ca + ".pem"),
            "-CAkey", self.path(ca + ".key"), "-CAcreateserial", "-days", "2", "-extfile", ext,
            "-out", self.path(name + ".pem"))


class Broker:
    def __init__(self, folder):
        self.certs = Certificates(folder)
        self.ports = {name: free_port() for name in ("plain", "tls", "wrongname", "untrusted")}
        passwd = os.path.join(folder, "passwd")
        run("mosquitto_passwd", "-b", "-c", passwd, USER, PASSWORD)
        # Up to 10,000 QoS 1 messages in flight: a QoS 1 flood reaches a slow
        # subscriber as a flood, not 20 messages per round of acknowledgements
        # (a limit of 0 would also stop the broker dropping QoS 0 messages).
        lines = ["user root", "allow_anonymous false", "password_file " + passwd, "persistence false",
                 "log_dest none", "max_queued_messages 100000", "max_inflight_messages 10000",
                 "listener %d %s" % (self.ports["plain"], LOOPBACK)]
        for name, cert in (("tls", "server"), ("wrongname", "wrongname"), ("untrusted", "untrusted")):
            lines += ["listener %d %s" % (self.ports[name], LOOPBACK), "tls_version tlsv1.2",
                      "cafile " + self.certs.path("ca.pem"), "certfile " + self.certs.path(cert + ".pem"),
                      "keyfile " + self.certs.path(cert + ".key")]
        conf = os.path.join(folder, "mosquitto.conf")
        with open(conf, "w") as f:
            f.write("\n".join(lines) + "\n")
        self.process = subprocess.Popen(["mosquitto", "-c", conf], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        for port in self.ports.values():
            while True:
                try:
                    socket.create_connection((LOOPBACK, port), timeout=1).close()
                    break
                except OSError:
                    if time.monotonic() > deadline:
                        raise RuntimeError("mosquitto did not listen")
                    time.sleep(0.05)

    def client_args(self, port):
        args = ["-h", "localhost" if port != self.ports["plain"] else LOOPBACK, "-p", str(port),
                "-u", USER, "-P", PASSWORD]
        if port != self.ports["plain"]:
            args += ["--cafile", self.certs.path("ca.pem")]
        return args


def read_packet(sock):
    """One MQTT packet as (first byte, body), or None at the end of the stream."""
    first = sock.recv(1)
    if not first:
        return None
    length, shift = 0, 0
    while True:
        byte = sock.recv(1)
        if not byte:
            return None
        length |= (byte[0] & 0x7F) << shift
        shift += 7
        if byte[0] < 0x80:
            break
    body = b""
    while len(body) < length:
        chunk = sock.recv(min(length - len(body), 65536))
        if not chunk:
            return None
        body += chunk
    return first[0], body


def packet_id(first, body):
    """The packet id of a PUBLISH with QoS > 0 or of an acknowledgement."""
    if first >> 4 == 3:
        topic_length = int.from_bytes(body[:2], "big")
        return int.from_bytes(body[2 + topic_length:4 + topic_length], "big") if first & 0x06 else None
    return int.from_bytes(body[:2], "big") if len(body) >= 2 else None


def flood_publishes():
    return b"".join(b"\x32\x15\x00\x01f" + i.to_bytes(2, "big") + b"m" * 16 for i in range(1, FLOOD_MESSAGES + 1))


class ScriptedBroker:
    def __init__(self, mode):
        self.mode = mode
        self.packets = []
        self.ids = {}
        self.lock = threading.Lock()
        self.released = False
        self.held = []
        self.listener = socket.socket()
        if mode == "stall":
            self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        self.listener.bind((LOOPBACK, 0))
        self.listener.listen(4)
        self.port = self.listener.getsockname()[1]
        self.connections = []
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            conn, _ = self.listener.accept()
            self.connections.append(conn)
            threading.Thread(target=self.talk, args=(conn,), daemon=True).start()

    def talk(self, conn):
        if self.mode == "silent":
            while conn.recv(65536):
                pass
            return
        start = None
        while True:
            packet = read_packet(conn)
            if packet is None:
                return
            first, body = packet
            now = time.monotonic()
            start = start if start is not None else now
            self.packets.append("%d@%d" % (first >> 4, round((now - start) * 1000)))
            ident = packet_id(first, body)
            if ident is not None:
                self.ids.setdefault(first >> 4, []).append(ident)
            if first >> 4 == 1:
                conn.sendall(CONNACK)
                if self.mode == "stall":
                    return  # keeps the connection, reads nothing more
                if self.mode == "flood":
                    threading.Thread(target=conn.sendall, args=(flood_publishes(),), daemon=True).start()
                if self.mode == "torrent":
                    threading.Thread(target=self.torrent, args=(conn,), daemon=True).start()
                    while conn.recv(65536):  # the acknowledgements, unread
                        pass
                    return
            if first >> 4 == 3 and self.mode == "held":
                with self.lock:
                    self.held.append((conn, ident))
                    if self.released:
                        self.release()

    @staticmethod
    def torrent(conn):
        """QoS 1 publishes as fast as the client takes them, for a while."""
        publishes = flood_publishes()
        end = time.monotonic() + TORRENT_SECONDS
        try:
            while time.monotonic() < end:
                conn.sendall(publishes)
        except OSError:
            pass

    def release(self):
        """Acknowledges every publish taken so far (the lock held)."""
        self.released = True
        for conn, ident in self.held:
            conn.sendall(b"\x40\x02" + ident.to_bytes(2, "big"))
        self.held = []


class TlsBroker:
    def __init__(self, certs, mode):
        self.mode = mode
        self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.context.maximum_version = ssl.TLSVersion.TLSv1_2
        self.context.load_cert_chain(certs.path("server.pem"), certs.path("server.key"))
        self.listener = socket.socket()
        self.listener.bind((LOOPBACK, 0))
        self.listener.listen(4)
        self.port = self.listener.getsockname()[1]
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            conn, _ = self.listener.accept()
            threading.Thread(target=self.talk, args=(conn,), daemon=True).start()

    def send(self, conn, data):
        if self.mode == "dribble":
            for byte in data:
                conn.sendall(bytes([byte]))
                time.sleep(0.001)
        else:
            conn.sendall(data)

    def talk(self, conn):
        incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
        tls = self.context.wrap_bio(incoming, outgoing, server_side=True)
        try:
            while True:
                try:
                    tls.do_handshake()
                    break
                except ssl.SSLWantReadError:
                    self.send(conn, outgoing.read())
                    data = conn.recv(65536)
                    if not data:
                        return
                    incoming.write(data)
            publish = b"\x30\x06\x00\x03t/x" + b"\x01"
            if self.mode == "coalesce":
                tls.write(CONNACK + publish)  # rides with the handshake's last flight
                self.send(conn, outgoing.read())
                return self.drain(conn)
            self.send(conn, outgoing.read())
            while True:  # the CONNECT
                try:
                    tls.read(65536)
                    break
                except ssl.SSLWantReadError:
                    data = conn.recv(65536)
                    if not data:
                        return
                    incoming.write(data)
            tls.write(CONNACK + publish)
            record = bytearray(outgoing.read())
            if self.mode == "flip":
                record[-1] ^= 0x01
            self.send(conn, bytes(record))
            self.drain(conn)
        except (OSError, ssl.SSLError):
            pass

    @staticmethod
    def drain(conn):
        while conn.recv(65536):
            pass


class Peer:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="mqtt-peer-")
        self.broker = None
        self.scripted = {}
        self.subs = {}
        self.next_id = 1

    def close(self):
        if self.broker is not None:
            self.broker.process.kill()
            self.broker.process.wait()
        for process, _ in self.subs.values():
            process.kill()
        if getattr(self, "openssl", None) is not None:
            self.openssl.kill()
        shutil.rmtree(self.folder, ignore_errors=True)

    def certs(self):
        if self.broker is None:
            self.broker = Broker(self.folder)
        return self.broker.certs

    def do_broker(self):
        self.certs()
        p = self.broker.ports
        return "%d %d %d %d %s" % (p["plain"], p["tls"], p["wrongname"], p["untrusted"], self.folder)

    def do_pub(self, port, topic, qos, retain, payload, count="1"):
        payload_file = os.path.join(self.folder, "payload")
        with open(payload_file, "wb") as f:
            f.write(bytes.fromhex(payload if payload != "-" else ""))
        args = ["mosquitto_pub"] + self.broker.client_args(int(port)) + ["-t", topic, "-q", qos]
        args += ["-n"] if payload == "-" else ["-f", payload_file]
        if retain == "1":
            args.append("-r")
        for _ in range(int(count)):
            subprocess.run(args, check=True, timeout=60)
        return ""

    def do_sub(self, port, topic, count):
        args = ["stdbuf", "-oL", "mosquitto_sub"] + self.broker.client_args(int(port))
        args += ["-t", topic, "-q", "2", "-C", count, "-d", "-F", "MSG %q:%r:%x"]
        process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        lines = []
        for line in process.stdout:
            if "SUBACK" in line:
                break
        ident = self.next_id
        self.next_id += 1
        self.subs[ident] = (process, lines)
        return str(ident)

    def do_subresult(self, ident, seconds):
        process, lines = self.subs.pop(int(ident))
        try:
            out, _ = process.communicate(timeout=float(seconds))
        except subprocess.TimeoutExpired:
            process.kill()
            out, _ = process.communicate()
        words = [line[4:].strip() for line in out.splitlines() if line.startswith("MSG ")]
        return " ".join(w if not w.endswith(":") else w + "-" for w in words)

    def do_script(self, mode):
        broker = ScriptedBroker(mode)
        self.scripted[broker.port] = broker
        return str(broker.port)

    def do_tls(self, mode):
        broker = TlsBroker(self.certs(), mode)
        return str(broker.port)

    def do_count(self, port, topic, qos="0"):
        args = ["mosquitto_sub"] + self.broker.client_args(int(port)) + ["-t", topic, "-q", qos, "-N"]
        process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, bufsize=0)
        counter = {"messages": 0, "bytes": 0, "size": 0}
        ident = self.next_id
        self.next_id += 1
        self.subs[ident] = (process, counter)

        def read():
            while True:
                chunk = process.stdout.read(262144)
                if not chunk:
                    return
                counter["bytes"] += len(chunk)
        threading.Thread(target=read, daemon=True).start()
        time.sleep(0.5)  # subscribed
        return str(ident)

    def do_counted(self, ident):
        counter = self.subs[int(ident)][1]
        return str(counter["bytes"])

    def do_flood(self, port, topic, size, seconds, qos="0"):
        line = b"m" * int(size) + b"\n"
        args = ["mosquitto_pub"] + self.broker.client_args(int(port)) + ["-t", topic, "-q", qos, "-l"]
        if qos != "0":
            args += ["-M", "1000"]  # not 20 messages per round of acknowledgements
        process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        batch = line * max(1, 262144 // len(line))

        def feed():
            end = time.monotonic() + float(seconds)
            try:
                while time.monotonic() < end:
                    process.stdin.write(batch)
                process.stdin.close()
            except OSError:
                pass
            process.wait()
        threading.Thread(target=feed, daemon=True).start()
        return ""

    def do_renegotiating(self):
        certs = self.certs()
        port = free_port()
        self.openssl = subprocess.Popen(
            ["openssl", "s_server", "-tls1_2", "-accept", "%s:%d" % (LOOPBACK, port), "-cert",
             certs.path("server.pem"), "-key", certs.path("server.key")],
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            try:
                socket.create_connection((LOOPBACK, port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.05)
        return str(port)

    def do_renegotiate(self):
        self.openssl.stdin.write(b"r\n")
        self.openssl.stdin.flush()
        return ""

    def do_packets(self, port):
        return " ".join(self.scripted[int(port)].packets)

    def do_ids(self, port, packet_type):
        return " ".join(str(i) for i in self.scripted[int(port)].ids.get(int(packet_type), []))

    def do_release(self, port):
        broker = self.scripted[int(port)]
        with broker.lock:
            broker.release()
        return ""


def main():
    control = socket.create_connection((LOOPBACK, int(sys.argv[1])))
    threading.Timer(LIFETIME_SECONDS, lambda: os._exit(1)).start()
    peer = Peer()
    reader = control.makefile("r")
    try:
        for line in reader:
            words = line.split()
            if not words:
                continue
            try:
                answer = getattr(peer, "do_" + words[0])(*words[1:])
                control.sendall(("OK " + answer + "\n").encode())
            except Exception as failure:  # reported to the test, which fails
                control.sendall(("ERR %s: %s\n" % (type(failure).__name__, failure)).encode())
    finally:
        peer.close()
        os._exit(0)


if __name__ == "__main__":
    main()
