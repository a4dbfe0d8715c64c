#!/usr/bin/python3
"""An FTP server on 127.0.0.1 that never stops talking and never gets anywhere: it sends
one byte every 0.7 seconds (--interval) at the chosen step, so that only a client whose
time-out bounds every wait ever returns.

  --trickle greeting   the greeting itself, byte by byte, without end;
  --trickle reply      a normal log-in, then the reply to the transfer command (RETR,
                       STOR) byte by byte, without end;
  --trickle data       a normal conversation, then the data connection of RETR sends
                       (and that of STOR reads) one byte per interval, without end.

Every file exists (listings name it, SIZE answers for it); passive (PASV, EPSV) and
active (PORT, EPRT) data connections both work.  Prints "PORT <n>" once it listens and
serves until it is terminated.
"""

import argparse
import socket
import threading
import time

HOST = "127.0.0.1"
FILE_SIZE = 1 << 20


def trickle(conn, data, interval):
    for i in range(len(data)):
        conn.sendall(data[i:i + 1])
        time.sleep(interval)


def endless(conn, interval):
    while True:
        conn.sendall(b"x")
        time.sleep(interval)


class Session(threading.Thread):
    def __init__(self, conn, how, interval):
        super().__init__(daemon=True)
        self.conn, self.how, self.interval = conn, how, interval
        self.listener = None  # passive data listener
        self.active = None    # (host, port) for an active data connection
        self.file = self.conn.makefile("rb")

    def reply(self, text):
        self.conn.sendall(text.encode() + b"\r\n")

    def data_connection(self):
        if self.listener is not None:
            data, _ = self.listener.accept()
            self.listener.close()
            self.listener = None
            return data
        return socket.create_connection(self.active)

    def passive(self):
        self.listener = socket.socket()
        self.listener.bind((HOST, 0))
        self.listener.listen(1)
        return self.listener.getsockname()[1]

    def transfer(self, command, name):
        if self.how == "reply" and command in ("RETR", "STOR"):
            trickle(self.conn, b"150 " + b"." * 100000 + b"\r\n", self.interval)
            return
        self.reply("150 Here it comes.")
        data = self.data_connection()
        if command == "LIST":
            # A file is listed by its own name; a folder ("/", as some clients list the
            # folder of the file they look for) holds a.bin.
            listed = "a.bin" if not name or name.endswith("/") else name.rsplit("/", 1)[-1]
            data.sendall(("-rw-r--r-- 1 ftp ftp %d Jan 01 2020 %s\r\n"
                          % (FILE_SIZE, listed)).encode())
            data.close()
            self.reply("226 Done.")
        elif self.how == "data" and command == "RETR":
            endless(data, self.interval)
        elif self.how == "data" and command == "STOR":
            while data.recv(1):
                time.sleep(self.interval)
        else:
            data.close()
            self.reply("226 Done.")

    def run(self):
        try:
            if self.how == "greeting":
                trickle(self.conn, b"220 " + b"." * 100000 + b"\r\n", self.interval)
                return
            self.reply("220 Trickle server ready.")
            for raw in self.file:
                line = raw.decode("latin-1").rstrip("\r\n")
                verb, _, arg = line.partition(" ")
                verb = verb.upper()
                if verb == "USER":
                    self.reply("331 Password, please.")
                elif verb == "PASS":
                    self.reply("230 Logged in.")
                elif verb == "PWD":
                    self.reply('257 "/" is the current folder.')
                elif verb in ("CWD", "TYPE", "MODE", "STRU", "OPTS"):
                    self.reply("200 OK.")
                elif verb == "SIZE":
                    self.reply("213 %d" % FILE_SIZE)
                elif verb == "MDTM":
                    self.reply("213 20200101000000")
                elif verb == "EPSV":
                    self.reply("229 Entering extended passive mode (|||%d|)" % self.passive())
                elif verb == "PASV":
                    port = self.passive()
                    self.reply("227 Entering passive mode (127,0,0,1,%d,%d)" % (port >> 8, port & 255))
                elif verb == "EPRT":
                    parts = arg.split(arg[0])
                    self.active = (parts[2], int(parts[3]))
                    self.reply("200 EPRT OK.")
                elif verb == "PORT":
                    n = [int(x) for x in arg.split(",")]
                    self.active = (".".join(map(str, n[:4])), n[4] * 256 + n[5])
                    self.reply("200 PORT OK.")
                elif verb in ("LIST", "NLST", "RETR", "STOR"):
                    self.transfer("LIST" if verb == "NLST" else verb, arg)
                elif verb == "QUIT":
                    self.reply("221 Bye.")
                    return
                else:
                    self.reply("502 Not here.")
        except OSError:
            pass
        finally:
            self.conn.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--trickle", choices=["greeting", "reply", "data"], required=True)
    parser.add_argument("--interval", type=float, default=0.7)
    args = parser.parse_args()
    sock = socket.socket()
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind((HOST, 0))
    sock.listen(16)
    print("PORT %d" % sock.getsockname()[1], flush=True)
    while True:
        conn, _ = sock.accept()
        Session(conn, args.trickle, args.interval).start()


if __name__ == "__main__":
    main()
