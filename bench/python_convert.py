#!/usr/bin/python3
"""Ten million points through the Python module against pyproj.

    PYTHONPATH=build/python bench/python_convert.py [--points N] [--workers 2] [--no-dask]

Belgian Lambert 72 to WGS 84 geographic with the 7-parameter Helmert shift:
travena.Converter.convert on one thread, then pyproj.Transformer on one
thread with the PROJ strings `travena-cli systems --proj --method 3` prints
(the same projection and shift), on the same points; the module again on
two threads (convert(threads=2)); then the same points as
a comma-separated file through examples/dask_convert.py on a local cluster.
Each run is a process of its own, so that its peak memory is its own.
Prints time, points per second and peak resident memory of each, and how
far pyproj's results lie from the module's.
"""

import argparse
import os
import pathlib
import resource
import subprocess
import sys
import tempfile
import time

SRC, DST, METHOD = "BE LB72", "W Geographic WGS84", 3
ROOT = pathlib.Path(__file__).resolve().parents[1]


def points(n):
    import numpy as np

    rng = np.random.default_rng(10)
    return rng.uniform(20000, 280000, n), rng.uniform(20000, 250000, n)


def proj_string(system):
    cli = os.environ.get("TRAVENA_CLI", str(ROOT / "build" / "bin" / "travena-cli"))
    out = subprocess.run([cli, "systems", "--proj", "--method", str(METHOD)], capture_output=True, text=True, check=True)
    for line in out.stdout.splitlines():
        name, _, proj = line.partition("\t")
        if name == system:
            return proj
    raise SystemExit(f"pas de chaîne PROJ pour {system}")


def peak_mib():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024


def run_module(n, out, threads=1):
    import numpy as np
    import travena

    x, y = points(n)
    c = travena.Converter(SRC, DST, METHOD)
    c.convert(x[:1000], y[:1000])  # the database read, the caches filled
    start, cpu = time.perf_counter(), time.process_time()
    lon, lat, _, status = c.convert(x, y, threads=threads)
    seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
    np.save(out, np.stack([lon, lat]))
    print(f"{seconds}\t{cpu}\t{peak_mib()}\t{int((status != 0).sum())}")


def run_pyproj(n, out):
    import numpy as np
    import pyproj

    x, y = points(n)
    t = pyproj.Transformer.from_crs(pyproj.CRS.from_proj4(proj_string(SRC)), pyproj.CRS.from_proj4(proj_string(DST)),
                                    always_xy=True)
    t.transform(x[:1000], y[:1000])
    start, cpu = time.perf_counter(), time.process_time()
    lon, lat = t.transform(x, y)
    seconds, cpu = time.perf_counter() - start, time.process_time() - cpu
    np.save(out, np.stack([lon, lat]))
    print(f"{seconds}\t{cpu}\t{peak_mib()}\t0")


def child(kind, n, out):
    done = subprocess.run([sys.executable, __file__, "--child", kind, "--points", str(n), "--out", out],
                          capture_output=True, text=True)
    if done.returncode != 0:
        raise SystemExit(done.stderr)
    seconds, cpu, mib, failed = done.stdout.split()
    return float(seconds), float(cpu), float(mib), int(failed)


def report(name, n, seconds, cpu, mib, note=""):
    # CPU seconds too: on a shared machine they tell the cost per thread.
    cpu_text = f"{cpu:7.2f} s CPU" if cpu is not None else " " * 13
    print(f"{name:<32} {seconds:7.2f} s {cpu_text}  {n / seconds / 1e6:5.2f} M points/s  pic {mib:6.0f} Mio  {note}")


def dask_run(n, workers, folder):
    import numpy as np

    x, y = points(n)
    csv = os.path.join(folder, "pts.csv")
    with open(csv, "w") as f:
        f.write("id,x,y\n")
        step = 1_000_000
        for first in range(0, n, step):
            f.write("".join(f"{i},{a!r},{b!r}\n" for i, a, b in
                            zip(range(first, first + step), x[first:first + step], y[first:first + step])))
    out = os.path.join(folder, "out.csv")
    start = time.perf_counter()
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    subprocess.run([sys.executable, str(ROOT / "examples" / "dask_convert.py"), csv, out, "--x", "x", "--y", "y",
                    "--from", SRC, "--to", DST, "--method", str(METHOD), "--workers", str(workers)], check=True)
    seconds = time.perf_counter() - start
    largest = max(before, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss) / 1024
    return seconds, largest, os.path.getsize(csv)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--points", type=int, default=10_000_000)
    p.add_argument("--workers", type=int, default=2)
    p.add_argument("--no-dask", action="store_true")
    p.add_argument("--child")
    p.add_argument("--out")
    a = p.parse_args()
    if a.child:
        if a.child == "pyproj":
            run_pyproj(a.points, a.out)
        else:
            run_module(a.points, a.out, 2 if a.child == "module2" else 1)
        return
    import numpy as np

    n = a.points
    with tempfile.TemporaryDirectory() as folder:
        ours, theirs = os.path.join(folder, "ours.npy"), os.path.join(folder, "theirs.npy")
        m_s, m_cpu, m_mib, failed = child("module", n, ours)
        p_s, p_cpu, p_mib, _ = child("pyproj", n, theirs)
        a_ll, b_ll = np.load(ours), np.load(theirs)
        far = np.nanmax(np.abs(a_ll - b_ll)) * 111_000  # degrees to metres, about
        print(f"{n} points, {SRC} -> {DST}, méthode {METHOD}, un fil chacun")
        report("travena.Converter.convert", n, m_s, m_cpu, m_mib, f"{failed} en échec")
        report("pyproj.Transformer.transform", n, p_s, p_cpu, p_mib, f"écart max {far * 1000:.3f} mm")
        # The goal is a speed: points per CPU second, travena over pyproj.
        print(f"vitesse travena / pyproj (points par seconde CPU) : {p_cpu / m_cpu:.2f} (objectif >= 2)")
        t_s, t_cpu, t_mib, _ = child("module2", n, ours)
        report("travena, convert(threads=2)", n, t_s, t_cpu, t_mib, "mêmes bits" if np.array_equal(np.load(ours), a_ll, equal_nan=True) else "BITS DIFFÉRENTS")
        if not a.no_dask:
            d_s, d_mib, size = dask_run(n, a.workers, folder)
            report(f"dask_convert.py, {a.workers} workers", n, d_s, None, d_mib,
                   f"(plus gros processus ; CSV de {size / 1e6:.0f} Mo)")


if __name__ == "__main__":
    main()
