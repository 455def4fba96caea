#!/usr/bin/python3
"""Modbus slaves on loopback for the Modbus master tests and benchmark.

Started by the Windows test process (under Wine) with the port of a control
socket that the test listens on; served by the network debugger peer's
control loop: one command per line, answered "OK ..." or "ERR ...".

  pymodbus tcp                 a pymodbus TCP slave; OK port
  pymodbus rtu DEVICE          a pymodbus RTU slave on a serial device; OK
  get PORT TABLE ADDR COUNT    values of a pymodbus slave (co di hr ir)
  set PORT TABLE ADDR V...     sets values of a pymodbus slave
  fake MODE [ARG]              a scripted TCP slave; OK port. Modes: silent,
                               exception CODE, close, unit, transaction,
                               protocol, truncated, long (length field 255),
                               twice (answers its first frame twice in one write),
                               backlog (a listener that never accepts)
  rtufake DEVICE MODE [ARG]    a scripted RTU slave on a serial device (again:
                               a new mode); crc, chatter COUNT, long, silent,
                               exception CODE; OK
  counts PORT                  OK connects frames of a fake
"""

import asyncio
import logging
import os
import socket
import struct
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "network", "peers"))
import network_peer  # noqa: E402  (its control loop)
from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.server.async_io import ModbusSerialServer, ModbusTcpServer

LOOPBACK = "127.0.0.1"
logging.disable(logging.CRITICAL)

contexts = {}
fakes = {}


def crc16(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def with_crc(data):
    crc = crc16(data)
    return bytes(data) + bytes([crc & 0xFF, crc >> 8])


def make_context():
    def block():
        return ModbusSequentialDataBlock(0, [0] * 65536)
    slave = ModbusSlaveContext(di=block(), co=block(), hr=block(), ir=block(), zero_mode=True)
    return ModbusServerContext(slaves=slave, single=True)


def run_loop(make_server, ready):
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = make_server(loop)

    async def main():
        if isinstance(server, ModbusSerialServer):
            await server.start()
        task = loop.create_task(server.serve_forever())
        if isinstance(server, ModbusTcpServer):
            await server.serving
            ready["port"] = server.server.sockets[0].getsockname()[1]
        ready["event"].set()
        await task

    loop.run_until_complete(main())


def device_path(name):
    """A far end of the test's COM ports ("peer1") or a path."""
    return os.path.join(os.environ.get("NUBO_SERIAL_DIR", "/"), name)


def start_pymodbus(kind, device=None):
    context = make_context()
    ready = {"event": threading.Event()}
    if kind == "tcp":
        make = lambda loop: ModbusTcpServer(context, address=(LOOPBACK, 0), loop=loop)
    else:
        make = lambda loop: ModbusSerialServer(context, framer=ModbusRtuFramer, port=device_path(device), baudrate=9600,
                                               parity="N")
    threading.Thread(target=run_loop, args=(make, ready), daemon=True).start()
    if not ready["event"].wait(10):
        raise RuntimeError("server did not start")
    key = str(ready.get("port", device))
    contexts[key] = context
    return key


TABLES = {"co": 1, "di": 2, "hr": 3, "ir": 4}


def answer_read(unit, function, quantity):
    if function in (1, 2):
        data = bytes((quantity + 7) // 8)
    else:
        data = bytes(2 * quantity)
    return bytes([unit, function, len(data)]) + data


def answer(mode, arg, unit, pdu):
    """The reply PDU with its unit id, or None for no reply."""
    function = pdu[0]
    if mode == "silent":
        return None
    if mode == "exception":
        return bytes([unit, function | 0x80, int(arg)])
    if mode == "long":
        return bytes([unit, function, 250]) + bytes(297)
    if function in (5, 6, 15, 16):
        return bytes([unit]) + pdu[:5]
    quantity = struct.unpack(">H", pdu[3:5])[0]
    if mode == "unit":
        unit = unit + 1
    return answer_read(unit, function, quantity)


class Fake:
    def __init__(self, mode, arg):
        self.mode, self.arg = mode, arg
        self.connects = 0
        self.frames = 0
        self.lock = threading.Lock()

    def count(self, connects=0, frames=0):
        with self.lock:
            self.connects += connects
            self.frames += frames


def read_exact(conn, size):
    data = b""
    while len(data) < size:
        chunk = conn.recv(size - len(data))
        if not chunk:
            raise EOFError
        data += chunk
    return data


def serve_tcp_fake(conn, fake):
    try:
        while True:
            header = read_exact(conn, 7)
            transaction, _, length, unit = struct.unpack(">HHHB", header)
            pdu = read_exact(conn, length - 1)
            fake.count(frames=1)
            if fake.mode == "close":
                break
            reply = answer(fake.mode, fake.arg, unit, pdu)
            if reply is None:
                continue
            protocol = 1 if fake.mode == "protocol" else 0
            if fake.mode == "long":
                reply = reply[:2] + bytes([252]) + bytes(252)
            if fake.mode == "transaction":
                transaction = (transaction + 1) & 0xFFFF
            frame = struct.pack(">HHH", transaction, protocol, len(reply)) + reply
            if fake.mode == "truncated":
                frame = frame[:-1]
            if fake.mode == "twice" and fake.frames == 1:
                frame += frame
            conn.sendall(frame)
    except (EOFError, OSError):
        pass
    conn.close()


def fill_backlog(listener):
    """Leaves the listener's queue full, so that a further connect hangs."""
    listener.listen(0)
    address = listener.getsockname()
    held = []
    for _ in range(4):
        client = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        client.setblocking(False)
        client.connect_ex(address)
        held.append(client)
    return held


def start_tcp_fake(mode, arg):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind((LOOPBACK, 0))
    port = listener.getsockname()[1]
    if mode == "backlog":
        fakes[str(port)] = (listener, fill_backlog(listener))
        return str(port)
    listener.listen(8)
    fake = Fake(mode, arg)
    fakes[str(port)] = fake

    def accept():
        while True:
            conn, _ = listener.accept()
            fake.count(connects=1)
            threading.Thread(target=serve_tcp_fake, args=(conn, fake), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    return str(port)


def rtu_request_length(data):
    """The length of the request at the start of data, 0 while unknown."""
    if len(data) < 2:
        return 0
    if data[1] in (15, 16):
        return 9 + data[6] if len(data) >= 7 else 0
    return 8


def serve_rtu_fake(device, fake):
    fd = os.open(device_path(device), os.O_RDWR | os.O_NOCTTY)
    import termios
    import tty
    tty.setraw(fd)
    attributes = termios.tcgetattr(fd)
    attributes[3] &= ~termios.ECHO
    termios.tcsetattr(fd, termios.TCSANOW, attributes)
    fake.count(connects=1)
    data = b""
    while True:
        data += os.read(fd, 512)
        wanted = rtu_request_length(data)
        if wanted == 0 or len(data) < wanted:
            continue
        request, data = data[:wanted], data[wanted:]
        fake.count(frames=1)
        reply = answer(fake.mode, fake.arg, request[0], request[1:-2])
        if reply is None:
            continue
        frame = with_crc(reply)
        if fake.mode == "crc":
            frame = frame[:-1] + bytes([frame[-1] ^ 0xFF])
        elif fake.mode == "chatter":
            frame += bytes(int(fake.arg))
        os.write(fd, frame)


def start_rtu_fake(device, mode, arg):
    if device in fakes:
        with fakes[device].lock:
            fakes[device].mode, fakes[device].arg = mode, arg
        return device
    fake = Fake(mode, arg)
    fakes[device] = fake
    threading.Thread(target=serve_rtu_fake, args=(device, fake), daemon=True).start()
    return device


def run(words):
    command = words[0]
    if command == "pymodbus":
        return start_pymodbus(words[1], words[2] if len(words) > 2 else None)
    if command == "get":
        context = contexts[words[1]][0]
        values = context.getValues(TABLES[words[2]], int(words[3]), int(words[4]))
        return " ".join(str(int(v)) for v in values)
    if command == "set":
        context = contexts[words[1]][0]
        context.setValues(TABLES[words[2]], int(words[3]), [int(v) for v in words[4:]])
        return ""
    if command == "fake":
        return start_tcp_fake(words[1], words[2] if len(words) > 2 else "")
    if command == "rtufake":
        return start_rtu_fake(words[1], words[2], words[3] if len(words) > 3 else "0")
    if command == "counts":
        fake = fakes[words[1]]
        with fake.lock:
            return f"{fake.connects} {fake.frames}"
    raise ValueError("unknown command " + command)


class Peer:
    """The commands above as the network peer's control loop calls them."""

    def __getattr__(self, name):
        if not name.startswith("cmd_"):
            raise AttributeError(name)
        return lambda *args: run([name[4:], *args])


if __name__ == "__main__":
    network_peer.serve(Peer())
