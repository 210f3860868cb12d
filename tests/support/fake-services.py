#!/usr/bin/env python3
"""The titles and lyrics services in small, on 127.0.0.1, for tests that run the program
or the tool: answers in the shapes of MusicBrainz's web service 2 (disc id look-up) and
LRCLIB's API (get, search), taken from a folder the test fills.

Usage: fake-services.py FOLDER PORTFILE LOGFILE
  FOLDER/discid/ID.json   the answer to /ws/2/discid/ID (else 404 as the service says it)
  FOLDER/lrclib.json      the records /api/get and /api/search choose from
  FOLDER/status           when present, every request is answered with this status
The port is written to PORTFILE once the server listens; each request is logged to
LOGFILE as "PATH?QUERY<TAB>USER-AGENT". The server ends on SIGTERM."""
import json
import os
import sys
import urllib.parse
from http.server import BaseHTTPRequestHandler, HTTPServer

folder, portfile, logfile = sys.argv[1:4]


def records():
    try:
        with open(os.path.join(folder, 'lrclib.json'), encoding='utf-8') as f:
            return json.load(f)
    except FileNotFoundError:
        return []


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send(self, status, value):
        body = json.dumps(value, ensure_ascii=False).encode('utf-8')
        self.send_response(status)
        self.send_header('Content-Type', 'application/json')
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        with open(logfile, 'a', encoding='utf-8') as log:
            log.write('%s\t%s\n' % (urllib.parse.unquote(self.path), self.headers.get('User-Agent', '')))
        url = urllib.parse.urlsplit(self.path)
        query = {k: v[0] for k, v in urllib.parse.parse_qs(url.query, keep_blank_values=True).items()}
        status = os.path.join(folder, 'status')
        if os.path.exists(status):
            with open(status) as f:
                return self.send(int(f.read().strip()), {'error': 'busy'})
        if url.path.startswith('/ws/2/discid/'):
            name = os.path.join(folder, 'discid', os.path.basename(url.path) + '.json')
            if not os.path.exists(name):
                return self.send(404, {'error': 'Not Found', 'help': 'For usage, please see: https://musicbrainz.org/development/mmd'})
            with open(name, encoding='utf-8') as f:
                return self.send(200, json.load(f))
        track = query.get('track_name', '').casefold()
        artist = query.get('artist_name', '').casefold()
        if url.path == '/api/get':
            duration = float(query.get('duration', '0') or 0)
            for r in records():
                if (r['trackName'].casefold() == track and r['artistName'].casefold() == artist
                        and abs(r['duration'] - duration) <= 2):
                    return self.send(200, r)
            return self.send(404, {'code': 404, 'name': 'TrackNotFound', 'message': 'Failed to find specified track'})
        if url.path == '/api/search':
            # The service searches loosely: by the title alone here.
            return self.send(200, [r for r in records() if track in r['trackName'].casefold()])
        self.send(404, {'error': 'Not Found'})


server = HTTPServer(('127.0.0.1', 0), Handler)
with open(portfile + '.new', 'w') as f:
    f.write(str(server.server_address[1]))
os.rename(portfile + '.new', portfile)
server.serve_forever()
