#!/usr/bin/python3
"""Slow and idle clients of an HTTP server, loopback only, for exporter_figures.sh.

Usage: slow_clients.py HOST PORT TRICKLE IDLE SECONDS
TRICKLE connections send a request head one byte every 2 s, from 127.0.66.1 to 127.0.66.10, and connect
again whenever the server answers or closes; IDLE connections connect and send nothing, from 127.0.67.1 to
127.0.67.10 (the server's limit per client address is 2,048). After SECONDS every connection is closed and
the counts are printed: connections made, refused at once, and answers by status. Once every idle
connection has been tried, "connected" goes to standard error.
"""
import asyncio
import collections
import sys

HEAD = b"GET /metrics HTTP/1.1\r\nHost: bench\r\nX-Slow: " + b"a" * 200 + b"\r\n\r\n"
counts = collections.Counter()


def source(kind, index):
    return "127.0.%d.%d" % (66 if kind == "trickle" else 67, index % 10 + 1)


async def trickle(host, port, index, stop):
    while not stop.is_set():
        try:
            reader, writer = await asyncio.open_connection(host, port, local_addr=(source("trickle", index), 0))
        except OSError:
            counts["trickle connect failed"] += 1
            await asyncio.sleep(1)
            continue
        counts["trickle connections"] += 1
        try:
            for byte in HEAD:
                writer.write(bytes([byte]))
                await writer.drain()
                try:
                    answer = await asyncio.wait_for(reader.read(64), 2.0)
                except asyncio.TimeoutError:
                    if stop.is_set():
                        break
                    continue
                counts["trickle " + (answer.split(b" ")[1].decode() if answer else "closed")] += 1
                break
        except (OSError, IndexError):
            counts["trickle reset"] += 1
        finally:
            writer.close()


async def idle(host, port, index, stop):
    try:
        reader, writer = await asyncio.open_connection(host, port, local_addr=(source("idle", index), 0))
    except OSError:
        counts["idle connect failed"] += 1
        return
    counts["idle connections"] += 1
    closing = asyncio.ensure_future(reader.read(1))
    stopping = asyncio.ensure_future(stop.wait())
    done, _ = await asyncio.wait({closing, stopping}, return_when=asyncio.FIRST_COMPLETED)
    if closing in done:
        counts["idle closed by the server"] += 1
    closing.cancel()
    stopping.cancel()
    writer.close()


async def main():
    host, port, trickling, idling, seconds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), float(sys.argv[5])
    stop = asyncio.Event()
    tasks = [asyncio.ensure_future(trickle(host, port, n, stop)) for n in range(trickling)]
    for n in range(idling):
        tasks.append(asyncio.ensure_future(idle(host, port, n, stop)))
        if n % 500 == 499:
            await asyncio.sleep(0.05)  # a steady stream of connections, not one burst the queue drops
    while counts["idle connections"] + counts["idle connect failed"] < idling:
        await asyncio.sleep(0.05)
    print("connected", file=sys.stderr, flush=True)
    await asyncio.sleep(seconds)
    stop.set()
    await asyncio.wait(tasks, timeout=10)
    for task in tasks:
        task.cancel()
    print("; ".join("%s %d" % item for item in sorted(counts.items())))


asyncio.run(main())
