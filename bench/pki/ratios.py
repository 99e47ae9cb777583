#!/usr/bin/env python3
"""Prints the ratios of a qvasn1_bench_pki JSON result.

    qvasn1_bench_pki --benchmark_repetitions=5 --benchmark_format=json > run.json
    bench/pki/ratios.py run.json

Uses the median rows when the run has repetitions, else the single rows.
Times are real (wall-clock) times.
"""
import json
import sys

UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def load(path):
    with open(path) as f:
        data = json.load(f)
    rows = {}
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            continue
        agg = b.get("aggregate_name")
        if agg not in (None, "", "median"):
            continue
        if b.get("run_type") == "aggregate" and agg != "median":
            continue
        name = b.get("run_name", b["name"])
        if agg == "median" or name not in rows:
            rows[name] = b["real_time"] * UNIT[b["time_unit"]]
    return rows


def fmt(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if seconds >= scale:
            return "%.3g %s" % (seconds / scale, unit)
    return "%.3g ns" % (seconds / 1e-9)


def ratio(rows, slower, faster, label):
    if slower in rows and faster in rows:
        print("  %-58s %8.2f   (%s / %s)" % (label, rows[slower] / rows[faster],
                                           fmt(rows[slower]), fmt(rows[faster])))
    else:
        print("  %-58s      n/a" % label)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    rows = load(sys.argv[1])
    print("Speed-up over OpenSSL (OpenSSL time / qvasn1 time; above 1: qvasn1 faster)")
    for op, types in (("decode", ("Certificate", "CertificateList", "ContentInfo")),
                      ("encode", ("Certificate", "CertificateList"))):
        for t in types:
            ratio(rows, "%s/%s/openssl" % (op, t), "%s/%s/qvasn1" % (op, t), "%s/%s" % (op, t))
    print("Distance from the floor (qvasn1 time / floor time; 1 is the floor)")
    for t in ("Certificate", "CertificateList", "ContentInfo"):
        ratio(rows, "decode/%s/qvasn1" % t, "floor/tlv-walk/%s" % t, "decode/%s vs tlv-walk" % t)
    for t in ("Certificate", "CertificateList"):
        ratio(rows, "xer-decode/%s/qvasn1" % t, "floor/expat-parse/%s" % t,
              "xer-decode/%s vs expat-parse" % t)
    print("CRL decode time per entry (flat means linear)")
    for impl in ("qvasn1", "openssl"):
        line = []
        for n in (1000, 10000, 100000, 1000000):
            key = "decode-scaling/CertificateList/%s/%d" % (impl, n)
            if key in rows:
                line.append("%dk: %s" % (n // 1000, fmt(rows[key] / n)))
        print("  %-8s %s" % (impl, "  ".join(line) if line else "n/a"))


if __name__ == "__main__":
    main()
