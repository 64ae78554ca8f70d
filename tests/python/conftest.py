"""The tests own their environment: a fresh HOME and cache for the commands
and the module, the C locale with UTF-8."""

import os

import pytest


@pytest.fixture(autouse=True)
def own_environment(tmp_path, monkeypatch):
    for name, folder in (("HOME", "home"), ("XDG_CACHE_HOME", "cache"), ("XDG_CONFIG_HOME", "config")):
        os.makedirs(tmp_path / folder, exist_ok=True)
        monkeypatch.setenv(name, str(tmp_path / folder))
    monkeypatch.setenv("LC_ALL", "C.UTF-8")
