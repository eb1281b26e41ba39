"""Request round trip: sequential requests from the page, each timed in the page from the
call to its answer, against a bare Qt WebChannel echo page. Both programs run side by side
and take turns in blocks, so that load on the machine falls on both alike."""

import json
import os

import stats
from programs import Program
from vesktest import wait_for

HERE = os.path.dirname(os.path.abspath(__file__))
REQUEST = '{"funcname":"getConf"}'

# The two loops differ only in the call; both await each answer before the next call.
LOOP = """
(async function () {
    function once() {
        return new Promise(function (resolve, reject) {
            var start = performance.now();
            %s
        });
    }
    var times = new Float64Array(%d);
    for (var i = 0; i < times.length; ++i) times[i] = await once();
    return Array.from(times);
})()"""

CEF_QUERY = """window.cefQuery({request: %s, persistent: false,
                onSuccess: function () { resolve(performance.now() - start); },
                onFailure: function (c, m) { reject(new Error(m)); }});""" % json.dumps(REQUEST)
ECHO = """window.echo.echo(%s, function () { resolve(performance.now() - start); });""" % json.dumps(REQUEST)


def _ours():
    app = Program().start()
    app.page.wait_ready()
    if not app.page.command("getConf"):
        raise RuntimeError("getConf was not answered")
    return app


def _bare(bench_bin):
    page_url = "file://" + os.path.join(HERE, "pages", "echo.html")
    app = Program(os.path.join(bench_bin, "bench_bare_echo"), args=[page_url])
    app.start(url_suffix="pages/echo.html")
    wait_for(lambda: app.page.evaluate("typeof window.echo === 'object'"), what="echo channel")
    return app


def run(bench_bin, count=10000, blocks=10, warmup=500):
    """Per-request times in milliseconds of the program and of the bare page."""
    ours = bare = None
    try:
        ours = _ours()
        bare = _bare(bench_bin)
        times = {"ours": [], "bare": []}
        for app, call in ((ours, CEF_QUERY), (bare, ECHO)):
            app.page.evaluate(LOOP % (call, warmup))
        for _ in range(blocks):
            times["ours"] += ours.page.evaluate(LOOP % (CEF_QUERY, count // blocks))
            times["bare"] += bare.page.evaluate(LOOP % (ECHO, count // blocks))
    finally:
        for app in (ours, bare):
            if app:
                app.stop()
    mine, base = times["ours"], times["bare"]
    return {"count": len(mine), "ours_median": stats.median(mine), "bare_median": stats.median(base),
            "ours_p99": stats.percentile(mine, 99), "bare_p99": stats.percentile(base, 99),
            "resolution": _resolution(mine + base)}


def _resolution(samples):
    """The page timer's step: the smallest gap between distinct times."""
    distinct = sorted(set(round(t, 6) for t in samples))
    return min((b - a for a, b in zip(distinct, distinct[1:])), default=0.0)
