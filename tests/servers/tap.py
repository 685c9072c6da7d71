#!/usr/bin/python3
"""A recording relay for tests: listens on 127.0.0.1, passes every
connection on to 127.0.0.1:--to, and appends what the client sends to
--record, so a test can see what crossed the wire.

Prints "PORT <n>" on stdout once it listens, then relays until terminated.
"""
import argparse
import socket
import threading


def pump(source, target, record=None):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            if record is not None:
                with open(record, "ab") as f:
                    f.write(data)
            target.sendall(data)
    except OSError:
        pass
    finally:
        for s in (source, target):
            try:
                s.shutdown(socket.SHUT_WR)
            except OSError:
                pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--to", type=int, required=True)
    parser.add_argument("--record", required=True)
    args = parser.parse_args()
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        server = socket.create_connection(("127.0.0.1", args.to))
        threading.Thread(target=pump, args=(client, server, args.record), daemon=True).start()
        threading.Thread(target=pump, args=(server, client), daemon=True).start()


if __name__ == "__main__":
    main()
