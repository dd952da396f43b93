#!/usr/bin/env python3
"""A fault-injecting proxy between libcups and a private cupsd, for tests.

It listens on a unix socket path or on 127.0.0.1 (any free port), forwards
each connection to the cupsd's socket, follows the HTTP requests and answers
in both directions (IPP operation of each request), and applies one rule:

  freeze-after OP   after cupsd's answer to OP has been passed on, stop cupsd
                    (SIGSTOP) for --freeze seconds, then let it go on
  reload-after OP   after cupsd's answer to OP has been passed on, make cupsd
                    reload (SIGHUP): it drops every connection
  cut-after OP      once the whole request OP has been passed to cupsd, close
                    both connections: cupsd has it, the client gets no answer
  trickle           pass cupsd's answers on one byte every --trickle seconds
  silent            accept connections, read what comes, never answer
  password OP       answer OP with 401 and a Basic challenge, as a server that
                    wants a password does
  pass              only forward

SIGUSR1 heals: from then on every rule is off (a frozen cupsd goes on at
once), new connections are plainly forwarded. The address it listens on is
written to --ready FILE once it accepts. Every wait of the proxy is bounded
by the connection closing; it ends on SIGTERM.
"""
import argparse
import os
import signal
import socket
import struct
import sys
import threading
import time

OPERATIONS = {
    0x0002: "Print-Job", 0x0004: "Validate-Job", 0x0005: "Create-Job",
    0x0006: "Send-Document", 0x0008: "Cancel-Job", 0x0009: "Get-Job-Attributes",
    0x000A: "Get-Jobs", 0x000B: "Get-Printer-Attributes", 0x4001: "CUPS-Get-Default",
    0x4002: "CUPS-Get-Printers",
}

healed = threading.Event()
fired = threading.Event()  # the one-shot rules fire once
lock = threading.Lock()


def log(text):
    print("fault-proxy: " + text, file=sys.stderr, flush=True)


class Reader:
    """Buffered reads from a socket; None at the end of the stream."""

    def __init__(self, sock):
        self.sock = sock
        self.buffer = b""

    def fill(self):
        try:
            data = self.sock.recv(65536)
        except OSError:
            data = b""
        if not data:
            return False
        self.buffer += data
        return True

    def until(self, marker):
        while marker not in self.buffer:
            if not self.fill():
                return None
        at = self.buffer.index(marker) + len(marker)
        data, self.buffer = self.buffer[:at], self.buffer[at:]
        return data

    def exactly(self, count):
        while len(self.buffer) < count:
            if not self.fill():
                return None
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data


def headers_of(head):
    fields = {}
    for line in head.decode("latin-1").split("\r\n")[1:]:
        if ":" in line:
            name, value = line.split(":", 1)
            fields[name.strip().lower()] = value.strip()
    return fields


def read_message(reader, head, on_body, has_body=True):
    """Reads the body of a message whose head was read; calls on_body with
    each raw piece (framing included). False when the stream ended early."""
    fields = headers_of(head)
    if not has_body:
        return True
    if "chunked" in fields.get("transfer-encoding", "").lower():
        while True:
            line = reader.until(b"\r\n")
            if line is None:
                return False
            size = int(line.split(b";")[0].strip() or b"0", 16)
            on_body(line, b"")
            if size == 0:
                while True:  # trailer, up to an empty line
                    line = reader.until(b"\r\n")
                    if line is None:
                        return False
                    on_body(line, b"")
                    if line == b"\r\n":
                        return True
            data = reader.exactly(size + 2)
            if data is None:
                return False
            on_body(data, data[:size])
    length = int(fields.get("content-length", "0") or "0")
    while length > 0:
        data = reader.exactly(min(length, 65536))
        if data is None:
            return False
        on_body(data, data)
        length -= len(data)
    return True


class Connection:
    def __init__(self, args, client):
        self.args = args
        self.client = client
        self.server = None
        self.pending = []  # operations of requests sent, oldest first
        self.send_lock = threading.Lock()
        self.closed = False

    def close(self):
        self.closed = True
        for sock in (self.client, self.server):
            if sock is not None:
                try:
                    sock.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass

    def to_client(self, data, trickle=False):
        with self.send_lock:
            if not trickle or healed.is_set():
                self.client.sendall(data)
                return
        for byte in data:
            if self.closed:
                return
            with self.send_lock:
                self.client.sendall(bytes([byte]))
            if not healed.is_set():
                time.sleep(self.args.trickle)

    def rule(self, name):
        return self.args.rule == name and not healed.is_set()

    def requests(self):
        reader = Reader(self.client)
        while True:
            head = reader.until(b"\r\n\r\n")
            if head is None:
                break
            fields = headers_of(head)
            body_start = b""
            pieces = []

            def keep(raw, payload):
                nonlocal body_start
                pieces.append(raw)
                if len(body_start) < 4:
                    body_start += payload[: 4 - len(body_start)]

            if self.rule("password"):
                # Whole request first: its operation decides the answer.
                if fields.get("expect", "").lower() == "100-continue":
                    self.to_client(b"HTTP/1.1 100 Continue\r\n\r\n")
                if not read_message(reader, head, keep):
                    break
                op = operation(body_start)
                if op == self.args.operation:
                    log("asking a password for " + op)
                    self.to_client(b"HTTP/1.1 401 Unauthorized\r\n"
                                   b"WWW-Authenticate: Basic realm=\"CUPS\"\r\n"
                                   b"Content-Length: 0\r\n\r\n")
                    continue
                head = b"".join(line + b"\r\n" for line in head.split(b"\r\n")[:-2]
                                if not line.lower().startswith(b"expect:")) + b"\r\n"
                self.pending.append(op)
                self.server.sendall(head + b"".join(pieces))
                continue
            self.server.sendall(head)

            def forward(raw, payload):
                keep(raw, payload)
                self.server.sendall(raw)

            self.pending.append(None)
            index = len(self.pending) - 1
            if not read_message(reader, head, forward):
                break
            op = operation(body_start)
            self.pending[index] = op
            if self.rule("cut-after") and op == self.args.operation and not fired.is_set():
                fired.set()
                log("cutting the connection after " + op)
                time.sleep(0.2)  # cupsd reads it all before the cut
                self.close()
                break
        self.close()

    def answers(self):
        reader = Reader(self.server)
        answered = 0
        while True:
            head = reader.until(b"\r\n\r\n")
            if head is None:
                break
            status = int(head.split(b" ", 2)[1]) if head.startswith(b"HTTP/") else 0
            trickle = self.rule("trickle")
            self.to_client(head, trickle)
            if 100 <= status < 200:
                continue
            if not read_message(reader, head, lambda raw, payload: self.to_client(raw, trickle)):
                break
            op = self.pending[answered] if answered < len(self.pending) else None
            answered += 1
            if self.rule("freeze-after") and op == self.args.operation and not fired.is_set():
                fired.set()
                freeze(self.args)
            if self.rule("reload-after") and op == self.args.operation and not fired.is_set():
                fired.set()
                log("reloading cupsd %d" % self.args.cupsd_pid)
                os.kill(self.args.cupsd_pid, signal.SIGHUP)
        self.close()

    def run(self):
        if self.rule("silent"):
            while self.client.recv(65536):
                pass
            return
        self.server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            self.server.connect(self.args.target)
        except OSError as error:
            log("cupsd not reached: %s" % error)
            self.client.close()
            return
        threading.Thread(target=self.answers, daemon=True).start()
        self.requests()


def operation(body_start):
    if len(body_start) < 4:
        return None
    code = struct.unpack(">H", body_start[2:4])[0]
    return OPERATIONS.get(code, "0x%04x" % code)


def freeze(args):
    log("freezing cupsd %d for %.1f s" % (args.cupsd_pid, args.freeze))
    os.kill(args.cupsd_pid, signal.SIGSTOP)

    def thaw():
        healed.wait(args.freeze)
        os.kill(args.cupsd_pid, signal.SIGCONT)
        log("cupsd goes on")

    threading.Thread(target=thaw, daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--listen", required=True, help="a socket path, or 'tcp' for 127.0.0.1")
    parser.add_argument("--target", required=True, help="cupsd's socket path")
    parser.add_argument("--ready", required=True)
    parser.add_argument("--rule", default="pass")
    parser.add_argument("--operation", default="")
    parser.add_argument("--cupsd-pid", type=int, default=0)
    parser.add_argument("--freeze", type=float, default=6.0)
    parser.add_argument("--trickle", type=float, default=2.0)
    args = parser.parse_args()

    def heal(*_):
        healed.set()

    signal.signal(signal.SIGUSR1, heal)
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    if args.listen == "tcp":
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", 0))
        address = "127.0.0.1:%d" % listener.getsockname()[1]
    else:
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        listener.bind(args.listen)
        address = args.listen
    listener.listen(64)
    with open(args.ready + ".part", "w") as ready:
        ready.write(address + "\n")
    os.rename(args.ready + ".part", args.ready)
    log("rule %s %s on %s" % (args.rule, args.operation, address))
    while True:
        client, _ = listener.accept()
        threading.Thread(target=Connection(args, client).run, daemon=True).start()


if __name__ == "__main__":
    main()
