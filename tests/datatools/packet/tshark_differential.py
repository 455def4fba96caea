#!/usr/bin/python3
"""Decodes crafted frames with the packet inspector and with tshark and
compares the Ethernet, 802.1Q, ARP, IPv4, IPv6, TCP, UDP and ICMP field values.

The same bytes go to the inspector (through the packet_fields_dump driver) and,
as a text2pcap hex dump, to tshark. tshark only reads files; name resolution
is off. Run with Debian's python (scapy):
    tshark_differential.py --dump path/to/packet_fields_dump --work DIR
"""
import argparse
import ipaddress
import logging
import os
import subprocess
import sys
from collections import namedtuple

logging.getLogger("scapy").setLevel(logging.ERROR)
from scapy.all import (ARP, ICMP, IP, UDP, TCP, Dot1AD, Dot1Q, Ether, ICMPv6EchoRequest,  # noqa: E402
                       ICMPv6ND_NS, IPOption, IPv6, IPv6ExtHdrFragment, IPv6ExtHdrHopByHop,
                       Padding, Raw)

# strict: tshark must show every compared field of this frame.
Frame = namedtuple("Frame", "name mode data link strict")

MAC_A = "00:11:22:33:44:55"
MAC_B = "66:77:88:99:aa:bb"
V4_A, V4_B = "192.168.1.10", "10.0.0.1"
V6_A, V6_B = "2001:db8::1", "fe80::1:2:3:4"


def eth(etype=None):
    return Ether(dst=MAC_A, src=MAC_B) if etype is None else Ether(dst=MAC_A, src=MAC_B, type=etype)


def ip4(**kw):
    return IP(src=V4_A, dst=V4_B, **kw)


def ip6(**kw):
    return IPv6(src=V6_A, dst=V6_B, **kw)


def patched(packet, changes):
    """Bytes of packet with {offset: byte value} changes applied."""
    data = bytearray(bytes(packet))
    for offset, value in changes.items():
        data[offset] = value
    return bytes(data)


def corpus():
    f = []
    add = lambda name, mode, data, link="eth", strict=True: f.append(  # noqa: E731
        Frame(name, mode, bytes(data), link, strict))

    # Well-formed frames of every protocol, detected automatically.
    add("tcp_syn", "auto", eth() / ip4(id=0x1234) / TCP(sport=1234, dport=80, flags="S", seq=1000))
    add("tcp_options_data", "auto", eth() / ip4(ttl=3) / TCP(sport=44321, dport=8080, flags="PA",
        seq=0xFEDCBA98, ack=0x80000001, window=65535, urgptr=7,
        options=[("MSS", 1460), ("NOP", None), ("WScale", 7)]) / b"GET / HTTP/1.0\r\n\r\n")
    add("tcp_all_flags", "auto", eth() / ip4() / TCP(sport=1, dport=2, flags=0x1FF))
    add("udp_data", "auto", eth() / ip4(tos=0xB9) / UDP(sport=40000, dport=40001) / b"hello udp")
    add("icmp_echo", "auto", eth() / ip4(flags="DF") / ICMP(type=8, code=0, id=7, seq=1) / b"ping data")
    add("ipv4_options", "auto", eth() / ip4(options=IPOption(b"\x94\x04\x00\x00")) / UDP(sport=9, dport=9))
    add("ipv4_first_fragment", "auto", eth() / ip4(flags="MF", id=77) / UDP(sport=9, dport=9) / (b"z" * 24))
    add("ipv4_min_frame_padding", "auto", eth() / ip4() / UDP(sport=40000, dport=40001) / b"x" / Padding(load=b"\0" * 17))
    add("ipv6_tcp", "auto", eth() / ip6(tc=0xAB, fl=0xCDEF1, hlim=255) / TCP(sport=443, dport=50000, flags="SA"))
    add("ipv6_udp", "auto", eth() / ip6() / UDP(sport=40000, dport=40001) / b"v6 data")
    add("ipv6_icmpv6_echo", "auto", eth() / ip6() / ICMPv6EchoRequest(id=1, seq=2, data=b"abc"))
    add("ipv6_icmpv6_ns", "auto", eth() / IPv6(src="::", dst="ff02::1:ff00:1") / ICMPv6ND_NS(tgt="fe80::1"))
    add("arp_request_padded", "auto", eth(0x0806) / ARP(op=1, hwsrc="02:00:00:00:00:01", psrc="192.168.0.1",
        hwdst="00:00:00:00:00:00", pdst="192.168.0.2") / Padding(load=b"\0" * 18))
    add("arp_reply", "auto", eth(0x0806) / ARP(op=2, hwsrc=MAC_B, psrc="10.1.2.3", hwdst=MAC_A, pdst="10.3.2.1"))
    add("vlan_ipv4_udp", "auto", eth() / Dot1Q(vlan=100, prio=5, id=1) / ip4() / UDP(sport=40000, dport=40001) / b"tagged")
    add("vlan_arp", "auto", eth() / Dot1Q(vlan=4095, prio=7) / ARP(op=1, hwsrc=MAC_B, psrc="10.0.0.9", pdst="10.0.0.10"))
    add("vlan_ipv6_icmpv6", "auto", eth() / Dot1Q(vlan=1) / ip6() / ICMPv6EchoRequest())
    add("qinq_ipv4_tcp", "auto", eth() / Dot1AD(vlan=10, prio=3) / ip4() / TCP(sport=5, dport=6, flags="A"))

    # Frames the link layer cannot finish.
    add("double_tag", "ethernet", eth() / Dot1AD(vlan=10) / Dot1Q(vlan=20) / ip4() / UDP(sport=1, dport=2), strict=False)
    add("lldp_ethertype", "ethernet", eth(0x88CC) / Raw(b"\x02\x07\x04" + b"\0" * 43))
    add("unknown_bytes_auto", "auto", bytes(range(32)), strict=False)
    add("short_ethernet", "ethernet", bytes.fromhex("00112233445566778899"), strict=False)
    add("short_vlan_tag", "ethernet", bytes(eth(0x8100)) + b"\x00\x64", strict=False)
    add("short_arp", "ethernet", bytes(eth(0x0806)) + bytes.fromhex("000108000604"), strict=False)
    add("short_arp_addresses", "ethernet", bytes(eth(0x0806)) + bytes(ARP())[:20], strict=False)

    # IPv4 header problems (over Ethernet, decoded in "ethernet" mode).
    good4 = eth() / ip4() / UDP(sport=40000, dport=40001) / b"0123456789"
    add("short_ipv4", "ethernet", bytes(good4)[:26], strict=False)
    add("ipv4_version_5", "ethernet", patched(good4, {14: 0x55}), strict=False)
    add("ipv4_ihl_16", "ethernet", patched(good4, {14: 0x44}), strict=False)
    add("ipv4_options_cut", "ethernet", patched(good4, {14: 0x4F}), strict=False)
    add("ipv4_total_below_header", "ethernet", patched(good4, {16: 0, 17: 10}), strict=False)
    add("ipv4_total_beyond_bytes", "ethernet", patched(good4, {16: 0, 17: 200}), strict=False)
    add("ipv4_later_fragment", "auto", eth() / ip4(frag=185, proto=17, id=77) / Raw(b"f" * 16))
    add("ipv4_gre", "auto", eth() / ip4(proto=47) / Raw(b"\x00\x00\x08\x00"), strict=False)
    add("ipv4_icmpv6_number", "auto", eth() / ip4(proto=58) / Raw(b"\x80\x00\x00\x00"), strict=False)

    # IPv6 header problems.
    good6 = eth() / ip6() / UDP(sport=40000, dport=40001) / b"v6"
    add("short_ipv6", "ethernet", bytes(good6)[:44], strict=False)
    add("ipv6_version_7", "ethernet", patched(good6, {14: 0x70}), strict=False)
    add("ipv6_payload_beyond_bytes", "ethernet", patched(good6, {18: 0, 19: 100}), strict=False)
    add("ipv6_trailing", "auto", bytes(good6) + b"\0" * 6)
    add("ipv6_hop_by_hop", "auto", eth() / ip6() / IPv6ExtHdrHopByHop() / UDP(sport=1, dport=2))
    add("ipv6_fragment_header", "auto", eth() / ip6() / IPv6ExtHdrFragment(id=5) / UDP(sport=1, dport=2), strict=False)
    add("ipv6_icmp_number", "auto", eth() / ip6(nh=1) / Raw(b"\x08\x00\xf7\xff"), strict=False)

    # Transport problems.
    add("short_tcp", "auto", eth() / ip4(proto=6) / Raw(b"\x04\xd2\x00\x50\x00\x00\x00\x01\x00\x00"), strict=False)
    tcp = bytes(eth() / ip4() / TCP(sport=1234, dport=80, flags="S"))
    add("tcp_offset_4", "auto", patched(tcp, {46: 0x40}), strict=False)
    add("tcp_options_cut", "auto", patched(tcp, {46: 0xF0}), strict=False)
    add("short_udp", "auto", eth() / ip4(proto=17) / Raw(b"\x9c\x40\x9c"), strict=False)
    udp = bytes(eth() / ip4() / UDP(sport=40000, dport=40001) / b"abcdefgh")
    add("udp_length_4", "auto", patched(udp, {38: 0, 39: 4}), strict=False)
    add("udp_length_beyond", "auto", patched(udp, {38: 0, 39: 100}), strict=False)
    add("udp_trailing", "auto", patched(udp, {38: 0, 39: 10}), strict=False)
    add("short_icmp", "auto", eth() / ip4(proto=1) / Raw(b"\x08\x00"), strict=False)

    # Packets without a link layer.
    add("raw_ipv4_udp", "auto", ip4() / UDP(sport=40000, dport=40001) / b"raw ip", link="raw")
    add("raw_ipv4_mode", "ipv4", ip4(options=IPOption(b"\x01\x01\x01\x00")) / ICMP() / b"x", link="raw")
    add("raw_ipv6_mode", "ipv6", ip6() / ICMPv6EchoRequest(), link="raw")
    add("raw_ipv6_tcp", "auto", ip6() / TCP(sport=22, dport=60000, flags="PA") / b"ssh", link="raw")

    # Nothing at all: the inspector only (no pcap record can be empty here).
    add("empty", "auto", b"", link=None, strict=False)
    return f


def vlan_text(p, d, i):
    return None if "" in (p, d, i) else f"priority={int(p)}, dei={int(d)}, vlanId={int(i)}"


def hex_value(v, digits):
    return None if v == "" else f"0x{int(v, 16):0{digits}X}"


def dec(v):
    return None if v == "" else str(int(v))


def byte_count(v):
    return None if v == "" else f"{int(v)} bytes"


def mac(v):
    return None if v == "" else v.upper()


def ipv6_text(v):
    return None if v == "" else ipaddress.IPv6Address(v).exploded


def text(v):
    return None if v == "" else v


# Our "layer.name" -> (tshark fields, how to write them as our value).
COMPARED = {
    "ethernet.destination": (["eth.dst"], mac),
    "ethernet.source": (["eth.src"], mac),
    "ethernet.etherType": (["eth.type"], lambda v: hex_value(v, 4)),
    "vlan.tagControl": (["vlan.priority", "vlan.dei", "vlan.id"], vlan_text),
    "vlan.etherType": (["vlan.etype"], lambda v: hex_value(v, 4)),
    "arp.hardwareType": (["arp.hw.type"], dec),
    "arp.protocolType": (["arp.proto.type"], lambda v: hex_value(v, 4)),
    "arp.hardwareAddressLength": (["arp.hw.size"], dec),
    "arp.protocolAddressLength": (["arp.proto.size"], dec),
    "arp.operation": (["arp.opcode"], dec),
    "arp.senderHardwareAddress": (["arp.src.hw_mac"], mac),
    "arp.senderProtocolAddress": (["arp.src.proto_ipv4"], text),
    "arp.targetHardwareAddress": (["arp.dst.hw_mac"], mac),
    "arp.targetProtocolAddress": (["arp.dst.proto_ipv4"], text),
    "ipv4.version": (["ip.version"], dec),
    "ipv4.headerLength": (["ip.hdr_len"], byte_count),
    "ipv4.dscpEcn": (["ip.dsfield", "ip.dsfield.dscp", "ip.dsfield.ecn"],
                     lambda b, d, e: None if "" in (b, d, e)
                     else f"0x{int(b, 16):02X} (DSCP={int(d)}, ECN={int(e)})"),
    "ipv4.totalLength": (["ip.len"], byte_count),
    "ipv4.identification": (["ip.id"], lambda v: hex_value(v, 4)),
    "ipv4.fragment": (["ip.flags", "ip.frag_offset"],
                      lambda f, o: None if "" in (f, o)
                      else f"flags=0x{int(f, 16):X}, offsetBytes={int(o) * 8}"),
    "ipv4.ttl": (["ip.ttl"], dec),
    "ipv4.protocol": (["ip.proto"], dec),
    "ipv4.headerChecksum": (["ip.checksum"], lambda v: hex_value(v, 4)),
    "ipv4.source": (["ip.src"], text),
    "ipv4.destination": (["ip.dst"], text),
    "ipv6.version": (["ipv6.version"], dec),
    "ipv6.trafficClassAndFlowLabel": (["ipv6.tclass", "ipv6.flow"],
                                      lambda t, f: None if "" in (t, f)
                                      else f"trafficClass={int(t, 16)}, flowLabel=0x{int(f, 16):05X}"),
    "ipv6.payloadLength": (["ipv6.plen"], byte_count),
    "ipv6.nextHeader": (["ipv6.nxt"], dec),
    "ipv6.hopLimit": (["ipv6.hlim"], dec),
    "ipv6.source": (["ipv6.src"], ipv6_text),
    "ipv6.destination": (["ipv6.dst"], ipv6_text),
    "tcp.sourcePort": (["tcp.srcport"], dec),
    "tcp.destinationPort": (["tcp.dstport"], dec),
    "tcp.sequenceNumber": (["tcp.seq_raw"], dec),
    "tcp.acknowledgmentNumber": (["tcp.ack_raw"], dec),
    "tcp.headerLength": (["tcp.hdr_len"], byte_count),
    "tcp.flags": (["tcp.flags"], lambda v: None if v == "" else f"0x{int(v, 16) & 0x1FF:03X}"),
    "tcp.window": (["tcp.window_size_value"], dec),
    "tcp.checksum": (["tcp.checksum"], lambda v: hex_value(v, 4)),
    "tcp.urgentPointer": (["tcp.urgent_pointer"], dec),
    "udp.sourcePort": (["udp.srcport"], dec),
    "udp.destinationPort": (["udp.dstport"], dec),
    "udp.length": (["udp.length"], byte_count),
    "udp.checksum": (["udp.checksum"], lambda v: hex_value(v, 4)),
    "icmp.type": (["icmp.type"], dec),
    "icmp.code": (["icmp.code"], dec),
    "icmp.checksum": (["icmp.checksum"], lambda v: hex_value(v, 4)),
    "icmpv6.type": (["icmpv6.type"], dec),
    "icmpv6.code": (["icmpv6.code"], dec),
    "icmpv6.checksum": (["icmpv6.checksum"], lambda v: hex_value(v, 4)),
}
# Behind an 802.1ad tag tshark names the tag fields differently and shows no
# field for the EtherType inside the tag.
QINQ_TAG = (["ieee8021ad.priority", "ieee8021ad.dei", "ieee8021ad.id"], vlan_text)

EVERY_WARNING = {
    "empty-input", "unknown-protocol", "truncated-ethernet", "truncated-vlan", "unknown-ethertype",
    "truncated-arp", "truncated-arp-addresses", "truncated-ipv4", "invalid-ipv4-version",
    "invalid-ipv4-header", "truncated-ipv4-options", "invalid-ipv4-length", "truncated-ipv4-payload",
    "ipv4-trailing-bytes", "ipv4-fragment", "truncated-ipv6", "invalid-ipv6-version",
    "truncated-ipv6-payload", "ipv6-trailing-bytes", "ipv6-extension-header", "unknown-transport",
    "truncated-tcp", "invalid-tcp-header", "truncated-tcp-options", "truncated-udp",
    "invalid-udp-length", "truncated-udp-payload", "udp-trailing-bytes", "truncated-icmp",
}
EVERY_LAYER = {"ethernet", "vlan", "arp", "ipv4", "ipv6", "tcp", "udp", "icmp", "icmpv6",
               "payload", "trailing"}


def tshark_field_names():
    names = set(QINQ_TAG[0])
    for fields, _ in COMPARED.values():
        names.update(fields)
    return sorted(names)


def write_hexdump(frames, path):
    with open(path, "w") as out:
        for frame in frames:
            for offset in range(0, len(frame.data), 16):
                chunk = frame.data[offset:offset + 16]
                out.write("%06x %s\n" % (offset, " ".join("%02x" % b for b in chunk)))


def run_tshark(frames, link, work):
    """One dict of field values per frame, in order."""
    if not frames:
        return []
    dump = os.path.join(work, f"{link}.txt")
    pcap = os.path.join(work, f"{link}.pcap")
    write_hexdump(frames, dump)
    subprocess.run(["text2pcap", "-q", "-l", "1" if link == "eth" else "101", dump, pcap], check=True,
                   capture_output=True)
    names = tshark_field_names()
    command = ["tshark", "-n", "-r", pcap, "-T", "fields", "-E", "separator=/t", "-E", "occurrence=f",
               "-o", "ip.defragment:FALSE", "-o", "ipv6.defragment:FALSE",
               "-o", "tcp.desegment_tcp_streams:FALSE", "-o", "tcp.analyze_sequence_numbers:FALSE"]
    for name in names:
        command += ["-e", name]
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=work)
    output = subprocess.run(command, check=True, capture_output=True, text=True, env=env).stdout
    rows = [dict(zip(names, line.split("\t"))) for line in output.splitlines()]
    if len(rows) != len(frames):
        raise SystemExit(f"tshark read {len(rows)} {link} frames, expected {len(frames)}")
    return rows


def run_inspector(frames, dump_program, work):
    lines = "".join(f"{frame.mode} {frame.data.hex()}\n" for frame in frames)
    with open(os.path.join(work, "frames.txt"), "w") as out:
        out.write(lines)
    output = subprocess.run([dump_program], input=lines, check=True, capture_output=True, text=True).stdout
    fields = [{} for _ in frames]
    warnings, layers = set(), set()
    for line in output.splitlines():
        parts = line.split("\t")
        index, kind = int(parts[0]), parts[1]
        if kind == "field":
            fields[index].setdefault(parts[2], parts[5])  # the first of a name, as tshark's occurrence=f
        elif kind == "warning":
            warnings.add(parts[2])
        elif kind == "layer":
            layers.add(parts[2])
    return fields, warnings, layers


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)

    frames = corpus()
    ours, warnings, layers = run_inspector(frames, args.dump, args.work)
    theirs = [None] * len(frames)
    for link in ("eth", "raw"):
        chosen = [i for i, frame in enumerate(frames) if frame.link == link]
        for i, row in zip(chosen, run_tshark([frames[i] for i in chosen], link, args.work)):
            theirs[i] = row

    problems, compared = [], 0
    for i, frame in enumerate(frames):
        if theirs[i] is None:
            continue
        qinq = ours[i].get("ethernet.etherType") == "0x88A8"
        for key, value in ours[i].items():
            rule = COMPARED.get(key)
            if key == "vlan.tagControl" and qinq:
                rule = QINQ_TAG
            elif key == "vlan.etherType" and qinq:
                rule = None
            if rule is None:
                continue
            names, convert = rule
            expected = convert(*[theirs[i].get(name, "") for name in names])
            if expected is None:
                if frame.strict:
                    problems.append(f"{frame.name}: tshark shows no {key} (inspector: {value})")
                continue
            compared += 1
            if expected != value:
                problems.append(f"{frame.name}: {key} is {value!r}, tshark says {expected!r}")

    missing_warnings = EVERY_WARNING - warnings
    missing_layers = EVERY_LAYER - layers
    print(f"{len(frames)} frames, {compared} field values compared with tshark")
    if missing_warnings:
        problems.append(f"corpus never raises: {sorted(missing_warnings)}")
    if missing_layers:
        problems.append(f"corpus never shows layers: {sorted(missing_layers)}")
    if len(frames) < 40 or compared < 500:
        problems.append("corpus too small")
    for problem in problems:
        print("MISMATCH " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
