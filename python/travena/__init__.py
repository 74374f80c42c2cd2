"""Travena's coordinate conversions from Python.

    import travena
    c = travena.Converter("BE LB72", "W Geographic WGS84", method=3)
    lon, lat, zone, status = c.convert([150000.0], [170000.0])

Systems are named as ``travena-cli systems`` lists them. Results have the
bits of the 15-digit texts ``travena-cli convert`` writes; geographic values
are decimal degrees (longitude first), MGRS and IFBL references texts. A
point that cannot be converted gets NaN (an empty reference) and its error
number in ``status``; ``convert(..., messages=True)`` adds the French causes,
``convert(..., threads=0)`` shares the points among one thread per core.

``convert(lon, lat, height=h, heights="h:H")`` also converts a height per
point, ETRS89 ellipsoidal ``h`` or Ostend ``H`` (DNG, quasi-geoid hBG18), as
``travena-cli convert --height`` does: the heights come after ``status``,
NaN (with status 5) for a point outside the model, which keeps its
coordinates.
"""

import functools

import numpy as np

from ._travena import Converter, Error, MAX_METHOD, _read_numbers, default_params, systems

__all__ = ["Converter", "Error", "MAX_METHOD", "convert_frame", "default_params", "systems"]

ERROR_COLUMN = "Erreur"


@functools.lru_cache(maxsize=32)
def _converter(src, dst, method, params):
    # A Dask worker converts partition after partition: one converter each,
    # its parameter database read once.
    return Converter(src, dst, method, params)


def _column_names(taken, names):
    # As the batch run names them: a name already taken (in any case) gets
    # "_2", "_3"...
    seen = [t.lower() for t in taken]
    out = []
    for name in names:
        candidate, k = name, 2
        while candidate.lower() in seen:
            candidate, k = f"{name}_{k}", k + 1
        seen.append(candidate.lower())
        out.append(candidate)
    return out


def _numbers(column):
    import numpy as np
    import pandas as pd

    if pd.api.types.is_numeric_dtype(column.dtype):
        return column.to_numpy(dtype=np.float64, na_value=np.nan)
    # Texts, as a table holds them, read by the batch run's own reader (a
    # decimal comma reads as a point); an empty or unreadable cell becomes
    # NaN, which the conversion refuses.
    return _read_numbers(column.to_numpy(dtype=object))


def _name_unread_texts(df, names, arrays, failed, messages):
    # A text that is no number reached the converter as NaN: its cause
    # quotes it, as the batch run's does.
    for i in failed:
        for name, array in zip(names, arrays):
            if np.isnan(array[i]):
                text = str(df[name].iloc[i]).strip()
                if text and text.lower() != "nan":
                    messages[i] = f"« {text} » n'est pas un nombre."
                break


def convert_frame(df, x="x", y="y", src=None, dst=None, method=1, zone=None, params=None, keep_going=False):
    """``df`` with the output columns of ``src`` to ``dst`` added after its own.

    ``x``, ``y`` and ``zone`` name the input columns (``y`` unused for MGRS
    and IFBL, ``zone`` needed for UTM); geographic inputs are decimal
    degrees. The columns are named as ``travena-cli batch`` names them. A
    record that cannot be converted raises ``travena.Error`` naming it by its
    index label (``position`` its row, ``cause`` the French cause), unless
    ``keep_going``: then it gets empty results and its cause in a last
    column "Erreur".
    """
    import numpy as np
    import pandas as pd

    if src is None or dst is None:
        raise ValueError("src et dst : choisissez les systèmes d'entrée et de sortie.")
    c = _converter(src, dst, int(method), params or "")
    grid_in = c.src_kind in ("mgrs", "ifbl")
    if grid_in:
        values = (df[x].to_numpy(dtype=object),)
    else:
        values = (_numbers(df[x]), _numbers(df[y]))
    zones = _numbers(df[zone]) if c.src_kind == "utm" and zone is not None else None
    if c.src_kind == "utm" and zones is None:
        raise ValueError("zone : nommez la colonne des fuseaux d'une entrée UTM.")
    ox, oy, oz, status, messages = c.convert(*values, zone=zones, messages=True)
    failed = np.flatnonzero(status)
    if len(failed) and not grid_in:
        _name_unread_texts(df, [x, y] + ([zone] if zones is not None else []), values + ((zones,) if zones is not None else ()),
                           failed, messages)
    if len(failed) and not keep_going:
        first = int(failed[0])
        error = Error(f"enregistrement {df.index[first]} : {messages[first]}")
        error.number = int(status[first])
        error.position, error.cause = first, messages[first]  # the row within df, 0 for the first
        raise error

    names = _column_names(list(df.columns), c.columns + ([ERROR_COLUMN] if keep_going else []))
    out = df.copy()
    if c.dst_kind in ("mgrs", "ifbl"):
        results = [np.where(status == 0, ox, None)]
    else:
        results = [ox, oy]
        if c.dst_kind == "utm":
            zones_out = pd.array(oz, dtype="Int32")
            zones_out[status != 0] = pd.NA
            results.append(zones_out)
    if keep_going:
        results.append(messages)
    for name, values in zip(names, results):
        out[name] = values
    return out
