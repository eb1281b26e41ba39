"""The page's epoch clock (performance.timeOrigin + performance.now()) against the system
clock that native code reads (std::chrono::system_clock, Python's time.time()). Chromium
derives the page clock from a monotonic clock with an offset of its own, so the two can
differ by some milliseconds; the difference is measured NTP-style over the DevTools
connection: the sample with the shortest round trip bounds the error by half of it."""

import time

PAGE_NOW = "performance.timeOrigin + performance.now()"


def offset_ms(page, samples=40):
    """(page clock - system clock, uncertainty), both in milliseconds."""
    best = None
    for _ in range(samples):
        before = time.time() * 1000.0
        page_now = page.evaluate(PAGE_NOW, await_promise=False)
        after = time.time() * 1000.0
        sample = (after - before, page_now - (before + after) / 2.0)
        if best is None or sample[0] < best[0]:
            best = sample
    return best[1], best[0] / 2.0
