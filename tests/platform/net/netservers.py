"""Test servers on 127.0.0.1 for the download tests.

  netservers.py http ROOT [USER PASSWORD]
  netservers.py ftp ROOT [USER PASSWORD HOME]

Binds a free port, prints "PORT <n>" and serves until its standard input is
closed (so it never outlives the test that started it).

HTTP paths with a meaning of their own:
  /private/...  needs USER and PASSWORD (basic authentication)
  /stall/NAME   announces 1000000 bytes, sends 10000, then sends nothing more
  /cut/NAME     announces 1000000 bytes, sends 1000, then closes
  /nolength/NAME  the file without a Content-Length
  /status/CODE  replies with that status and a short body
  /partial/, /twolengths/, /loop/, /http09/, /trickle/, /continue/:
                206 to a plain GET, two Content-Lengths, a redirect to itself,
                no status line, header lines or 100 Continue every 50 ms
"""

import base64
import http.server
import os
import sys
import threading
import time


def watch_stdin():
    try:
        while sys.stdin.buffer.read(4096):
            pass
    finally:
        os._exit(0)


def serve_http(root, user, password):
    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=root, **kwargs)

        def log_message(self, *args):
            pass

        def raw(self, code, body, length=None):
            self.send_response(code)
            self.send_header("Content-Type", "application/octet-stream")
            if length is not None:
                self.send_header("Content-Length", str(length))
            self.end_headers()
            self.wfile.write(body)
            self.wfile.flush()

        def do_GET(self):
            path = self.path
            if path.startswith("/private/"):
                expected = "Basic " + base64.b64encode(f"{user}:{password}".encode()).decode()
                if self.headers.get("Authorization") != expected:
                    self.send_response(401)
                    self.send_header("WWW-Authenticate", 'Basic realm="setup"')
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    return
                self.path = path[len("/private"):]
                return super().do_GET()
            if path.startswith("/stall/"):
                self.raw(200, b"s" * 10000, 1000000)
                time.sleep(3600)
                return
            if path.startswith("/cut/"):
                self.raw(200, b"c" * 1000, 1000000)
                self.close_connection = True
                return
            if path.startswith("/nolength/"):
                with open(os.path.join(root, path[len("/nolength/"):]), "rb") as f:
                    self.raw(200, f.read())
                self.close_connection = True
                return
            head = path[: path.find("/", 1) + 1]
            canned = {
                "/partial/": b"HTTP/1.0 206 Partial\r\nContent-Range: bytes 0-9/1000\r\nContent-Length: 10\r\n\r\n" + b"p" * 10,
                "/twolengths/": b"HTTP/1.0 200 OK\r\nContent-Length: 5\r\nContent-Length: 20\r\n\r\n" + b"t" * 20,
                "/loop/": b"HTTP/1.0 302 Found\r\nLocation: %s\r\n\r\n" % path.encode(),
                "/http09/": b"these bytes have no status line\r\n",
                "/trickle/": b"HTTP/1.1 200 OK\r\n" + b"X-Wait: 1\r\n" * 600,
                "/continue/": b"HTTP/1.1 100 Continue\r\n\r\n" * 300,
            }
            if head in canned:
                # Line by line, 50 ms apart: a slow reply for 30 s at most.
                for line in canned[head].splitlines(keepends=True):
                    self.wfile.write(line)
                    self.wfile.flush()
                    time.sleep(0.05 if head in ("/trickle/", "/continue/") else 0)
                self.close_connection = True
                return
            if path.startswith("/status/"):
                body = b"status body 404 text"
                self.raw(int(path[len("/status/"):]), body, len(body))
                return
            return super().do_GET()

    class Server(http.server.ThreadingHTTPServer):
        daemon_threads = True

        def handle_error(self, request, client_address):
            pass  # a client that hangs up early (an aborted download) is expected

    server = Server(("127.0.0.1", 0), Handler)
    print("PORT", server.server_address[1], flush=True)
    server.serve_forever()


def serve_ftp(root, user, password, home):
    import logging
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.log import config_logging
    from pyftpdlib.servers import FTPServer

    config_logging(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root)
    if user:
        authorizer.add_user(user, password, home, perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0.1
    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT", server.socket.getsockname()[1], flush=True)
    server.serve_forever()


def main():
    threading.Thread(target=watch_stdin, daemon=True).start()
    kind, root = sys.argv[1], sys.argv[2]
    extra = sys.argv[3:]
    if kind == "http":
        serve_http(root, *(extra + ["", ""])[:2])
    else:
        serve_ftp(root, *(extra + ["", "", root])[:3])


if __name__ == "__main__":
    main()
