#!/usr/bin/python3
"""Converts a comma-separated table too large for one machine with Dask.

    PYTHONPATH=build/python examples/dask_convert.py pts.csv pts_utm.csv \\
        --x x --y y --from "BE LB72" --to "WGS84 UTM" --method 3 --workers 4

The input (a header line, then one record a line) is read in blocks by the
workers, each block converted by travena.convert_frame, and the results are
written by this process, in input order, into one comma-separated file with
a header: the input columns as they were read, then the output columns named
as `travena-cli batch` names them. Without --scheduler the workers are
processes of this machine (a distributed LocalCluster); with --scheduler
ADDRESS they are those of a running cluster (`dask-scheduler`, then
`dask-worker ADDRESS` on each machine), every one of which must import the
module travena and read the input path. Nothing is left at OUT when the run
fails.
"""

import argparse
import collections
import os
import sys
import tempfile


def parse_arguments(argv):
    p = argparse.ArgumentParser(description="Conversion d'une table CSV par Dask (module travena).")
    p.add_argument("input", metavar="IN.csv")
    p.add_argument("output", metavar="OUT.csv")
    p.add_argument("--x", required=True, help="champ X, E, longitude ou référence")
    p.add_argument("--y", help="champ Y, N ou latitude (sauf MGRS et IFBL)")
    p.add_argument("--zone", help="champ du fuseau (entrée UTM)")
    p.add_argument("--from", dest="src", required=True, metavar="SYSTÈME")
    p.add_argument("--to", dest="dst", required=True, metavar="SYSTÈME")
    p.add_argument("--method", type=int, default=1, help="1 translation géocentrique, 2 Molodensky, 3 Helmert")
    p.add_argument("--params", help="base de paramètres (celle de travena-cli par défaut)")
    p.add_argument("--workers", type=int, default=os.cpu_count() or 1, help="processus locaux (sans --scheduler)")
    p.add_argument("--scheduler", metavar="ADRESSE", help="ordonnanceur d'une grappe Dask (tcp://hôte:8786)")
    p.add_argument("--blocksize", default="64MB", help="taille des blocs lus par chaque tâche")
    p.add_argument("--keep-going", action="store_true",
                   help="écrire aussi les enregistrements en échec, leur cause dans une colonne « Erreur »")
    return p.parse_args(argv)


def _csv_text(frame):
    return frame.to_csv(index=False, header=False, lineterminator="\n")


def run(args):
    import dask
    import dask.dataframe as dd
    from distributed import Client, LocalCluster

    import travena

    options = dict(x=args.x, y=args.y, zone=args.zone, src=args.src, dst=args.dst, method=args.method,
                   params=args.params, keep_going=args.keep_going)
    # Every field as the text it holds: input columns are written back as
    # read, coordinates read with the batch run's rules (decimal commas).
    frame = dd.read_csv(args.input, dtype=str, keep_default_na=False, blocksize=args.blocksize)
    meta = travena.convert_frame(frame._meta, **options)  # refuses unknown systems and fields at once
    converted = frame.map_partitions(travena.convert_frame, **options, meta=meta)
    # The workers also write their blocks' text; this process only joins them.
    texts = [dask.delayed(_csv_text)(part) for part in converted.to_delayed()]

    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True, dashboard_address=None)
        client = Client(cluster)
    folder = os.path.dirname(os.path.abspath(args.output))
    fd, temporary = tempfile.mkstemp(prefix=".dask_convert-", suffix=".csv", dir=folder)
    try:
        with client, os.fdopen(fd, "w", encoding="utf-8", newline="") as out:
            # A few partitions ahead of the writer: memory stays bounded.
            parts = iter(texts)
            ahead = collections.deque()
            window = 2 * max(1, len(client.scheduler_info()["workers"]))
            for part in parts:
                ahead.append(client.compute(part))
                if len(ahead) >= window:
                    break
            meta.to_csv(out, index=False, lineterminator="\n")
            done = 0  # partitions written
            while ahead:
                try:
                    part = ahead.popleft().result()
                except travena.Error as e:
                    # Blocks number their rows from 0: the record counted
                    # from the start of the file, as the batch run counts.
                    before = sum(frame.partitions[:done].map_partitions(len).compute()) if done else 0
                    raise travena.Error(f"enregistrement {before + e.position + 1} : {e.cause}") from None
                done += 1
                out.write(part)
                nxt = next(parts, None)
                if nxt is not None:
                    ahead.append(client.compute(nxt))
        os.replace(temporary, args.output)
    except BaseException:
        os.unlink(temporary)
        raise


def main(argv=None):
    args = parse_arguments(argv)
    try:
        import travena
    except ImportError as e:
        sys.exit(f"dask_convert : le module travena est introuvable ({e}) ; PYTHONPATH=build/python ?")
    try:
        run(args)
    except (travena.Error, KeyError, ValueError, OSError) as e:
        sys.exit(f"dask_convert : {e}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
