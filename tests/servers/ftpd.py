#!/usr/bin/python3
"""A real FTP server for tests and the demo: pyftpdlib on 127.0.0.1.

Prints "PORT <n>" on stdout once it listens (use --port 0 for a free port),
then serves until it is terminated.
"""
import argparse
import codecs
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
from OpenSSL._util import lib as ssl_lib  # SSL_session_reused, which pyOpenSSL does not wrap
from pyftpdlib.handlers import asynchat  # the module pyftpdlib itself pushes with
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="tester")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--host", default="127.0.0.1", help="127.0.0.1, or ::1 for IPv6")
    parser.add_argument("--encoding", default="gbk",
                        help="file-name encoding on the wire")
    parser.add_argument("--log", action="store_true")
    parser.add_argument("--throttle", type=int, default=0,
                        help="bytes per second on data connections (0: no limit)")
    parser.add_argument("--strict-rest", action="store_true",
                        help="refuse REST in ASCII mode, as stock pyftpdlib does")
    parser.add_argument("--refuse-passive", action="store_true",
                        help="answer PASV and EPSV with 502")
    parser.add_argument("--refuse-active", action="store_true",
                        help="answer PORT and EPRT with 502")
    parser.add_argument("--no-epsv", action="store_true",
                        help="neither list nor take EPSV, as older servers do")
    parser.add_argument("--masquerade",
                        help="the address PASV replies name instead of the server's own")
    parser.add_argument("--tls-cert", help="PEM certificate: offer AUTH TLS")
    parser.add_argument("--tls-key", help="PEM key of --tls-cert")
    parser.add_argument("--tls-required", action="store_true",
                        help="no login and no data connection without TLS")
    parser.add_argument("--require-reuse", action="store_true",
                        help="refuse a data connection that does not resume the TLS session"
                             " of its control connection, as vsftpd does by default")
    parser.add_argument("--refuse-prot", action="store_true",
                        help="answer PROT P with 536: data connections stay unencrypted")
    parser.add_argument("--cut-handshake", action="store_true",
                        help="answer AUTH TLS, then hang up in the middle of the handshake")
    parser.add_argument("--stall-handshake", action="store_true",
                        help="answer AUTH TLS, send half a record and then nothing more")
    parser.add_argument("--cut-after", type=int, default=0,
                        help="hang up the control connection after this many files were sent")
    parser.add_argument("--stall-first-range", action="store_true",
                        help="answer the first RETR after a REST above 0 with 150 and then"
                             " send nothing, as a server that loses a data connection does")
    parser.add_argument("--stock", action="store_true",
                        help="pyftpdlib's own handler as it comes (UTF-8, REST only in binary"
                             " mode); only --throttle applies besides")
    args = parser.parse_args()

    logging.basicConfig(level=logging.INFO if args.log else logging.WARNING,
                        stream=sys.stderr)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    if args.stock:
        return serve_stock(args, authorizer)

    encoding = args.encoding

    # Names pass byte for byte: bytes that are no text in the wire encoding
    # come and go as they are (surrogate escapes); a character the wire
    # encoding cannot hold becomes "?".
    def wire_errors(err):
        if isinstance(err, UnicodeEncodeError):
            text = err.object[err.start:err.end]
            if all(0xDC80 <= ord(c) <= 0xDCFF for c in text):
                return codecs.lookup_error("surrogateescape")(err)
            return ("?" * (err.end - err.start), err.end)
        return codecs.lookup_error("surrogateescape")(err)
    codecs.register_error("wire", wire_errors)

    class WireFS(AbstractedFS):
        # Listings leave pyftpdlib as UTF-8; put them in the wire encoding.
        def format_list(self, basedir, listing, ignore_err=True):
            for line in AbstractedFS.format_list(self, basedir, listing, ignore_err):
                yield line.decode("utf8", "surrogateescape").encode(encoding, "wire")

    Base = TLS_FTPHandler if args.tls_cert else FTPHandler

    class Handler(Base):
        abstracted_fs = WireFS

        # pyftpdlib reads and writes the control connection as UTF-8 only.
        def decode(self, data):
            return data.decode(encoding, self.unicode_errors)

        def push(self, s):
            asynchat.async_chat.push(self, s.encode(encoding, "wire"))

        def ftp_FEAT(self, line):
            # pyftpdlib lists UTF8 whatever it speaks; a server in another
            # encoding does not.
            pushed = []
            self.push = pushed.append
            try:
                Base.ftp_FEAT(self, line)
            finally:
                del self.push
            text = "".join(pushed)
            if encoding.lower().replace("-", "") != "utf8":
                text = text.replace(" UTF8\r\n", "")
            if args.no_epsv:
                text = text.replace(" EPSV\r\n", "")
            self.push(text)

        def ftp_AUTH(self, line):
            if not (args.cut_handshake or args.stall_handshake):
                return Base.ftp_AUTH(self, line)
            self.respond("234 AUTH TLS successful.")
            self.cut_after_hello = True

        def handle_read(self):
            if getattr(self, "cut_after_hello", False):
                # The client's hello is in: half a record header back, then
                # the connection goes, or stays and says nothing.
                self.socket.recv(65536)
                self.socket.send(b"\x16\x03\x03")
                if args.stall_handshake:
                    self.cut_after_hello = False
                    self.stalled = True
                    return
                return self.close()
            if getattr(self, "stalled", False):
                self.socket.recv(65536)
                return
            return Base.handle_read(self)

        def on_file_sent(self, file):
            self.files_sent = getattr(self, "files_sent", 0) + 1
            if args.cut_after and self.files_sent >= args.cut_after:
                # The "226" goes out first: the cut comes between two files.
                self.close_when_done()
            return Base.on_file_sent(self, file)

        def ftp_RETR(self, file):
            if args.stall_first_range and self._restart_position > 0 and \
                    not getattr(Handler, "range_stalled", False):
                Handler.range_stalled = True
                self.respond("150 File status okay. About to open data connection.")
                return
            return Base.ftp_RETR(self, file)

        def ftp_REST(self, line):
            # Most servers (vsftpd, proftpd) accept "REST 0" in any type;
            # stock pyftpdlib only after "TYPE I".
            if not args.strict_rest and self._current_type == "a":
                self._current_type = "i"
                try:
                    return Base.ftp_REST(self, line)
                finally:
                    self._current_type = "a"
            return Base.ftp_REST(self, line)

    # Commands the switches make the server refuse, and how; the first
    # refusal that applies answers.
    refusals = [
        ("EPSV", args.no_epsv, "500 Command \"EPSV\" not understood."),
        ("PASV", args.refuse_passive, "502 Passive mode not allowed."),
        ("EPSV", args.refuse_passive, "502 Passive mode not allowed."),
        ("PORT", args.refuse_active, "502 Active mode not allowed."),
        ("EPRT", args.refuse_active, "502 Active mode not allowed."),
        ("PROT", args.refuse_prot, "536 PROT P not accepted here."),
    ]

    def refusing(command, standard):
        replies = [reply for name, on, reply in refusals if name == command and on]

        def handle(self, line):
            if replies:
                return self.respond(replies[0])
            return standard(self, line)
        return handle

    for command in {name for name, _, _ in refusals}:
        standard = getattr(Base, "ftp_" + command, None)  # PROT: TLS only
        if standard:
            setattr(Handler, "ftp_" + command, refusing(command, standard))

    if args.tls_cert:
        class ReuseChecked(TLS_DTPHandler):
            def handle_ssl_established(self):
                if args.require_reuse and not ssl_lib.SSL_session_reused(self.socket._ssl):
                    self.cmd_channel.respond("522 SSL connection failed: session reuse required")
                    return self.close()
                return TLS_DTPHandler.handle_ssl_established(self)
        Handler.dtp_handler = ReuseChecked
        Handler.certfile = args.tls_cert
        Handler.keyfile = args.tls_key
        Handler.tls_control_required = args.tls_required
        Handler.tls_data_required = args.tls_required
    if args.throttle:
        # Encrypted data connections are throttled the same way.
        data_bases = (Handler.dtp_handler, ThrottledDTPHandler) if args.tls_cert \
            else (ThrottledDTPHandler,)

        class Throttled(*data_bases):
            read_limit = args.throttle
            write_limit = args.throttle
        Handler.dtp_handler = Throttled
        # sendfile() hands the file to the kernel past the throttle.
        Handler.use_sendfile = False
    Handler.authorizer = authorizer
    Handler.encoding = args.encoding
    Handler.unicode_errors = "surrogateescape"
    Handler.banner = "corvane test server ready."
    if args.masquerade:
        Handler.masquerade_address = args.masquerade
    serve(args, Handler)


def serve(args, handler):
    server = FTPServer((args.host, args.port), handler)
    print("PORT %d" % server.address[1], flush=True)
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()


def serve_stock(args, authorizer):
    # No override of any command: the server as users meet it.
    handler = FTPHandler
    if args.throttle:
        ThrottledDTPHandler.read_limit = args.throttle
        ThrottledDTPHandler.write_limit = args.throttle
        handler.dtp_handler = ThrottledDTPHandler
        handler.use_sendfile = False
    handler.authorizer = authorizer
    serve(args, handler)


if __name__ == "__main__":
    main()
