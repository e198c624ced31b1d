#!/usr/bin/env python3
"""A small HTTP CONNECT proxy on loopback for the live program's proxy test:
tunnels to 127.0.0.1 only, and logs one line per tunnel ("CONNECT host:port
status") to the file given.

    connect_proxy.py PORT LOGFILE [--to TARGET_PORT]

With --to, every tunnel goes to 127.0.0.1:TARGET_PORT, whatever host and
port it names: the footprint measurement uses that to let a program that
fetches from a fixed internet address reach the local HTTPS fake instead.

Standard library only; runs until terminated.
"""

import select
import socket
import socketserver
import sys
import threading

LOG_LOCK = threading.Lock()


def log(path, line):
    with LOG_LOCK, open(path, "a", encoding="ascii") as handle:
        handle.write(line + "\n")


class Tunnel(socketserver.BaseRequestHandler):
    def handle(self):
        client = self.request
        client.settimeout(10)
        head = b""
        while b"\r\n\r\n" not in head and len(head) < 8192:
            chunk = client.recv(1024)
            if not chunk:
                return
            head += chunk
        request_line = head.split(b"\r\n", 1)[0].decode("ascii", "replace")
        parts = request_line.split()
        if len(parts) != 3 or parts[0] != "CONNECT":
            log(self.server.log_path, f"{request_line} 405")
            client.sendall(b"HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n")
            return
        host, _, port = parts[1].rpartition(":")
        if self.server.target_port is not None and port.isdigit():
            host, port = "127.0.0.1", str(self.server.target_port)
        if host not in ("127.0.0.1", "localhost") or not port.isdigit():
            log(self.server.log_path, f"CONNECT {parts[1]} 403")
            client.sendall(b"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n")
            return
        try:
            upstream = socket.create_connection(("127.0.0.1", int(port)), timeout=10)
        except OSError:
            log(self.server.log_path, f"CONNECT {parts[1]} 502")
            client.sendall(b"HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n")
            return
        log(self.server.log_path, f"CONNECT {parts[1]} 200")
        client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
        rest = head.split(b"\r\n\r\n", 1)[1]
        if rest:
            upstream.sendall(rest)
        sockets = [client, upstream]
        try:
            while True:
                readable, _, _ = select.select(sockets, [], [], 60)
                if not readable:
                    break
                for source in readable:
                    data = source.recv(65536)
                    if not data:
                        return
                    (upstream if source is client else client).sendall(data)
        except OSError:
            pass
        finally:
            upstream.close()


class Proxy(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    port, log_path = int(sys.argv[1]), sys.argv[2]
    target_port = int(sys.argv[4]) if len(sys.argv) == 5 and sys.argv[3] == "--to" else None
    with Proxy(("127.0.0.1", port), Tunnel) as server:
        server.log_path = log_path
        server.target_port = target_port
        print(f"port {port}", flush=True)
        server.serve_forever()


if __name__ == "__main__":
    main()
