"""Runs the foundation benchmarks against a build directory and prints one table:
figure, ours, baseline, ratio, target, pass/fail. Exit status 1 when a target is missed.

usage: run.py [BUILD_DIR] [--only roundtrip,events,startup]"""

import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build_dir", nargs="?", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--only", default="roundtrip,events,startup")
    return parser.parse_args()


ARGS = parse_args()
BUILD = os.path.abspath(ARGS.build_dir)
BENCH_BIN = os.path.join(BUILD, "bench-bin")
# vesktest reads the application directory when it is imported.
os.environ["VESK_APP_DIR"] = os.path.join(BUILD, "app")
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))

import events  # noqa: E402
import roundtrip  # noqa: E402
import startup  # noqa: E402


class Table:
    def __init__(self):
        self.rows = []
        self.failed = False

    def add(self, figure, ours, baseline="", ratio="", target="", ok=None):
        if ok is False:
            self.failed = True
        self.rows.append((figure, ours, baseline, ratio, target, "" if ok is None else ("pass" if ok else "FAIL")))

    def print(self):
        head = ("figure", "ours", "baseline", "ratio", "target", "result")
        widths = [max(len(str(r[i])) for r in self.rows + [head]) for i in range(len(head))]
        for row in [head, tuple("-" * w for w in widths)] + self.rows:
            print("  ".join(str(c).ljust(w) for c, w in zip(row, widths)).rstrip())


def ms(v):
    return "%.3f ms" % v


def add_roundtrip(table, r):
    ratio = r["ours_median"] / r["bare_median"]
    table.add("request round trip, median (10,000)", ms(r["ours_median"]), ms(r["bare_median"]), "%.2f" % ratio,
              "<= 1.30 x bare", ratio <= 1.3)
    table.add("request round trip, p99", ms(r["ours_p99"]), ms(r["bare_p99"]),
              "%.2f" % (r["ours_p99"] / r["bare_p99"]), "<= 2 ms", r["ours_p99"] <= 2.0)
    table.add("  page timer step seen", ms(r["resolution"]))


def add_events(table, r):
    e, b = r["ours"], r["bare"]
    complete = e["received"] == e["count"] and e["malformed"] == 0 and e["in_order"]
    table.add("events delivered in order", "%d/%d" % (e["received"], e["count"]),
              "%d/%d" % (b["received"], b["count"]), "", "all, in order", complete)
    table.add("event latency send->callback, p99", ms(e["p99"]), ms(b["p99"]), "%.2f" % (e["p99"] / b["p99"]),
              "<= 10 ms", e["p99"] <= 10.0)
    table.add("  event latency median", ms(e["median"]), ms(b["median"]), "%.2f" % (e["median"] / b["median"]))
    table.add("  event latency max", ms(e["max"]), ms(b["max"]))
    table.add("  CPU while sending, own process / renderer", "%.1f %% / %.1f %%" % (e["cpu"], e["renderer_cpu"]),
              "%.1f %% / %.1f %%" % (b["cpu"], b["renderer_cpu"]))
    table.add("  send rate achieved", "%.0f /s" % e["send_rate"], "%.0f /s" % b["send_rate"])
    table.add("  page clock offset (uncertainty)", "%s (+-%s)" % (ms(e["clock_offset"]), ms(e["clock_uncertainty"])),
              "%s (+-%s)" % (ms(b["clock_offset"]), ms(b["clock_uncertainty"])))


def add_startup(table, s):
    ours, bare = s["ours"], s["bare"]
    ratio = ours["load_ms"] / bare["load_ms"]
    table.add("start to first load finished, median of 5", "%.0f ms" % ours["load_ms"], "%.0f ms" % bare["load_ms"],
              "%.2f" % ratio, "<= 1.15 x bare", ratio <= 1.15)
    table.add("  all runs", " ".join("%.0f" % v for v in ours["loads"]), " ".join("%.0f" % v for v in bare["loads"]))
    table.add("idle CPU over 30 s, own process", "%.2f %%" % ours["cpu"], "%.2f %%" % bare["cpu"], "",
              "<= 1 % of a core", ours["cpu"] <= 1.0)
    table.add("  idle CPU over 30 s, renderer", "%.2f %%" % ours["renderer_cpu"], "%.2f %%" % bare["renderer_cpu"])
    ratio = ours["rss"] / bare["rss"]
    table.add("resident memory after load, own process", "%.1f MiB" % ours["rss"], "%.1f MiB" % bare["rss"],
              "%.2f" % ratio, "<= 1.15 x bare", ratio <= 1.15)
    table.add("  resident memory, renderer", "%.1f MiB" % ours["renderer_rss"], "%.1f MiB" % bare["renderer_rss"])


def main():
    for name in ("bench_bare_echo", "bench_bare_window", "bench_event_host"):
        if not os.access(os.path.join(BENCH_BIN, name), os.X_OK):
            sys.exit("missing %s in %s: build the bench targets first" % (name, BENCH_BIN))
    if not os.access(os.path.join(BUILD, "app", "vesk"), os.X_OK):
        sys.exit("missing %s/app/vesk: build the program first" % BUILD)

    only = set(ARGS.only.split(","))
    table = Table()
    if "roundtrip" in only:
        add_roundtrip(table, roundtrip.run(BENCH_BIN))
    if "events" in only:
        add_events(table, events.run(BENCH_BIN))
    if "startup" in only:
        add_startup(table, startup.run(BENCH_BIN))
    table.print()
    # Absolute times on a shared machine depend on what else runs: say how busy it was.
    print("machine: %d cores, load average %.2f %.2f %.2f at the end" % ((os.cpu_count(),) + os.getloadavg()))
    return 1 if table.failed else 0


if __name__ == "__main__":
    sys.exit(main())
