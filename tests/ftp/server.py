#!/usr/bin/python3
"""A real FTP server on 127.0.0.1 for the transfer tests and the benchmark.

Prints "PORT <n>" on standard output once it listens, then serves until it is
terminated.  Besides plain service it can misbehave on purpose:

  * a file whose name begins with "drop-" is sent only in part, then the data
    connection is closed and the transfer reported aborted (426);
  * a file whose name begins with "stall-" is sent in part, then the data
    connection goes quiet (the client's time-out must end it);
  * a file whose name begins with "nosize-" is refused to SIZE (550), as some
    servers refuse to size a file they list and send;
  * --silent accepts connections and never says a word (not even the greeting).
"""

import argparse
import logging
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FileProducer, FTPHandler, _FileReadWriteError
from pyftpdlib.servers import FTPServer

HOST = "127.0.0.1"


class MisbehavingProducer:
    """Sends the first half of the file, then drops or stalls the transfer.  (Not a
    FileProducer: those are sent with sendfile(), past any producer logic.)"""

    def __init__(self, file, type, handler, how):
        self.inner = FileProducer(file, type)
        self.handler = handler
        self.how = how
        self.limit = max(1, os.fstat(file.fileno()).st_size // 2)
        self.sent = 0

    def more(self):
        if self.sent >= self.limit:
            if self.how == "drop":
                raise _FileReadWriteError(OSError("connection dropped on purpose"))
            self.handler.stalled = True
            return b"\0"  # never delivered: the data channel stops writing
        data = self.inner.more()[: self.limit - self.sent]
        self.sent += len(data)
        return data


class StallingDTPHandler(DTPHandler):
    def use_sendfile(self):
        if getattr(self.cmd_channel, "misbehaving", False):
            return False
        return super().use_sendfile()

    def writable(self):
        if getattr(self.cmd_channel, "stalled", False):
            return False
        return super().writable()


class TestHandler(FTPHandler):
    dtp_handler = StallingDTPHandler
    banner = "velmora test server ready."

    def ftp_SIZE(self, path):
        if os.path.basename(path).startswith("nosize-"):
            self.respond("550 Not sized here.")
            return None
        return super().ftp_SIZE(path)

    def ftp_RETR(self, file):
        name = os.path.basename(file)
        how = "drop" if name.startswith("drop-") else "stall" if name.startswith("stall-") else None
        self.misbehaving = how is not None
        if how is None:
            return super().ftp_RETR(file)
        self._restart_position = 0
        try:
            fd = self.run_as_current_user(self.fs.open, file, "rb")
        except OSError as err:
            self.respond("550 %s." % err.strerror)
            return None
        producer = MisbehavingProducer(fd, self._current_type, self, how)
        self.push_dtp_data(producer, isproducer=True, file=fd, cmd="RETR")
        return file


def serve_silently(sock):
    held = []
    while True:
        conn, _ = sock.accept()
        held.append(conn)  # kept open, never answered


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", help="folder the users see as /")
    parser.add_argument("--user", action="append", default=[],
                        help="name:password[:permissions] (default permissions: all)")
    parser.add_argument("--anonymous", action="store_true")
    parser.add_argument("--tls", metavar="PEM", help="certificate and key: explicit TLS")
    parser.add_argument("--silent", action="store_true")
    args = parser.parse_args()

    if args.silent:
        sock = socket.socket()
        sock.bind((HOST, 0))
        sock.listen(16)
        print("PORT %d" % sock.getsockname()[1], flush=True)
        serve_silently(sock)
        return

    authorizer = DummyAuthorizer()
    for spec in args.user:
        parts = spec.split(":")
        perm = parts[2] if len(parts) > 2 else "elradfmwMT"
        authorizer.add_user(parts[0], parts[1], args.root, perm=perm)
    if args.anonymous:
        authorizer.add_anonymous(args.root)

    handler = TestHandler
    if args.tls:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

        class EagerTlsDTPHandler(TLS_DTPHandler):
            # Clients that connect the data channel before the transfer command start
            # the handshake at once; pyftpdlib would take that early read for a hang-up.
            def readable(self):
                if self._ssl_accepting:
                    return True
                return super().readable()

        class TlsTestHandler(TLS_FTPHandler, TestHandler):
            dtp_handler = EagerTlsDTPHandler
            certfile = args.tls
            tls_control_required = True
            tls_data_required = True

        handler = TlsTestHandler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0.2  # the wrong-password tests need not wait 3 s
    handler.permit_foreign_addresses = False

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    server = FTPServer((HOST, 0), handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
