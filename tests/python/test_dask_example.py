# examples/dask_convert.py on a 2-worker LocalCluster writes what
# travena-cli batch writes for the same comma-separated file.

import os
import pathlib
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest

import travena

EXAMPLE = pathlib.Path(os.environ.get("TRAVENA_SOURCE", pathlib.Path(__file__).parents[2])) / "examples" / "dask_convert.py"


def dask_convert(*args):
    return subprocess.run([sys.executable, str(EXAMPLE), *args, "--workers", "2", "--blocksize", "30000"],
                          capture_output=True, text=True, timeout=120)


def texts(path):
    return pd.read_csv(path, dtype=str, keep_default_na=False)


@pytest.fixture(scope="module")
def table(tmp_path_factory):
    folder = tmp_path_factory.mktemp("dask")
    rng = np.random.default_rng(7)
    n = 3000
    x, y = rng.uniform(20000, 280000, n), rng.uniform(20000, 250000, n)
    lines = ["id,nom,x,y"] + [f'{i},"relevé, {i}",{a!r},{b!r}' for i, (a, b) in enumerate(zip(x, y))]
    path = folder / "pts.csv"
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
    return path


@pytest.mark.parametrize("src,dst,fields", [
    ("BE LB72", "WGS84 UTM", ["--x", "x", "--y", "y"]),
    ("BE MGRS", "BE Geographic ED50", ["--x", "ref"]),
])
def test_same_table_as_the_batch_run(cli, table, src, dst, fields):
    source = table
    if src == "BE MGRS":
        # References made by the batch run itself, in a table of their own.
        cli("batch", "--in", str(table), "--in-delim", "comma", "--x", "x", "--y", "y", "--from", "BE LB72",
            "--to", "BE MGRS", "--out", str(table.with_name("refs.csv")), "--delim", "comma")
        refs = texts(table.with_name("refs.csv")).rename(columns={"BE_MGRS": "ref"})[["id", "ref"]]
        source = table.with_name("refs_in.csv")
        refs.to_csv(source, index=False)
    ours, theirs = source.with_name(f"dask_{dst}.csv"), source.with_name(f"batch_{dst}.csv")
    done = dask_convert(str(source), str(ours), *fields, "--from", src, "--to", dst, "--method", "3")
    assert done.returncode == 0, done.stderr
    cli("batch", "--in", str(source), "--in-delim", "comma", *fields, "--from", src, "--to", dst, "--method", "3",
        "--out", str(theirs), "--delim", "comma")
    got, want = texts(ours), texts(theirs)
    assert list(got.columns) == list(want.columns)
    assert len(got) == 3000
    pd.testing.assert_frame_equal(got, want)


def test_a_failed_run_leaves_no_output(table):
    bad = table.with_name("bad.csv")
    bad.write_text(table.read_text(encoding="utf-8") + '3000,"x",abc,170000\n', encoding="utf-8")
    out = table.with_name("bad_out.csv")
    done = dask_convert(str(bad), str(out), "--x", "x", "--y", "y", "--from", "BE LB72", "--to", "W Geographic WGS84")
    assert done.returncode != 0 and "enregistrement 3001 :" in done.stderr
    assert not out.exists() and not any(p.name.startswith(".dask_convert-") for p in table.parent.iterdir())
