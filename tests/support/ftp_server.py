#!/usr/bin/python3
"""A real FTP server on 127.0.0.1 for the tests, over pyftpdlib.

Run with Debian's /usr/bin/python3 (it carries python3-pyftpdlib). It listens on the port
given (0: a free port chosen by the system), then prints "PORT <number>" on its standard
output. It stops when its standard input reaches its end, so it never outlives the test
program that started it.

  --user NAME:PASSWORD:PERM:HOME
                              an account (repeatable): its pyftpdlib rights ("elradfmwMT" for
                              all, "elr" to read only) and its home folder
  --log FILE                  appends one line per event: "connect", "login NAME",
                              "login-failed NAME", "quit", "disconnect"
  --no-mlsd                   behaves like servers without MLSD/MLST (vsftpd): listings come
                              from LIST only
  --mlsd-refused              announces MLST in FEAT but refuses MLSD (500)
  --idle-timeout SECONDS      closes control connections idle that long (default 300)
  --tls CERTFILE              offers AUTH TLS with a self-signed certificate written to
                              CERTFILE, and refuses logins in clear text
  --silent                    accepts connections and never answers (time-out tests)

File names that are not UTF-8 are listed and served with their own bytes, as a Unix server
does. A file whose name ends in ".cut" is sent only half, then reported as complete, as when
a transfer breaks (SIZE still gives its whole size).
"""

import argparse
import logging
import os
import socket
import sys
import threading


def watch_stdin():
    # The parent closes our standard input when it ends, on purpose or not.
    try:
        while sys.stdin.buffer.read(4096):
            pass
    finally:
        os._exit(0)


def announce(port):
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()


def run_silent(port):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(16)
    announce(listener.getsockname()[1])
    held = []
    while True:
        connection, _ = listener.accept()
        held.append(connection)  # kept open, never answered


def make_certificate(path):
    # A self-signed certificate that no client trusts: enough to test that a client refuses
    # it. Key and certificate go in the same file.
    from OpenSSL import crypto

    key = crypto.PKey()
    key.generate_key(crypto.TYPE_RSA, 2048)
    cert = crypto.X509()
    cert.get_subject().CN = "127.0.0.1"
    cert.set_serial_number(1)
    cert.gmtime_adj_notBefore(0)
    cert.gmtime_adj_notAfter(86400)
    cert.set_issuer(cert.get_subject())
    cert.set_pubkey(key)
    cert.sign(key, "sha256")
    with open(path, "wb") as out:
        out.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))
        out.write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))
    return path


def run_ftp(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.filesystems import AbstractedFS
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import FTPServer

    logging.basicConfig(level=logging.WARNING)

    log_lock = threading.Lock()

    def log(event):
        if not args.log:
            return
        with log_lock:
            with open(args.log, "a", encoding="utf-8") as out:
                out.write(event + "\n")

    class ServerTimesFS(AbstractedFS):
        # MLSD gives UTC as it should; LIST gives the server's local time, as most
        # servers do (pyftpdlib would give UTC in both).
        def format_list(self, *a, **k):
            self.cmd_channel.use_gmt_times = False
            yield from AbstractedFS.format_list(self, *a, **k)

        def format_mlsx(self, *a, **k):
            self.cmd_channel.use_gmt_times = True
            yield from AbstractedFS.format_mlsx(self, *a, **k)

    base = FTPHandler
    if args.tls:
        from pyftpdlib.handlers import TLS_FTPHandler

        TLS_FTPHandler.certfile = make_certificate(args.tls)
        TLS_FTPHandler.tls_control_required = True
        TLS_FTPHandler.tls_data_required = True
        base = TLS_FTPHandler

    class Handler(base):
        abstracted_fs = ServerTimesFS
        unicode_errors = "surrogateescape"
        timeout = args.idle_timeout

        def on_connect(self):
            log("connect")

        def on_disconnect(self):
            log("disconnect")

        def on_login(self, username):
            log("login " + username)

        def on_login_failed(self, username, password):
            log("login-failed " + username)

        def ftp_RETR(self, file):
            if not file.endswith(".cut"):
                return base.ftp_RETR(self, file)
            with open(file, "rb") as source:
                data = source.read()
            self.push_dtp_data(data[: len(data) // 2], isproducer=False, cmd="RETR")
            return file

        def ftp_QUIT(self, line):
            log("quit")
            return base.ftp_QUIT(self, line)

    refused = ()
    if args.no_mlsd:
        refused = ("MLSD", "MLST")
    elif args.mlsd_refused:
        refused = ("MLSD",)
    Handler.proto_cmds = {k: v for k, v in base.proto_cmds.items() if k not in refused}

    authorizer = DummyAuthorizer()
    for account in args.user:
        name, password, perm, home = account.split(":", 3)
        authorizer.add_user(name, password, home, perm=perm)
    Handler.authorizer = authorizer
    Handler.banner = "Cordalis test server ready."

    server = FTPServer(("127.0.0.1", args.port), Handler)
    server.max_cons = 256
    announce(server.socket.getsockname()[1])
    server.serve_forever(timeout=0.5, handle_exit=False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", action="append", default=[])
    parser.add_argument("--log")
    parser.add_argument("--no-mlsd", action="store_true")
    parser.add_argument("--mlsd-refused", action="store_true")
    parser.add_argument("--idle-timeout", type=float, default=300)
    parser.add_argument("--tls")
    parser.add_argument("--silent", action="store_true")
    args = parser.parse_args()

    threading.Thread(target=watch_stdin, daemon=True).start()
    if args.silent:
        run_silent(args.port)
    else:
        run_ftp(args)


if __name__ == "__main__":
    main()
