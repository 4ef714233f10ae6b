#!/usr/bin/env python3
"""Serves the built web page (build-web/site) on the loopback address.

    python3 scripts/web_serve.py [--port 8080] [--dir build-web/site]

Every answer says "no-cache" so a new build is seen on the next load (the
service worker keeps the offline copy), and WebAssembly and the manifest get
their proper types.
"""
import argparse
import functools
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".webmanifest": "application/manifest+json",
        ".svg": "image/svg+xml",
    }

    def end_headers(self):
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, format, *args):
        if os.environ.get("M5_WEB_QUIET") != "1":
            super().log_message(format, *args)


def main():
    parser = argparse.ArgumentParser(description="Serve the m5emu web page.")
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--dir", default=os.path.join(os.path.dirname(__file__), "..", "build-web", "site"))
    args = parser.parse_args()
    if not os.path.isfile(os.path.join(args.dir, "index.html")):
        print(f"web_serve.py: no built site in '{args.dir}' (run scripts/web.sh --build-only)", file=sys.stderr)
        return 2
    handler = functools.partial(Handler, directory=args.dir)
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    except OSError as e:
        print(f"web_serve.py: cannot serve on 127.0.0.1:{args.port}: {e.strerror}", file=sys.stderr)
        return 1
    print(f"Serving the emulator at http://127.0.0.1:{args.port}/ (Control-C stops)", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
