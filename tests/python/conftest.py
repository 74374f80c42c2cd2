import os
import subprocess

import pytest


@pytest.fixture(scope="session")
def cli():
    """Runs travena-cli (TRAVENA_CLI, set by ctest) and returns its standard output."""
    path = os.environ.get("TRAVENA_CLI", "build/bin/travena-cli")

    def run(*args, stdin=""):
        done = subprocess.run([path, *args], input=stdin, capture_output=True, text=True)
        assert done.returncode in (0, 1), done.stderr
        return done.stdout

    return run
