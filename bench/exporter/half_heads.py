#!/usr/bin/python3
"""A flood of half-sent request heads, loopback only, for exporter_figures.sh.

Usage: half_heads.py HOST PORT HEADS SECONDS
HEADS connections from 127.0.68.1 to 127.0.68.10 each send the start of a request head and nothing more,
and connect again as soon as the server answers (408) or closes them. Once all have connected, "connected"
goes to standard error; after SECONDS everything closes and the counts of what the connections met are
printed.
"""
import asyncio
import collections
import sys

PART = b"GET /metrics HTTP/1.1\r\nHost: flood\r\n"
counts = collections.Counter()


async def half_head(host, port, index, stop):
    while not stop.is_set():
        try:
            reader, writer = await asyncio.open_connection(host, port, local_addr=("127.0.68.%d" % (index % 10 + 1), 0))
        except OSError:
            counts["flood connect failed"] += 1
            await asyncio.sleep(0.1)
            continue
        counts["flood connections"] += 1
        try:
            writer.write(PART)
            await writer.drain()
            closing = asyncio.ensure_future(reader.read(64))
            stopping = asyncio.ensure_future(stop.wait())
            done, _ = await asyncio.wait({closing, stopping}, return_when=asyncio.FIRST_COMPLETED)
            if closing in done:
                answer = closing.result()
                counts["flood " + (answer.split(b" ")[1].decode() if answer else "closed")] += 1
            closing.cancel()
            stopping.cancel()
        except (OSError, IndexError):
            counts["flood reset"] += 1
        finally:
            writer.close()


async def main():
    host, port, heads, seconds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
    stop = asyncio.Event()
    tasks = []
    for n in range(heads):
        tasks.append(asyncio.ensure_future(half_head(host, port, n, stop)))
        if n % 500 == 499:
            await asyncio.sleep(0.05)
    while counts["flood connections"] < heads:
        await asyncio.sleep(0.05)
    print("connected", file=sys.stderr, flush=True)
    await asyncio.sleep(seconds)
    stop.set()
    await asyncio.wait(tasks, timeout=10)
    for name in sorted(counts):
        print("%s: %d" % (name, counts[name]))


asyncio.run(main())
