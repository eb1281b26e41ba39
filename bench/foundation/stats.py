"""Order statistics of a list of samples."""

import math


def percentile(samples, p):
    """Nearest-rank percentile, p in (0, 100]."""
    ordered = sorted(samples)
    rank = max(1, math.ceil(p / 100.0 * len(ordered)))
    return ordered[rank - 1]


def median(samples):
    ordered = sorted(samples)
    n = len(ordered)
    return ordered[n // 2] if n % 2 else (ordered[n // 2 - 1] + ordered[n // 2]) / 2.0
