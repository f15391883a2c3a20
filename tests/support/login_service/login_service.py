#!/usr/bin/env python3
"""A local HTTPS login service for the tests: runs a command while it serves on 127.0.0.1.

Usage: login_service.py [--wine] -- COMMAND [ARGS...]

It makes a test certificate authority, its revocation list (served over plain HTTP on 127.0.0.1,
where the certificates say it is) and three server certificates with openssl in a temporary
folder, serves HTTPS on four ports of 127.0.0.1 (two with a certificate of that authority, for the
names "localhost" and "127.0.0.1"; one with a certificate of that authority that it has revoked;
one with a self-signed certificate that nobody trusts), listens on two more ports without ever
answering, runs COMMAND with these variables set, and exits with COMMAND's exit code:

  TARVIO_TEST_LOGIN_SERVICE        the folder (as a Windows path on drive Z: with --wine)
  TARVIO_TEST_LOGIN_PORT           the trusted port
  TARVIO_TEST_LOGIN_OTHER_PORT     another trusted port: the same service, as another origin
  TARVIO_TEST_LOGIN_ROGUE_PORT     the port whose certificate is not trusted
  TARVIO_TEST_LOGIN_REVOKED_PORT   the port whose certificate its authority has revoked
  TARVIO_TEST_LOGIN_LISTENER_PORT  plain TCP: records what arrives, answers nothing, and closes the
                                   connection once a request (head and body) has arrived, or after
                                   2 s without data
  TARVIO_TEST_LOGIN_SILENT_PORT    plain TCP: accepts connections and then sends nothing, ever
  TARVIO_TEST_LOGIN_PROXY_PORT     an HTTP proxy to 127.0.0.1 (CONNECT and plain requests)

With --wine the authority is also added to the trusted roots of the current WINEPREFIX (and only
there); without it the test hands ca.pem to its HTTP client itself.

The folder holds ca.pem and ca.der, and two folders the tests use:
  answers/N   what to answer to the N-th request (1, 2, ...); missing: the highest-numbered answer,
              or 200 with "{}" when there is none. A text of lines, then the body after a line "body":
                status 200 OK
                header Name: value        (any number)
                delay 2.5                 (seconds to wait before answering)
                trickle 0.3               (after the head, send the body one byte at a time, with
                                           this many seconds before each byte)
                close                     (close the connection without an answer)
                body
                ...bytes to the end of the file...
  requests/N  every request as received: request line, header lines in their order and letter
              case, a blank line, the body bytes; written before the answer is sent.
  listener/N  the bytes of the N-th connection to the listener port, as they arrive (the file is
              made when the connection is accepted).
  silent/N    made when the silent port accepts its N-th connection.
  proxy/N     the request line of the N-th request to the proxy ("CONNECT localhost:1234 HTTP/1.1",
              "GET http://127.0.0.1:4321/ca.crl HTTP/1.1").
A test clears these folders before it begins.
"""
import hashlib
import http.server
import os
import shutil
import socket
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time

lock = threading.Lock()


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_certificates(folder, crl_url):
    """The authority, the server certificate and a revoked one (both naming crl_url as the place of
    the authority's revocation list), the list, and a self-signed certificate."""
    ext = os.path.join(folder, "server.ext")
    with open(ext, "w") as f:
        f.write("basicConstraints=CA:FALSE\n"
                "keyUsage=digitalSignature,keyEncipherment\n"
                "extendedKeyUsage=serverAuth\n"
                # Wine does not match IP addresses against IP entries, so the name is there too.
                "subjectAltName=DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1\n"
                # WinHTTP checks revocation; Wine fails a certificate that names no list.
                "crlDistributionPoints=URI:" + crl_url + "\n")
    with open(os.path.join(folder, "ca.cnf"), "w") as f:
        f.write("[ca]\ndefault_ca = test\n[test]\ndatabase = index.txt\ncrlnumber = crlnumber\n"
                "certificate = ca.pem\nprivate_key = ca.key\ndefault_md = sha256\ndefault_crl_days = 2\n")
    open(os.path.join(folder, "index.txt"), "w").close()
    with open(os.path.join(folder, "crlnumber"), "w") as f:
        f.write("01\n")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
            "-subj", "/CN=Tarvio Test Authority", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)
    openssl("x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der", cwd=folder)
    for name in ("server", "revoked"):
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".csr",
                "-subj", "/CN=localhost", cwd=folder)
        openssl("x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                "-out", name + ".pem", "-days", "2", "-extfile", "server.ext", cwd=folder)
    openssl("ca", "-config", "ca.cnf", "-revoke", "revoked.pem", cwd=folder)
    openssl("ca", "-config", "ca.cnf", "-gencrl", "-out", "ca.crl.pem", cwd=folder)
    openssl("crl", "-in", "ca.crl.pem", "-outform", "DER", "-out", "ca.crl", cwd=folder)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "rogue.key", "-out", "rogue.pem",
            "-days", "2", "-subj", "/CN=localhost",
            "-addext", "subjectAltName=DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1", cwd=folder)


def serve_revocation_list(folder):
    """Plain HTTP on 127.0.0.1 that hands out the authority's revocation list (ca.crl); its URL."""
    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def do_GET(self):
            path = os.path.join(folder, "ca.crl")
            data = open(path, "rb").read() if os.path.exists(path) else b""
            self.send_response(200 if data else 404)
            self.send_header("Content-Type", "application/pkix-crl")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return "http://127.0.0.1:%d/ca.crl" % server.server_address[1]


def read_answer(folder, number):
    answers = os.path.join(folder, "answers")
    names = sorted((int(n) for n in os.listdir(answers) if n.isdigit()), reverse=False) if os.path.isdir(answers) else []
    chosen = number if number in names else (names[-1] if names else None)
    answer = {"status": 200, "reason": "OK", "headers": [("Content-Type", "application/json")], "body": b"{}",
              "delay": 0.0, "trickle": 0.0, "close": False}
    if chosen is None:
        return answer
    with open(os.path.join(answers, str(chosen)), "rb") as f:
        data = f.read()
    answer["headers"] = []
    head, _, body = data.partition(b"\nbody\n")
    if not _ and data.startswith(b"body\n"):
        head, body = b"", data[5:]
    answer["body"] = body
    for line in head.decode("utf-8").splitlines():
        word, _, rest = line.partition(" ")
        if word == "status":
            code, _, reason = rest.partition(" ")
            answer["status"], answer["reason"] = int(code), reason
        elif word == "header":
            name, _, value = rest.partition(": ")
            answer["headers"].append((name, value))
        elif word == "delay":
            answer["delay"] = float(rest)
        elif word == "trickle":
            answer["trickle"] = float(rest)
        elif word == "close":
            answer["close"] = True
    return answer


def make_handler(folder):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def handle_any(self):
            length = int(self.headers.get("Content-Length", "0") or 0)
            body = self.rfile.read(length) if length else b""
            requests = os.path.join(folder, "requests")
            with lock:
                os.makedirs(requests, exist_ok=True)
                number = len([n for n in os.listdir(requests) if n.isdigit()]) + 1
                record = self.requestline + "\r\n" + "".join(f"{n}: {v}\r\n" for n, v in self.headers.items()) + "\r\n"
                with open(os.path.join(requests, str(number)), "wb") as f:
                    f.write(record.encode("latin-1") + body)
            answer = read_answer(folder, number)
            if answer["delay"]:
                time.sleep(answer["delay"])
            if answer["close"]:
                self.close_connection = True
                return
            self.send_response(answer["status"], answer["reason"])
            for name, value in answer["headers"]:
                self.send_header(name, value)
            self.send_header("Content-Length", str(len(answer["body"])))
            self.end_headers()
            if not answer["trickle"]:
                self.wfile.write(answer["body"])
                return
            self.wfile.flush()
            for i in range(len(answer["body"])):
                time.sleep(answer["trickle"])
                self.wfile.write(answer["body"][i:i + 1])
                self.wfile.flush()

        do_POST = do_GET = do_PUT = handle_any

    return Handler


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # refused handshakes and clients that gave up are part of the tests


def serve(folder, cert, key):
    server = Server(("127.0.0.1", 0), make_handler(folder))
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(folder, cert), os.path.join(folder, key))
    # The handshake happens in the request's own thread, so a refused one never stalls the others.
    server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def next_record(folder, sub):
    """Makes folder/sub/N for the next N and returns its path."""
    with lock:
        records = os.path.join(folder, sub)
        os.makedirs(records, exist_ok=True)
        path = os.path.join(records, str(len([n for n in os.listdir(records) if n.isdigit()]) + 1))
        open(path, "wb").close()
        return path


def request_complete(data):
    head, found, body = data.partition(b"\r\n\r\n")
    if not found:
        return False
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            return len(body) >= int(value.strip() or 0)
    return True


def listen(folder, sub, hold):
    """A plain TCP port that never answers. Each connection's bytes go to folder/sub/N as they
    arrive. With hold the connection stays open until the client closes it; otherwise it is closed
    once a whole request has arrived, or after 2 s without data."""
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(16)

    def serve_one(connection):
        path = next_record(folder, sub)
        data = b""
        with connection:
            connection.settimeout(None if hold else 2.0)
            while True:
                try:
                    chunk = connection.recv(65536)
                except (socket.timeout, OSError):
                    break
                if not chunk:
                    break
                data += chunk
                with open(path, "ab") as f:
                    f.write(chunk)
                if not hold and request_complete(data):
                    break

    def accept_all():
        while True:
            connection, _ = server.accept()
            threading.Thread(target=serve_one, args=(connection,), daemon=True).start()

    threading.Thread(target=accept_all, daemon=True).start()
    return server.getsockname()[1]


def serve_proxy(folder):
    """An HTTP proxy on 127.0.0.1 that tunnels CONNECT requests and passes plain requests on, both
    to 127.0.0.1 only, and records each request line in folder/proxy/N."""
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(16)

    def pump(source, target):
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                target.sendall(data)
        except OSError:
            pass
        finally:
            for s in (source, target):
                try:
                    s.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass

    def serve_one(client):
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = client.recv(65536)
            if not chunk:
                client.close()
                return
            head += chunk
        line = head.split(b"\r\n", 1)[0]
        with open(next_record(folder, "proxy"), "wb") as f:
            f.write(line)
        words = line.split()
        connect = len(words) == 3 and words[0] == b"CONNECT"
        # A plain request names its target in full: "GET http://127.0.0.1:1234/ca.crl HTTP/1.1".
        plain = len(words) == 3 and words[1].startswith(b"http://")
        address = words[1] if connect else words[1][7:].split(b"/", 1)[0] if plain else b""
        _, _, port = address.decode("latin-1").rpartition(":")
        try:
            upstream = socket.create_connection(("127.0.0.1", int(port)))
        except (OSError, ValueError):
            client.sendall(b"HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n")
            client.close()
            return
        if connect:
            client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
        else:
            path = b"/" + words[1][7:].split(b"/", 1)[1] if b"/" in words[1][7:] else b"/"
            upstream.sendall(b" ".join([words[0], path, words[2]]) + head[len(line):])
        threading.Thread(target=pump, args=(client, upstream), daemon=True).start()
        pump(upstream, client)

    def accept_all():
        while True:
            client, _ = server.accept()
            threading.Thread(target=serve_one, args=(client,), daemon=True).start()

    threading.Thread(target=accept_all, daemon=True).start()
    return server.getsockname()[1]


def trust_in_wine_prefix(folder):
    """Adds the authority to the Wine prefix's trusted roots (HKLM Root store), nothing else."""
    with open(os.path.join(folder, "ca.der"), "rb") as f:
        der = f.read()
    sha1 = hashlib.sha1(der).digest()
    # Two properties: the SHA-1 hash (id 3) and the encoded certificate (id 0x20).
    blob = struct.pack("<III", 3, 1, 20) + sha1 + struct.pack("<III", 0x20, 1, len(der)) + der
    key = r"HKEY_LOCAL_MACHINE\Software\Microsoft\SystemCertificates\Root\Certificates" + "\\" + sha1.hex().upper()
    reg = os.path.join(folder, "ca.reg")
    with open(reg, "w", newline="\r\n") as f:
        f.write("REGEDIT4\n\n[" + key + "]\n\"Blob\"=hex:" + ",".join(f"{b:02x}" for b in blob) + "\n")
    # regedit returns once the key is written; the prefix's server may be persistent, so there is
    # no waiting for it to end.
    subprocess.run(["wine", "regedit", "/S", windows_path(reg)], check=True)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    args = sys.argv[1:]
    wine = False
    if args and args[0] == "--wine":
        wine, args = True, args[1:]
    if args and args[0] == "--":
        args = args[1:]
    if not args:
        sys.exit(__doc__)
    folder = tempfile.mkdtemp(prefix="tarvio-login-")
    try:
        make_certificates(folder, serve_revocation_list(folder))
        port = serve(folder, "server.pem", "server.key")
        other_port = serve(folder, "server.pem", "server.key")
        rogue_port = serve(folder, "rogue.pem", "rogue.key")
        revoked_port = serve(folder, "revoked.pem", "revoked.key")
        listener_port = listen(folder, "listener", hold=False)
        silent_port = listen(folder, "silent", hold=True)
        proxy_port = serve_proxy(folder)
        if wine:
            trust_in_wine_prefix(folder)
        env = dict(os.environ)
        env["TARVIO_TEST_LOGIN_SERVICE"] = windows_path(folder) if wine else folder
        env["TARVIO_TEST_LOGIN_PORT"] = str(port)
        env["TARVIO_TEST_LOGIN_OTHER_PORT"] = str(other_port)
        env["TARVIO_TEST_LOGIN_ROGUE_PORT"] = str(rogue_port)
        env["TARVIO_TEST_LOGIN_REVOKED_PORT"] = str(revoked_port)
        env["TARVIO_TEST_LOGIN_LISTENER_PORT"] = str(listener_port)
        env["TARVIO_TEST_LOGIN_SILENT_PORT"] = str(silent_port)
        env["TARVIO_TEST_LOGIN_PROXY_PORT"] = str(proxy_port)
        return subprocess.run(args, env=env).returncode
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
