# The Python module against travena-cli convert: the same bits for every
# system, both ways, a status per point, threads, and data frames.

import threading

import numpy as np
import pandas as pd
import pytest

import travena

WGS84 = "W Geographic WGS84"
POINTS = 2000


def bits(values):
    return np.asarray(values, dtype=np.float64).view(np.int64)


def same_bits(got, want):
    """Equal bit for bit; NaN where the command line wrote '*'."""
    got, want = np.asarray(got, dtype=np.float64), np.asarray(want, dtype=np.float64)
    both_nan = np.isnan(got) & np.isnan(want)
    return bool(np.all(both_nan | (bits(got) == bits(want))))


def cli_convert(cli, src, dst, method, columns):
    """travena-cli convert of the given input columns, as lists of output fields."""
    lines = "\n".join("\t".join(field if isinstance(field, str) else repr(float(field)) for field in row)
                      for row in zip(*columns))
    out = cli("convert", "--from", src, "--to", dst, "--method", str(method), "--threads", "1", stdin=lines + "\n")
    return [line.split("\t") for line in out.splitlines()]


def numbers(rows, k):
    return np.array([np.nan if row[k] == "*" else float(row[k]) for row in rows])


def compare(c, rows, got):
    x, y, zone, status = got
    assert len(rows) == len(x)
    failed = np.array([row[0] == "*" for row in rows])
    assert np.array_equal(failed, status != 0)
    if c.dst_kind in ("mgrs", "ifbl"):
        assert list(x[~failed]) == [row[0] for row, bad in zip(rows, failed) if not bad]
    else:
        assert same_bits(x, numbers(rows, 0)) and same_bits(y, numbers(rows, 1))
        if c.dst_kind == "utm":
            assert np.array_equal(zone[~failed], numbers(rows, 2)[~failed].astype(np.int32))


def inputs_of(c, rows):
    """Another converter's input columns from travena-cli's output rows, as texts for it and as arrays."""
    good = [row for row in rows if row[0] != "*"]
    if c.src_kind in ("mgrs", "ifbl"):
        refs = [row[0] for row in good]
        return [refs], (np.array(refs, dtype=object),)
    count = 3 if c.src_kind == "utm" else 2
    texts = [[row[k] for row in good] for k in range(count)]
    arrays = [np.array([float(t) for t in column]) for column in texts]
    return texts, tuple(arrays)


@pytest.fixture(scope="module")
def wgs84_points():
    rng = np.random.default_rng(30)
    lon = rng.uniform(2.4, 6.6, POINTS)
    lat = rng.uniform(49.3, 51.7, POINTS)
    lon[:5] = [4.35, 2.5, 6.4, 5.9, 3.0]  # a few round values too
    lat[:5] = [50.85, 51.5, 49.5, 49.6, 50.0]
    return lon, lat


SYSTEMS = [s for s in travena.systems() if s != WGS84]


# Methods 1 to 3 in turn, and the IGN grid (4) on the systems of Belgian datum 72.
CASES = [(s, 1 + i % 3) for i, s in enumerate(SYSTEMS)] + [
    (s, 4) for s in ("BE LB72", "BE Geographic BD72", "BE IFBL") if s in SYSTEMS]


@pytest.mark.parametrize("system,method", CASES)
def test_same_bits_as_the_command_line_both_ways(cli, wgs84_points, system, method):
    lon, lat = wgs84_points
    forward = travena.Converter(WGS84, system, method)
    rows = cli_convert(cli, WGS84, system, method, [lon, lat])
    compare(forward, rows, forward.convert(lon, lat))

    back = travena.Converter(system, WGS84, method)
    texts, arrays = inputs_of(back, rows)
    assert len(texts[0]) > POINTS // 2, "most points lie in the system"
    compare(back, cli_convert(cli, system, WGS84, method, texts), back.convert(*arrays))


def test_status_and_french_cause_per_point():
    utm = travena.Converter("WGS84 UTM", "BE LB72")
    _, _, _, status, messages = utm.convert([596000.0, 596000.0], [5632000.0, 5632000.0], zone=[31, 0], messages=True)
    assert list(status) == [0, 6] and messages[1] == "fuseau hors de 1 à 60."
    mgrs = travena.Converter("W MGRS", "BE LB72")
    x, y, zone, status, messages = mgrs.convert(["31UES9503234012", "31UZZ", None], messages=True)
    assert list(status) == [0, 1002, 1002] and np.isnan(x[1]) and messages[0] == ""
    assert all(isinstance(m, str) and m for m in messages[1:])


def test_refusals_are_travena_errors():
    with pytest.raises(travena.Error) as e:
        travena.Converter("BE LB72", "XX")
    assert e.value.number == 5 and "XX" in str(e.value)
    with pytest.raises(travena.Error):
        travena.Converter("BE LB72", WGS84, method=travena.MAX_METHOD + 1)
    with pytest.raises(ValueError):
        travena.Converter("BE LB72", WGS84).convert([1.0, 2.0], [1.0])


def test_one_converter_from_two_threads_gives_the_same_bits():
    rng = np.random.default_rng(2)
    x, y = rng.uniform(20000, 280000, 200_000), rng.uniform(20000, 250000, 200_000)
    c = travena.Converter("BE LB72", "WGS84 UTM", 3)
    alone = c.convert(x, y)
    results = [None, None]

    def run(k):
        results[k] = c.convert(x, y)

    threads = [threading.Thread(target=run, args=(k,)) for k in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    results.append(c.convert(x, y, threads=3))  # and shared among threads inside one call
    for r in results:
        assert same_bits(r[0], alone[0]) and same_bits(r[1], alone[1]) and np.array_equal(r[2], alone[2])


def test_convert_frame_adds_the_batch_columns_after_every_input_column():
    df = pd.DataFrame({"id": [1, 2, 3], "nom": ["a", "b", "c"], "x": [150000.0, 151000.5, 152000.0],
                       "y": ["170000", "170000,5", "171000"], "Fuseau": ["p", "q", "r"]})
    out = travena.convert_frame(df, x="x", y="y", src="BE LB72", dst="WGS84 UTM", method=3)
    assert list(out.columns) == ["id", "nom", "x", "y", "Fuseau", "E_WGS84_UTM", "N_WGS84_UTM", "Fuseau_2"]
    pd.testing.assert_frame_equal(out[list(df.columns)], df)
    e, n, zone, _ = travena.Converter("BE LB72", "WGS84 UTM", 3).convert(df.x, [170000, 170000.5, 171000])
    assert same_bits(out.E_WGS84_UTM, e) and same_bits(out.N_WGS84_UTM, n) and list(out.Fuseau_2) == list(zone)


def test_convert_frame_stops_at_a_bad_record_unless_told_to_go_on():
    df = pd.DataFrame({"x": [150000.0, 151000.0], "y": ["170000", "abc"]})
    with pytest.raises(travena.Error) as e:
        travena.convert_frame(df, src="BE LB72", dst=WGS84)
    assert str(e.value) == "enregistrement 1 : « abc » n'est pas un nombre." and e.value.number == 13
    out = travena.convert_frame(df, src="BE LB72", dst=WGS84, keep_going=True)
    assert list(out.columns) == ["x", "y", "W__Long", "W__Lat", "Erreur"]
    assert np.isnan(out.W__Long[1]) and out.Erreur[0] == "" and out.Erreur[1]


def test_the_ign_grid_method_finds_its_grid_beside_the_module():
    x, y = np.array([150000.0, 250000.0]), np.array([170000.0, 60000.0])
    grid = travena.Converter("BE LB72", "UE Geographic ETRS89", 4).convert(x, y, messages=True)
    helmert = travena.Converter("BE LB72", "UE Geographic ETRS89", 3).convert(x, y)
    assert list(grid[3]) == [0, 0], grid[4]
    metres = np.hypot((grid[0] - helmert[0]) * 70_000, (grid[1] - helmert[1]) * 111_000)
    assert np.all((metres > 0.01) & (metres < 1)), metres  # the grid's centimetres against Helmert's decimetres


# Texts a table may hold in a coordinate column: those the batch run reads
# and those it refuses, numpy's and Python's own float readers being more
# lenient in some ("1_000", "inf") and stricter in others ("150 000", "1D3").
CELL_TEXTS = ["150000", " 150000,5 ", "150 000", "+150000", "1.5e5", "1D5", "150000.", "1_50000", "inf", "nan",
              "0x10", "150000 m", "", "١٥٠٠٠٠"]


def test_convert_frame_reads_texts_as_the_batch_run_does(cli, tmp_path):
    source = tmp_path / "cells.txt"
    source.write_text("n\tx\ty\n" + "".join(f"{i}\t{t}\t170000\n" for i, t in enumerate(CELL_TEXTS)), encoding="utf-8")
    cli("batch", "--in", str(source), "--in-delim", "tab", "--x", "x", "--y", "y", "--from", "BE LB72", "--to", WGS84,
        "--keep-going", "--no-quote", "--out", str(tmp_path / "out.txt"))
    batch = pd.read_csv(tmp_path / "out.txt", sep="\t", dtype=str, keep_default_na=False)
    df = pd.DataFrame({"x": CELL_TEXTS, "y": ["170000"] * len(CELL_TEXTS)})
    out = travena.convert_frame(df, src="BE LB72", dst=WGS84, keep_going=True)
    for text, want_long, got_long, got_error in zip(CELL_TEXTS, batch.W__Long, out.W__Long, out.Erreur):
        assert (want_long == "") == np.isnan(got_long), text
        assert (got_error == "") == (want_long != ""), text
        if want_long:
            assert float(want_long) == got_long, text


@pytest.mark.parametrize("kinds", ["h:H", "H:h"])
def test_heights_have_the_bits_of_convert_height(cli, wgs84_points, kinds):
    lon, lat = (np.concatenate([v, extra]) for v, extra in zip(wgs84_points, ([7.5, 0.5], [50.0, 50.0])))
    height = np.random.default_rng(28).uniform(-5.0, 700.0, lon.size)
    c = travena.Converter(WGS84, "BE LB72")
    lines = "\n".join(f"{a!r}\t{b!r}\t{h!r}" for a, b, h in zip(lon, lat, height))
    rows = [line.split("\t") for line in
            cli("convert", "--from", WGS84, "--to", "BE LB72", "--height", kinds, stdin=lines + "\n")
            .splitlines()]
    x, y, zone, status, got = c.convert(lon, lat, height=height, heights=kinds)
    assert same_bits(x, numbers(rows, 0)) and same_bits(got, numbers(rows, 2))
    outside = np.isnan(got)
    assert list(np.flatnonzero(outside)) == [lon.size - 2, lon.size - 1]
    assert np.all(status[outside] == 5) and np.all(status[~outside] == 0) and not np.isnan(x).any()
    # And back to the first heights.
    back = c.convert(lon, lat, height=got, heights=kinds[::-1])[4]
    assert np.allclose(back[~outside], height[~outside], atol=1e-9)
    with pytest.raises(ValueError):
        c.convert(lon, lat, height=height, heights="h-H")
