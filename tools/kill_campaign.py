#!/usr/bin/env python3
"""Kills a running ParlinoServer with SIGKILL while subscribers talk and top up, restarts it
on the same files, and checks after every restart that the money adds up.

  tools/kill_campaign.py BUILD_DIR [--kills N] [--seed S] [--work DIR] [--port P]

Each round starts the server on the data folder, signs in 101, 102, 103 and the outside
line 801, lets the line offer hostile prices (NaN, infinities, negatives) around one real
price, starts two talks (101 pays 102 at "Net pay per min" 1.0, 103 pays 801 at 2.0) and
has 101, 102 and 103 top up with their own cards, one after another, until the kill. The
kill comes at a random moment, a few milliseconds after a top-up was sent, or around the
first charged minute. Before the restart every table file must still load; after it:

  * no table unreadable and no temporary file left;
  * every card answered "v" is spent;
  * balance = start + credits of the spent cards - price x charged minutes in the logs, to
    within the minutes that were in progress at a kill (one per talk): no card spent
    without its credit or credited twice, no charge lost beyond the minute in progress;
  * every balance is a finite number, and the line's price is never one it could not charge.

Exit status 0 when every round held, 1 otherwise.
"""

import argparse
import math
import os
import queue
import random
import shutil
import signal
import socket
import struct
import subprocess
import sys
import threading
import time
import zlib

ACCOUNTS = (101, 102, 103)
LINE = 801
PASSWORD = "582047"
NET_PRICE = 1.0
LINE_PRICE = 2.0
PREFIXES = ("080", "250", "500")
CREDITS = {"080": 10.0, "250": 20.0, "500": 50.0}
CARDS_PER_DENOMINATION = 1000

# ---- table files -------------------------------------------------------------------------

MAGIC = b"PRLNTBL\x1a"


class TableError(Exception):
    pass


def _parse_layout(body, pos, depth=0):
    if depth > 8:
        raise TableError("nested too deep")
    (count,) = struct.unpack_from("<H", body, pos)
    pos += 2
    fields = []
    for _ in range(count):
        ftype, _flags, _size, name_length = struct.unpack_from("<BBHB", body, pos)
        pos += 5
        name = body[pos:pos + name_length].decode("latin-1")
        pos += name_length
        nested = None
        if ftype == 7:
            nested, pos = _parse_layout(body, pos, depth + 1)
        fields.append((name, ftype, nested))
    return fields, pos


def _parse_rows(body, pos, fields):
    (count,) = struct.unpack_from("<I", body, pos)
    pos += 4
    rows = []
    for _ in range(count):
        row = []
        for _name, ftype, nested in fields:
            if ftype == 7:
                value, pos = _parse_rows(body, pos, nested)
            else:
                marker = body[pos]
                pos += 1
                if marker not in (0, 1):
                    raise TableError("bad marker")
                value = None
                if marker == 1:
                    if ftype == 1:
                        (value,) = struct.unpack_from("<i", body, pos)
                        pos += 4
                    elif ftype in (2, 4, 5, 6):
                        (value,) = struct.unpack_from("<d", body, pos)
                        pos += 8
                    elif ftype == 3:
                        (length,) = struct.unpack_from("<H", body, pos)
                        pos += 2
                        value = body[pos:pos + length].decode("latin-1")
                        pos += length
                    else:
                        raise TableError("unknown field type %d" % ftype)
            row.append(value)
        rows.append(row)
    return rows, pos


def read_table(path):
    """(layout bytes, fields, rows) of a table file; TableError when it cannot be loaded."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 20 or data[:8] != MAGIC:
        raise TableError("not a table file")
    (size,) = struct.unpack_from("<I", data, 12)
    if len(data) != 20 + size:
        raise TableError("length")
    if zlib.crc32(data[:16 + size]) & 0xFFFFFFFF != struct.unpack_from("<I", data, 16 + size)[0]:
        raise TableError("checksum")
    body = data[16:16 + size]
    try:
        fields, layout_end = _parse_layout(body, 0)
        rows, end = _parse_rows(body, layout_end, fields)
    except struct.error as error:
        raise TableError(str(error))
    if end != len(body):
        raise TableError("bytes after the rows")
    return body[:layout_end], fields, rows


def write_released(path, layout, rows):
    """A released-card table: CardPIN text, ReleasDateTime and GenerDateTime date-times."""
    out = bytearray(layout)
    out += struct.pack("<I", len(rows))
    for pin, released, generated in rows:
        encoded = pin.encode("latin-1")
        out += b"\x01" + struct.pack("<H", len(encoded)) + encoded
        out += b"\x01" + struct.pack("<d", released)
        out += b"\x01" + struct.pack("<d", generated)
    head = MAGIC + struct.pack("<HHI", 1, 0, len(out)) + bytes(out)
    with open(path, "wb") as f:
        f.write(head + struct.pack("<I", zlib.crc32(head) & 0xFFFFFFFF))


def table_files(data):
    for folder in ("USERINFO", "USERLOGS", "USERPINS"):
        for name in sorted(os.listdir(os.path.join(data, folder))):
            yield os.path.join(folder, name)


def is_temporary(name):
    base = os.path.basename(name)
    return ".cds." in base and not base.endswith(".cds")


def fix_record(data, client_id):
    with open(os.path.join(data, "USERINFO", "critical.fix"), "rb") as f:
        f.seek((client_id - 1) * 64)
        record = f.read(64).ljust(64, b"\0")
    balance = struct.unpack_from("<d", record, 28)[0]
    pin = record[36:56].split(b"\0", 1)[0].decode("latin-1")
    return balance, pin


def released_pins(data):
    pins = {}
    for prefix in PREFIXES:
        _layout, _fields, rows = read_table(os.path.join(data, "USERPINS", prefix + "_rel.cds"))
        for row in rows:
            pins[row[0]] = prefix
    return pins


def charged(data, client_id):
    """Money the account's current-day log says it was charged: its ">" minutes at their price."""
    _layout, _fields, rows = read_table(os.path.join(data, "USERLOGS", "%dcursd.cds" % client_id))
    total = 0.0
    for _day, _date, _time, call_type, peer, duration in rows:
        if call_type == ">":
            total += (duration or 0) * (LINE_PRICE if 800 < (peer or 0) < 900 else NET_PRICE)
    return total


# ---- the wire ------------------------------------------------------------------------------

CLIENT_FIELDS = {"V": "i", "b": "d", "I": "s", "C": "i", "f": "sd?", "c": "isss?", "r": "sd", "d": "s"}


def pack(letter, *values):
    out = bytearray(letter.encode())
    for value in values:
        if isinstance(value, bool):
            out += b"\x01" if value else b"\x00"
        elif isinstance(value, int):
            out += struct.pack("<i", value)
        elif isinstance(value, float):
            out += struct.pack("<d", value)
        else:
            encoded = value.encode("latin-1")
            out += struct.pack("<i", len(encoded)) + encoded
    return bytes(out)


class Subscriber:
    """One signed-in connection; a reader thread queues every message the server sends."""

    def __init__(self, port, client_id):
        self.client_id = client_id
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.messages = queue.Queue()
        self.buffer = b""
        threading.Thread(target=self._read, daemon=True).start()
        self.send(pack("P", 40000 + client_id, client_id, PASSWORD, ""))
        letter, _values = self.next("VP")
        if letter != "V":
            raise RuntimeError("sign-in of %d refused" % client_id)

    def send(self, data):
        self.sock.sendall(data)

    def _read(self):
        try:
            while True:
                chunk = self.sock.recv(65536)
                if not chunk:
                    break
                self.buffer += chunk
                while self._take():
                    pass
        except OSError:
            pass
        self.messages.put(None)

    def _take(self):
        if not self.buffer:
            return False
        letter = chr(self.buffer[0])
        pos, values = 1, []
        for kind in CLIENT_FIELDS.get(letter, ""):
            if kind == "i" or kind == "s":
                if len(self.buffer) < pos + 4:
                    return False
                (number,) = struct.unpack_from("<i", self.buffer, pos)
                pos += 4
                if kind == "s":
                    if len(self.buffer) < pos + number:
                        return False
                    number = self.buffer[pos:pos + number].decode("latin-1")
                    pos += len(number)
                values.append(number)
            elif kind == "d":
                if len(self.buffer) < pos + 8:
                    return False
                values.append(struct.unpack_from("<d", self.buffer, pos)[0])
                pos += 8
            else:
                if len(self.buffer) < pos + 1:
                    return False
                values.append(self.buffer[pos] != 0)
                pos += 1
        self.buffer = self.buffer[pos:]
        self.messages.put((letter, values))
        return True

    def next(self, letters, timeout=10.0):
        """The next message whose letter is in `letters`; others are dropped."""
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("%d waited for %s" % (self.client_id, letters))
            message = self.messages.get(timeout=left)
            if message is None:
                raise ConnectionError("%d: connection closed" % self.client_id)
            if message[0] in letters:
                return message

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass


# ---- the campaign --------------------------------------------------------------------------


class Campaign:
    def __init__(self, args):
        self.args = args
        self.rng = random.Random(args.seed)
        self.work = os.path.abspath(args.work)
        self.data = os.path.join(self.work, "data")
        self.program = os.path.join(self.work, "bin", "ParlinoServer")
        self.violations = []
        self.cards = {client_id: [] for client_id in ACCOUNTS}  # (pin, prefix) in use order
        self.credit_of = {}
        self.accepted = set()
        self.start_balance = {}
        # Balance minus what cards and logs say, as the last check found it; a kill may raise
        # it by the price of one minute for each talk the account was paying.
        self.difference = {client_id: 0.0 for client_id in ACCOUNTS}
        self.in_progress = {client_id: 0.0 for client_id in ACCOUNTS}
        self.tried = set()
        self.counts = {"kills": 0, "random": 0, "top-up": 0, "minute": 0, "top-ups accepted": 0,
                       "pending top-ups at kill": 0, "temporaries at kill": 0,
                       "minutes lost in progress": 0, "hostile offers": 0}

    def violation(self, text):
        print("VIOLATION:", text, flush=True)
        self.violations.append(text)

    def prepare(self):
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(os.path.join(self.work, "bin"))
        shutil.copy2(os.path.join(self.args.build, "server", "ParlinoServer"), self.program)
        with open(self.program + ".ini", "w") as ini:
            ini.write("[Server]\nTCP port=%d\nNet pay per min=1\nPay per day=0\n" % self.args.port)
        subprocess.run([os.path.join(self.args.build, "tools", "parlino-tables"), "demo", self.data],
                       check=True, stdout=subprocess.DEVNULL)
        # Many released cards in every denomination, dealt out to the three subscribers so
        # that each moves between denominations (the old activated card gives way).
        serial = 0
        for prefix in PREFIXES:
            path = os.path.join(self.data, "USERPINS", prefix + "_rel.cds")
            layout, _fields, _rows = read_table(path)
            rows = []
            for _ in range(CARDS_PER_DENOMINATION):
                serial += 1
                pin = "%d%019d" % (PREFIXES.index(prefix) + 1, serial)
                rows.append((pin, 46000.0, 45999.0))
                self.credit_of[pin] = CREDITS[prefix]
            write_released(path, layout, rows)
        pins = sorted(self.credit_of, key=lambda pin: pin[1:])
        for index, pin in enumerate(pins):
            self.cards[ACCOUNTS[index % len(ACCOUNTS)]].append(pin)
        for client_id in ACCOUNTS:
            self.start_balance[client_id] = fix_record(self.data, client_id)[0]

    def start_server(self, round_number):
        log = open(os.path.join(self.work, "server-%03d.log" % round_number), "w")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", ASAN_OPTIONS="detect_leaks=0")
        process = subprocess.Popen([self.program], cwd=self.data, stdout=log, stderr=log, env=env)
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            if process.poll() is not None:
                break
            try:
                socket.create_connection(("127.0.0.1", self.args.port), timeout=1).close()
                return process
            except OSError:
                time.sleep(0.05)
        self.violation("round %d: the server did not start listening" % round_number)
        process.kill()
        process.wait()
        return None

    def check_files_after_kill(self, round_number):
        temporaries = 0
        for name in table_files(self.data):
            if is_temporary(name):
                temporaries += 1
            elif name.endswith(".cds"):
                try:
                    read_table(os.path.join(self.data, name))
                except (TableError, OSError) as error:
                    self.violation("round %d: %s unreadable after the kill: %s" % (round_number, name, error))
        self.counts["temporaries at kill"] += temporaries
        released = released_pins(self.data)
        for client_id in ACCOUNTS:
            if fix_record(self.data, client_id)[1] in released:
                self.counts["pending top-ups at kill"] += 1

    def check_money(self, round_number):
        released = released_pins(self.data)
        for name in table_files(self.data):
            if is_temporary(name):
                self.violation("round %d: %s left after the start" % (round_number, name))
        for pin in self.accepted:
            if pin in released:
                self.violation("round %d: card %s was accepted but is released again" % (round_number, pin))
        for client_id in ACCOUNTS:
            balance, _pin = fix_record(self.data, client_id)
            if not math.isfinite(balance):
                self.violation("round %d: balance of %d is %r" % (round_number, client_id, balance))
                continue
            credits = sum(self.credit_of[pin] for pin in self.cards[client_id] if pin not in released)
            expected = self.start_balance[client_id] + credits - charged(self.data, client_id)
            difference = balance - expected
            change = difference - self.difference[client_id]
            if change < -1e-6:
                self.violation("round %d: %d has %.2f, %.2f less than its cards and minutes say"
                               % (round_number, client_id, balance, -change))
            elif change > self.in_progress[client_id] + 1e-6:
                self.violation("round %d: %d has %.2f, %.2f more than its cards and minutes say"
                               % (round_number, client_id, balance, change))
            elif change > 1e-6:
                self.counts["minutes lost in progress"] += 1
            self.difference[client_id] = difference
            self.in_progress[client_id] = 0.0

    def top_ups(self, subscriber, stop, sent):
        for pin in self.cards[subscriber.client_id]:
            if stop.is_set() or pin in self.accepted or pin in self.tried:
                continue
            self.tried.add(pin)
            subscriber.send(pack("p", pin))
            sent.set()
            try:
                letter, _values = subscriber.next("vp", timeout=30)
            except (TimeoutError, ConnectionError, queue.Empty):
                return
            if letter == "v":
                self.accepted.add(pin)
                self.counts["top-ups accepted"] += 1
            else:
                self.violation("card %s refused" % pin)
            sent.clear()

    def round(self, number):
        process = self.start_server(number)
        if process is None:
            return
        self.check_money(number)
        subscribers = {}
        stop = threading.Event()
        sent = threading.Event()
        workers = []
        try:
            for client_id in ACCOUNTS + (LINE,):
                subscribers[client_id] = Subscriber(self.args.port, client_id)
            # The line's offers: only a finite price of at least 0 is ever taken.
            relayed = []
            for price in (float("nan"), float("-inf"), LINE_PRICE, float("nan"), -1e308, float("inf"), -0.5):
                subscribers[LINE].send(pack("f", 103, "Area", price, True))
                relayed.append(subscribers[103].next("f")[1][1])
                self.counts["hostile offers"] += 0 if price == LINE_PRICE else 1
            if relayed != [0.0, 0.0] + [LINE_PRICE] * 5:
                self.violation("round %d: the line's prices were relayed as %r" % (number, relayed))
            subscribers[101].send(pack("S", 102))
            self.in_progress[101] = NET_PRICE
            subscribers[102].next("S")
            subscribers[103].send(pack("S", LINE))
            self.in_progress[103] = LINE_PRICE
            subscribers[LINE].next("S")
            talks_started = time.monotonic()
            for client_id in ACCOUNTS:
                worker = threading.Thread(target=self.top_ups, args=(subscribers[client_id], stop, sent),
                                          daemon=True)
                worker.start()
                workers.append(worker)

            mode = ("random", "top-up", "minute")[number % 3]
            if mode == "random":
                time.sleep(self.rng.uniform(0.0, 3.0))
            elif mode == "top-up":
                sent.wait(timeout=5)
                time.sleep(self.rng.uniform(0.0, 0.004))
            else:
                time.sleep(max(0.0, talks_started + self.rng.uniform(0.85, 1.15) - time.monotonic()))
            self.counts[mode] += 1
        except (TimeoutError, ConnectionError, OSError, queue.Empty) as error:
            self.violation("round %d: %s" % (number, error))
        os.kill(process.pid, signal.SIGKILL)
        process.wait()
        self.counts["kills"] += 1
        stop.set()
        for subscriber in subscribers.values():
            subscriber.close()
        for worker in workers:
            worker.join(timeout=10)
        self.check_files_after_kill(number)

    def run(self):
        self.prepare()
        for number in range(self.args.kills):
            self.round(number)
        # A last start: every kill's leftovers cleaned and the money checked once more.
        process = self.start_server(self.args.kills)
        if process is not None:
            self.check_money(self.args.kills)
            os.kill(process.pid, signal.SIGTERM)
            process.wait()
        minutes = {client_id: charged(self.data, client_id) for client_id in ACCOUNTS}
        print("kills: %(kills)d (random moment %(random)d, just after a top-up was sent %(top-up)d, "
              "around the first charged minute %(minute)d)" % self.counts)
        print("top-ups accepted: %d; top-ups caught between credit and card move by a kill: %d; "
              "temporaries left by kills: %d" % (self.counts["top-ups accepted"],
                                                self.counts["pending top-ups at kill"],
                                                self.counts["temporaries at kill"]))
        print("money charged from the logs: %s; minutes in progress lost to kills: %d; hostile price offers: %d"
              % (minutes, self.counts["minutes lost in progress"], self.counts["hostile offers"]))
        print("violations: %d" % len(self.violations))
        return 1 if self.violations else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", help="build folder holding server/ParlinoServer and tools/parlino-tables")
    parser.add_argument("--kills", type=int, default=45)
    parser.add_argument("--seed", type=int, default=14)
    parser.add_argument("--work", default="/tmp/parlino-kill-campaign")
    parser.add_argument("--port", type=int, default=23714)
    sys.exit(Campaign(parser.parse_args()).run())


if __name__ == "__main__":
    main()
