#!/usr/bin/python3
"""A real FTP server on 127.0.0.1 for the tests, over pyftpdlib.

Run with Debian's /usr/bin/python3 (it carries python3-pyftpdlib). It listens on the port
given (0: a free port chosen by the system), then prints "PORT <number>" on its standard
output. It stops when its standard input reaches its end, so it never outlives the test
program that started it.

  --user NAME:PASSWORD:HOME   an account (repeatable); HOME is a folder, full write rights
  --log FILE                  appends one line per event: "connect", "login NAME",
                              "login-failed NAME", "quit", "disconnect"
  --no-mlsd                   behaves like servers without MLSD/MLST (vsftpd): listings come
                              from LIST only
  --silent                    accepts connections and never answers (time-out tests)
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
            self.use_gmt_times = False
            yield from AbstractedFS.format_list(self, *a, **k)

        def format_mlsx(self, *a, **k):
            self.use_gmt_times = True
            yield from AbstractedFS.format_mlsx(self, *a, **k)

    class Handler(FTPHandler):
        abstracted_fs = ServerTimesFS

        def on_connect(self):
            log("connect")

        def on_disconnect(self):
            log("disconnect")

        def on_login(self, username):
            log("login " + username)

        def on_login_failed(self, username, password):
            log("login-failed " + username)

        def ftp_QUIT(self, line):
            log("quit")
            return FTPHandler.ftp_QUIT(self, line)

    if args.no_mlsd:
        Handler.proto_cmds = {
            k: v for k, v in FTPHandler.proto_cmds.items() if k not in ("MLSD", "MLST")
        }

    authorizer = DummyAuthorizer()
    for spec in args.user:
        name, password, home = spec.split(":", 2)
        authorizer.add_user(name, password, home, perm="elradfmwMT")
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
    parser.add_argument("--silent", action="store_true")
    args = parser.parse_args()

    threading.Thread(target=watch_stdin, daemon=True).start()
    if args.silent:
        run_silent(args.port)
    else:
        run_ftp(args)


if __name__ == "__main__":
    main()
