"""Start-up, idle CPU and resident memory of the program against a bare Qt WebEngine window
that loads the same page (the copy's view/index.html) at the same size, in the same run.

Start to first load finished: from just before the process is spawned (system clock) to the
page's load event end (page epoch clock, corrected by the measured clock offset). Runs of
the two programs alternate so that load on the machine falls on both alike."""

import os
import time
import xml.etree.ElementTree as ET

import pageclock
import procstat
import stats
from programs import Program
from vesktest import wait_for

LOAD_END = """(function () {
    var nav = performance.getEntriesByType('navigation')[0];
    return nav && nav.loadEventEnd > 0 ? performance.timeOrigin + nav.loadEventEnd : 0;
})()"""
SETTLE_S = 3.0


def _window_size(app_dir):
    client = ET.parse(os.path.join(app_dir, "Resources", "profiles", "conf.xml")).getroot().find("client")
    return client.get("clientSize", "800,600").replace(",", "x")


def _program(bench_bin, which):
    if which == "ours":
        return Program()
    app = Program(os.path.join(bench_bin, "bench_bare_window"))
    app.args = [app.index_url(), _window_size(app.app_dir)]
    return app


def _one(bench_bin, which, idle_seconds):
    app = _program(bench_bin, which)
    try:
        app.start()
        load_end = wait_for(lambda: app.page.evaluate(LOAD_END, await_promise=False), what="load event")
        offset, _ = pageclock.offset_ms(app.page)
        result = {"load_ms": load_end - offset - app.started_at * 1000.0}
        app.page.close()
        app.page = None
        time.sleep(SETTLE_S)
        pid = app.proc.pid
        result["rss"] = procstat.rss_mib(pid)
        result["renderer_rss"] = sum(procstat.rss_mib(p) for p in procstat.renderers(pid))
        if idle_seconds:
            renderers = procstat.renderers(pid)
            before = (procstat.cpu_seconds(pid), sum(procstat.cpu_seconds(p) for p in renderers))
            time.sleep(idle_seconds)
            after = (procstat.cpu_seconds(pid), sum(procstat.cpu_seconds(p) for p in renderers))
            result["cpu"] = 100.0 * (after[0] - before[0]) / idle_seconds
            result["renderer_cpu"] = 100.0 * (after[1] - before[1]) / idle_seconds
        return result
    finally:
        app.stop()


def run(bench_bin, runs=5, idle_seconds=30):
    results = {"ours": [], "bare": []}
    for i in range(runs):
        for which in ("ours", "bare"):
            results[which].append(_one(bench_bin, which, idle_seconds if i == 0 else 0))
    summary = {}
    for which, rs in results.items():
        summary[which] = {
            "load_ms": stats.median([r["load_ms"] for r in rs]),
            "loads": [r["load_ms"] for r in rs],
            "rss": stats.median([r["rss"] for r in rs]),
            "renderer_rss": stats.median([r["renderer_rss"] for r in rs]),
            "cpu": rs[0]["cpu"],
            "renderer_cpu": rs[0]["renderer_cpu"],
        }
    return summary
