"""CPU time and resident memory of a process and its engine helpers, from /proc."""

import os

TICKS = os.sysconf("SC_CLK_TCK")


def _read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def cpu_seconds(pid):
    """User plus system time of one process (its own threads, not its children)."""
    stat = _read("/proc/%d/stat" % pid).decode()
    fields = stat[stat.rfind(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / TICKS if fields else 0.0


def rss_mib(pid):
    for line in _read("/proc/%d/status" % pid).decode().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024.0
    return 0.0


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            stat = _read("/proc/%s/stat" % entry).decode()
            if stat:
                ppid = int(stat[stat.rfind(")") + 2:].split()[1])
                children.setdefault(ppid, []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def renderers(pid):
    """The engine's render processes started for the program `pid`."""
    return [p for p in descendants(pid) if b"--type=renderer" in _read("/proc/%d/cmdline" % p)]
