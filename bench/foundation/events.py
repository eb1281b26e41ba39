"""Events: "onDeviceData" events sent at a fixed rate from a thread and timed from the send
to the page's callback. Ours: the bench host (the program's own start-up with a pump that
calls the client handler's sender). Baseline: the bare echo program, whose pump hands each
event to the main thread and emits it as a channel signal.

The send time is read from the system clock in the sender, the arrival time from the page's
epoch clock; the offset between the two clocks is measured over the DevTools connection
before and after the run (pageclock.py). A round trip per event would put a request on the
channel for every event and measure the request path as well, so epoch clocks are compared."""

import os
import shutil

import pageclock
import procstat
import stats
from programs import Program
from vesktest import wait_for

HERE = os.path.dirname(os.path.abspath(__file__))

RECORDER = """
window.received = { seq: [], at: [], malformed: 0 };
window.record = function (hex) {
    var at = performance.timeOrigin + performance.now();
    if (typeof hex !== 'string' || !/^[0-9a-f]{16}$/.test(hex)) { received.malformed++; return; }
    received.seq.push(parseInt(hex, 16));
    received.at.push(at);
};"""
OURS_CALLBACK = """setMessageCallback('onDeviceData', function (args) {
    if (args.length === 1) record(args[0]); else received.malformed++;
});"""
BARE_CALLBACK = "echo.deviceData.connect(record);"


def _pump_settings(app, per_second, seconds):
    app.env.update({"BENCH_EVENTS_PER_SECOND": str(per_second), "BENCH_EVENTS_SECONDS": str(seconds),
                    "BENCH_EVENTS_TIMES": os.path.join(app.dir, "sent.txt")})
    return app


def _ours(bench_bin, per_second, seconds):
    def prepare(app_dir):
        shutil.copy(os.path.join(HERE, "pages", "events.html"), os.path.join(app_dir, "view", "index.html"))

    host = Program(os.path.join(bench_bin, "bench_event_host"), prepare=prepare, copy_in=True)
    _pump_settings(host, per_second, seconds).start()
    host.page.wait_ready()
    host.page.evaluate(RECORDER + OURS_CALLBACK)
    # An answered request means the page's channel is up: no event waits in the queue.
    if not host.page.command("getConf"):
        raise RuntimeError("the host's page was not answered")
    return host


def _bare(bench_bin, per_second, seconds):
    page_url = "file://" + os.path.join(HERE, "pages", "echo.html")
    app = Program(os.path.join(bench_bin, "bench_bare_echo"), args=[page_url])
    _pump_settings(app, per_second, seconds).start(url_suffix="pages/echo.html")
    wait_for(lambda: app.page.evaluate("typeof window.echo === 'object'"), what="echo channel")
    app.page.evaluate(RECORDER + BARE_CALLBACK)
    # The connection is made by a message of its own; an answered call comes after it.
    app.page.evaluate("new Promise(function (resolve) { echo.echo('x', resolve); })")
    return app


def _cpu(pid, renderers):
    return procstat.cpu_seconds(pid), sum(procstat.cpu_seconds(p) for p in renderers)


def _measure(start, per_second, seconds):
    count = per_second * seconds
    app = None
    try:
        app = start(per_second, seconds)
        times_path = os.path.join(app.dir, "sent.txt")
        page = app.page
        offset_before, uncertainty_before = pageclock.offset_ms(page)
        renderers = procstat.renderers(app.proc.pid)
        cpu_before = _cpu(app.proc.pid, renderers)
        app.tell("go")
        line = app.proc.stdout.readline().decode().strip()
        if line != "done":
            raise RuntimeError("the pump ended with %r" % line)
        cpu = [100.0 * (after - before) / seconds for before, after in zip(cpu_before, _cpu(app.proc.pid, renderers))]
        try:
            wait_for(lambda: page.evaluate("received.seq.length + received.malformed") >= count, timeout=10,
                     what="all events")
        except TimeoutError:
            pass  # reported as missing events
        received = page.evaluate("received")
        offset_after, uncertainty_after = pageclock.offset_ms(page)
        with open(times_path) as f:
            sent = [int(line) / 1000.0 for line in f if line.strip()]
    finally:
        if app:
            app.stop()

    offset = (offset_before + offset_after) / 2.0
    latencies = [at - offset - sent[seq] for seq, at in zip(received["seq"], received["at"]) if 0 <= seq < len(sent)]
    nan = float("nan")
    return {
        "count": count,
        "received": len(received["seq"]),
        "malformed": received["malformed"],
        "in_order": received["seq"] == list(range(count)),
        "send_rate": (len(sent) - 1) / ((sent[-1] - sent[0]) / 1000.0) if len(sent) > 1 else 0.0,
        "median": stats.median(latencies) if latencies else nan,
        "p99": stats.percentile(latencies, 99) if latencies else nan,
        "max": max(latencies) if latencies else nan,
        "cpu": cpu[0],
        "renderer_cpu": cpu[1],
        "clock_offset": offset,
        "clock_uncertainty": max(uncertainty_before, uncertainty_after) + abs(offset_after - offset_before) / 2.0,
    }


def run(bench_bin, per_second=2000, seconds=10):
    return {"ours": _measure(lambda *a: _ours(bench_bin, *a), per_second, seconds),
            "bare": _measure(lambda *a: _bare(bench_bin, *a), per_second, seconds)}
