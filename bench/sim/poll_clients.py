#!/usr/bin/python3
"""Clients that poll every device of one simulator once a second, loopback only, for sim_figures.sh.

Usage: poll_clients.py FIRST_ADDRESS COUNT PORT SECONDS PROCESSES
Opens one shell connection to each of COUNT addresses from FIRST_ADDRESS upwards (counting on through .0
and .255, as the simulator's ranges do), at most 256 connecting at once per process, then sends "getdate"
on each once a second, spread evenly over the second, for SECONDS. PROCESSES share the addresses, so that
the clients are not what limits the pace. Prints the connections made, answers, failures, and the time
from each command to its prompt: p50, p99 and the longest. "connected" goes to standard error once every
connection of the first process is up.
"""
import asyncio
import ipaddress
import multiprocessing
import sys
import time

latencies = []
failures = 0


async def connect(address, port, gate):
    async with gate:
        reader, writer = await asyncio.open_connection(address, port)
        await asyncio.wait_for(reader.readuntil(b"# "), 10)
        return reader, writer


async def poll(reader, writer, offset, stop_at):
    global failures
    await asyncio.sleep(offset)
    next_time = time.monotonic()
    while next_time < stop_at:
        start = time.monotonic()
        try:
            writer.write(b"getdate\n")
            await asyncio.wait_for(reader.readuntil(b"# "), 5)
            latencies.append(time.monotonic() - start)
        except (OSError, asyncio.TimeoutError, asyncio.IncompleteReadError):
            failures += 1
            return
        next_time += 1
        await asyncio.sleep(max(0, next_time - time.monotonic()))


async def run_slice(addresses, port, seconds, announce):
    gate = asyncio.Semaphore(256)
    results = await asyncio.gather(*(connect(a, port, gate) for a in addresses), return_exceptions=True)
    connections = [r for r in results if not isinstance(r, BaseException)]
    if announce:
        print("connected", file=sys.stderr, flush=True)
    stop_at = time.monotonic() + seconds
    await asyncio.gather(*(poll(r, w, n / len(connections), stop_at) for n, (r, w) in enumerate(connections)))
    for _, writer in connections:
        writer.close()
    return len(connections), latencies, failures


def worker(task):
    return asyncio.run(run_slice(*task))


def main(first, count, port, seconds, processes):
    base = int(ipaddress.IPv4Address(first))
    addresses = [str(ipaddress.IPv4Address(base + n)) for n in range(count)]
    tasks = [(addresses[k::processes], port, seconds, k == 0) for k in range(processes)]
    with multiprocessing.Pool(processes) as pool:
        results = pool.map(worker, tasks)
    connected = sum(r[0] for r in results)
    ordered = sorted(value for r in results for value in r[1]) or [0]
    failed = sum(r[2] for r in results)
    quantile = lambda q: ordered[min(len(ordered) - 1, int(q * len(ordered)))] * 1000
    print("%d of %d connected, %d answers (%.0f a second), %d failed; command to prompt: p50 %.1f ms, "
          "p99 %.1f ms, longest %.1f ms" % (connected, count, len(ordered), len(ordered) / seconds, failed,
                                            quantile(0.5), quantile(0.99), ordered[-1] * 1000))


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4]), int(sys.argv[5]))
