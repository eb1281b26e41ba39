"""Events: "onDeviceData" events sent at a fixed rate from a thread of the bench host (the
program's own start-up plus a pump) and timed from the send to the page's callback.

The send time is read from the system clock in the host, the arrival time from the page's
epoch clock; the offset between the two clocks is measured over the DevTools connection
before and after the run (pageclock.py). A round trip per event would put a request on the
channel for every event and measure the request path twice, so epoch clocks are compared."""

import os
import shutil
import time

import pageclock
import stats
from programs import Program
from vesktest import wait_for

HERE = os.path.dirname(os.path.abspath(__file__))


def run(bench_bin, per_second=2000, seconds=10):
    def prepare(app_dir):
        shutil.copy(os.path.join(HERE, "pages", "events.html"), os.path.join(app_dir, "view", "index.html"))

    host = Program(os.path.join(bench_bin, "bench_event_host"), prepare=prepare, copy_in=True)
    times_path = os.path.join(host.dir, "sent.txt")
    host.env.update({"BENCH_EVENTS_PER_SECOND": str(per_second), "BENCH_EVENTS_SECONDS": str(seconds),
                     "BENCH_EVENTS_TIMES": times_path})
    count = per_second * seconds
    try:
        host.start()
        page = host.page
        page.wait_ready()
        # An answered request means the page's channel is up: no event waits in the queue.
        if not page.command("getConf"):
            raise RuntimeError("the host's page was not answered")
        offset_before, uncertainty_before = pageclock.offset_ms(page)
        host.tell("go")
        line = host.proc.stdout.readline().decode().strip()
        if line != "done":
            raise RuntimeError("the host's pump ended with %r" % line)
        try:
            wait_for(lambda: page.evaluate("received.seq.length + received.malformed") >= count, timeout=10,
                     what="all events")
        except TimeoutError:
            pass  # reported below as missing events
        received = page.evaluate("received")
        offset_after, uncertainty_after = pageclock.offset_ms(page)
        with open(times_path) as f:
            sent = [int(line) / 1000.0 for line in f if line.strip()]
        host.tell("quit")
        host.proc.wait(10)
    finally:
        host.stop()

    offset = (offset_before + offset_after) / 2.0
    latencies = [at - offset - sent[seq] for seq, at in zip(received["seq"], received["at"]) if 0 <= seq < len(sent)]
    return {
        "count": count,
        "sent": len(sent),
        "received": len(received["seq"]),
        "malformed": received["malformed"],
        "in_order": received["seq"] == list(range(count)),
        "send_rate": (len(sent) - 1) / ((sent[-1] - sent[0]) / 1000.0) if len(sent) > 1 else 0.0,
        "median": stats.median(latencies) if latencies else float("nan"),
        "p99": stats.percentile(latencies, 99) if latencies else float("nan"),
        "max": max(latencies) if latencies else float("nan"),
        "clock_offset": offset,
        "clock_uncertainty": max(uncertainty_before, uncertainty_after) + abs(offset_after - offset_before) / 2.0,
    }
