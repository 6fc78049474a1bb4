#!/usr/bin/env python3
"""Checks the manifests package.sh wrote into DIST for VERSION: the YAML and
JSON parse, the fields winget and Scoop need are there, and every hash is the
hash of its file in DIST. Prints each fault and ends with status 1 on any.

Usage: check-manifests.py DIST VERSION
"""
import glob
import hashlib
import json
import os
import sys

import yaml

IDENTIFIER = "Orvane.Kobaru"
faults = []


def fault(text):
    faults.append(text)
    print(f"  {text}")


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def file_of(url, digest, what):
    if not url.startswith("https://") or "{version}" in url:
        fault(f"{what}: {url} is no download address")
    name = os.path.join(DIST, url.rsplit("/", 1)[-1])
    if not os.path.isfile(name):
        fault(f"{what}: {url} names no file in {DIST}")
    elif sha256(name) != str(digest).lower():
        fault(f"{what}: the hash is not that of {name}")
    return os.path.basename(name)


def need(document, fields, what):
    for field, expected in fields.items():
        value = document.get(field)
        if value is None or (expected is not None and value != expected):
            fault(f"{what}: {field} is {value!r}" + (f", not {expected!r}" if expected is not None else ""))


def check_winget():
    folder = os.path.join(DIST, "winget")
    kinds = {}
    for path in sorted(glob.glob(os.path.join(folder, "*.yaml"))):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        if not text.startswith("# yaml-language-server: $schema=https://aka.ms/winget-manifest."):
            fault(f"{path}: no schema header")
        try:
            document = yaml.safe_load(text)
        except yaml.YAMLError as error:
            fault(f"{path}: not YAML ({error})")
            continue
        name = os.path.basename(path)
        need(document, {"PackageIdentifier": IDENTIFIER, "PackageVersion": VERSION, "ManifestVersion": None}, name)
        kind = document.get("ManifestType")
        if kind == "locale":
            kind = f"locale {document.get('PackageLocale')}"
        kinds[kind] = document
    for kind in ("version", "installer", "defaultLocale", "locale ja-JP"):
        if kind not in kinds:
            fault(f"winget: no {kind} manifest in {folder}")
    versions = {str(document.get("ManifestVersion")) for document in kinds.values()}
    if len(versions) != 1:
        fault(f"winget: the manifests disagree about ManifestVersion: {sorted(versions)}")
    for kind in ("defaultLocale", "locale ja-JP"):
        need(kinds.get(kind, {}), dict.fromkeys(("Publisher", "PackageName", "ShortDescription", "PackageUrl")), kind)
        need(kinds.get(kind, {}), {"License": "MIT"}, kind)
    need(kinds.get("version", {}), {"DefaultLocale": kinds.get("defaultLocale", {}).get("PackageLocale")}, "version")
    installers = kinds.get("installer", {}).get("Installers") or []
    arches = sorted(entry.get("Architecture", "") for entry in installers)
    if arches != ["x64", "x86"]:
        fault(f"winget: the installers are for {arches}, not x64 and x86")
    for entry in installers:
        what = f"winget {entry.get('Architecture')} installer"
        need(entry, {"InstallerType": "nullsoft", "Scope": "user", "InstallerUrl": None, "InstallerSha256": None}, what)
        name = file_of(str(entry.get("InstallerUrl")), entry.get("InstallerSha256"), what)
        if not name.endswith("-setup.exe"):
            fault(f"{what}: {name} is not an installer")


def check_scoop():
    path = os.path.join(DIST, "scoop", "kobaru.json")
    try:
        with open(path, encoding="utf-8") as f:
            manifest = json.load(f)
    except (OSError, ValueError) as error:
        fault(f"{path}: {error}")
        return
    need(manifest, {"version": VERSION, "license": "MIT", "bin": "vemo.exe", "persist": "vemo.ini"}, "scoop")
    need(manifest, dict.fromkeys(("description", "homepage", "shortcuts", "pre_install")), "scoop")
    if "vemo.ini" not in "".join(manifest.get("pre_install", [])):
        fault("scoop: pre_install does not make vemo.ini")
    for arch, suffix in (("32bit", "-win32.zip"), ("64bit", "-win64.zip")):
        entry = manifest.get("architecture", {}).get(arch, {})
        need(entry, {"url": None, "hash": None}, f"scoop {arch}")
        if not file_of(str(entry.get("url")), entry.get("hash"), f"scoop {arch}").endswith(suffix):
            fault(f"scoop {arch}: not the {suffix} package")


DIST, VERSION = sys.argv[1:3]
check_winget()
check_scoop()
sys.exit(1 if faults else 0)
