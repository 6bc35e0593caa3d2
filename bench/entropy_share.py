#!/usr/bin/env python3
"""How much of libH264_D1.so's decode is libavcodec's CAVLC entropy decoding.

The watermark check has to read every coded bit of a frame, as any CAVLC
decoder does: its time is best read against the part of the full decode that
does the same work. This profiles watermark_check's decoder benchmark with
perf, groups libavcodec's samples by function (the library is stripped: the
function bounds come from its unwind table, and its residual and macroblock
readers are recognised by the error messages they log), and prints for each
stream set the entropy decoding's share and the check's time against it.

    bench/entropy_share.py BUILD/bin/watermark_check [SET ...]

BUILD is a Release build configured with -DCLIENTK5_BENCH=ON.

Needs perf (with sampling allowed), readelf and objdump. Pin it to a quiet
core for steady figures: taskset -c N bench/entropy_share.py ...
"""
import bisect
import json
import os
import re
import subprocess
import sys
import tempfile

# Messages only libavcodec's CAVLC readers log: residual_block_cavlc() and the
# macroblock layer.
ENTROPY_MESSAGES = {
    b"Invalid level prefix\n": "residual blocks",
    b"mb_skip_run %d is invalid\n": "macroblock layer",
}


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def libavcodec_path(bench):
    lib = os.path.join(os.path.dirname(bench), "libH264_D1.so")
    for line in run("ldd", lib).splitlines():
        m = re.match(r"\s*libavcodec\.so\S*\s+=>\s+(\S+)", line)
        if m:
            return os.path.realpath(m.group(1))
    sys.exit("libH264_D1.so beside the benchmark does not load libavcodec")


def function_ranges(lib):
    ranges = []
    for line in run("readelf", "--debug-dump=frames", lib).splitlines():
        m = re.search(r"FDE cie=\S+ pc=([0-9a-f]+)\.\.([0-9a-f]+)", line)
        if m:
            ranges.append((int(m.group(1), 16), int(m.group(2), 16)))
    ranges.sort()
    return ranges


def string_addresses(lib):
    """Virtual address of each entropy message in the library's file."""
    data = open(lib, "rb").read()
    segments = []
    for line in run("readelf", "-lW", lib).splitlines():
        f = line.split()
        if f and f[0] == "LOAD":
            segments.append((int(f[1], 16), int(f[2], 16), int(f[4], 16)))
    found = {}
    for text, name in ENTROPY_MESSAGES.items():
        off = data.find(b"\0" + text)
        if off < 0:
            continue
        off += 1
        for foff, vaddr, size in segments:
            if foff <= off < foff + size:
                found[vaddr + off - foff] = name
    return found


def profile(bench, sets, workdir):
    data = os.path.join(workdir, "perf.data")
    out = os.path.join(workdir, "bench.json")
    names = "|".join(str(s) for s in sets)
    subprocess.run(["perf", "record", "-q", "-F", "4000", "-o", data, "--", bench,
                    f"--benchmark_filter=(DecoderLibrary|WatermarkCheck)/({names})$",
                    "--benchmark_min_time=5", f"--benchmark_out={out}", "--benchmark_out_format=json"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    times = {}
    for b in json.load(open(out))["benchmarks"]:
        if b.get("error_occurred") or not b.get("items_per_second"):
            continue
        times[b["name"]] = 1000.0 / b["items_per_second"]  # ms per frame
    return data, times


def samples_by_function(data, dso, ranges):
    report = run("perf", "report", "-i", data, "--no-children", "--dsos", dso, "--sort", "symbol",
                 "-F", "overhead,sym")
    starts = [a for a, _ in ranges]
    share = {}
    total = 0.0
    for line in report.splitlines():
        m = re.match(r"\s*([\d.]+)%\s+\[\.\]\s+(\S+)", line)
        if not m:
            continue
        pct = float(m.group(1))
        total += pct
        sym = m.group(2)
        key = sym
        if sym.startswith("0x"):
            addr = int(sym, 16)
            i = bisect.bisect_right(starts, addr) - 1
            key = ranges[i] if i >= 0 and addr < ranges[i][1] else "asm"
        share[key] = share.get(key, 0.0) + pct
    return share, total


def references(lib, fn, addresses):
    """The entropy messages the function at `fn` loads."""
    asm = run("objdump", "-d", f"--start-address={fn[0]:#x}", f"--stop-address={fn[1]:#x}", lib)
    hits = set()
    for m in re.finditer(r"#\s+([0-9a-f]+)\s", asm):
        name = addresses.get(int(m.group(1), 16))
        if name:
            hits.add(name)
    return hits


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    bench = os.path.realpath(sys.argv[1])
    sets = [int(s) for s in sys.argv[2:]] or [0, 1]
    lib = libavcodec_path(bench)
    dso = os.path.basename(lib)
    ranges = function_ranges(lib)
    addresses = string_addresses(lib)
    if not ranges or len(addresses) != len(ENTROPY_MESSAGES):
        sys.exit(f"{lib}: no unwind table or not the expected CAVLC messages")
    for s in sets:
        with tempfile.TemporaryDirectory() as workdir:
            data, times = profile(bench, [s], workdir)
            share, total = samples_by_function(data, dso, ranges)
        decode = times.get(f"BM_DecoderLibrary/{s}")
        check = times.get(f"BM_WatermarkCheck/{s}")
        if not decode or not check or total <= 0:
            print(f"/{s}: a benchmark did not run")
            continue
        entropy = 0.0
        parts = []
        for key, pct in sorted(share.items(), key=lambda kv: -kv[1])[:8]:
            if not isinstance(key, tuple):
                continue
            for name in references(lib, key, addresses):
                entropy += pct
                parts.append(f"{name} {100 * pct / total:.1f}%")
        frac = entropy / total
        # libavcodec is nearly all of the decode (the rest is the planar copy
        # and the library's plumbing), so this slightly overstates it.
        entropy_ms = frac * decode
        print(f"/{s}: decode {decode:.3f} ms/frame, check {check:.3f} ms/frame; "
              f"libavcodec's CAVLC entropy decoding {100 * frac:.1f}% of its time ({', '.join(parts)}), "
              f"about {entropy_ms:.3f} ms/frame; check / entropy decoding = {check / entropy_ms:.2f}")


if __name__ == "__main__":
    try:
        main()
    except FileNotFoundError as e:
        sys.exit(f"not found: {e.filename}")
    except subprocess.CalledProcessError as e:
        sys.exit(f"{' '.join(map(str, e.cmd[:2]))} failed with status {e.returncode}")
