#!/usr/bin/env python3
"""Load on the web view for the CPU benchmark: event-stream readers and a steady rate of
requests, for a number of seconds.

    web_load.py PORT SECONDS [STREAMS] [RATE]

STREAMS clients (default 3) hold /api/v1/stream open and count the events they read; one more
thread asks RATE requests a second (default 10) in turn for /api/v1/live, /metrics and /. Prints
one line: requests answered with their statuses per path, the slowest answer, events read. Exits
non-zero when an answer is a server error or a stream ends early.
"""
import http.client
import sys
import threading
import time

port = int(sys.argv[1])
seconds = float(sys.argv[2])
streams = int(sys.argv[3]) if len(sys.argv) > 3 else 3
rate = float(sys.argv[4]) if len(sys.argv) > 4 else 10.0
paths = ["/api/v1/live", "/metrics", "/"]
stop = time.monotonic() + seconds
events = [0] * streams
failures = []


def read_stream(index):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    connection.request("GET", "/api/v1/stream")
    response = connection.getresponse()
    if response.status != 200:
        failures.append(f"stream {index}: status {response.status}")
        return
    while time.monotonic() < stop:
        line = response.fp.readline()
        if not line:
            failures.append(f"stream {index} ended early")
            return
        if line.startswith(b"event: "):
            events[index] += 1
    connection.close()


readers = [threading.Thread(target=read_stream, args=(i,), daemon=True) for i in range(streams)]
for reader in readers:
    reader.start()

connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
answered = 0
statuses = {path: {} for path in paths}
slowest = 0.0
next_at = time.monotonic()
while time.monotonic() < stop:
    path = paths[answered % len(paths)]
    began = time.monotonic()
    connection.request("GET", path)
    response = connection.getresponse()
    response.read()
    slowest = max(slowest, time.monotonic() - began)
    statuses[path][response.status] = statuses[path].get(response.status, 0) + 1
    if response.status >= 500:
        failures.append(f"{path}: status {response.status}")
    answered += 1
    next_at += 1.0 / rate
    time.sleep(max(0.0, next_at - time.monotonic()))

for reader in readers:
    reader.join(timeout=35)
print(f"{answered} requests answered {statuses}, slowest {slowest * 1000:.1f} ms; "
      f"events read per stream {events}")
for failure in failures:
    print(failure, file=sys.stderr)
sys.exit(1 if failures else 0)
