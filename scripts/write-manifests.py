#!/usr/bin/env python3
"""Writes the winget and Scoop manifests for the packages of one version in
dist/: dist/winget/ (a multi-file winget set: version, installer, en-US and
ja-JP locales) and dist/scoop/kobaru.json. package.sh runs it after it has
made the packages.

Usage: write-manifests.py DIST VERSION RELEASE_URL
RELEASE_URL is where a release's files are published; "{version}" in it
stands for the version. Only Python's own library is used.
"""
import hashlib
import json
import os
import sys

IDENTIFIER = "Orvane.Kobaru"
MANIFEST_VERSION = "1.10.0"
PUBLISHER = "Orvane"
NAME = "Kobaru"
HOMEPAGE = "https://www.orvane.example/"
LICENSE = "MIT"
EXE = "vemo.exe"
SETTINGS = "vemo.ini"
# What the installer names its Uninstall key: how winget finds an installed copy.
PRODUCT_CODE = "Kobaru"
DESCRIPTIONS = {
    "en-US": "A picture slideshow that lives in the Windows notification area: the tray icon itself shows your pictures.",
    "ja-JP": "通知領域のアイコンそのものに、登録したフォルダーの画像を順に表示するスライドショー。",
}
ARCHES = (("win32", "x86", "32bit"), ("win64", "x64", "64bit"))


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


def scalar(value):
    # A JSON string is a YAML double-quoted scalar, so nothing is ever read
    # back as a number (1.10 is a version, not 1.1).
    return json.dumps(value, ensure_ascii=False)


def yaml_document(kind, lines):
    schema = f"https://aka.ms/winget-manifest.{kind}.{MANIFEST_VERSION}.schema.json"
    body = "\n".join(lines)
    return (f"# yaml-language-server: $schema={schema}\n\n{body}\n"
            f"ManifestType: {kind}\nManifestVersion: {MANIFEST_VERSION}\n")


def locale_lines(version, locale, description):
    return [
        f"PackageIdentifier: {IDENTIFIER}",
        f"PackageVersion: {scalar(version)}",
        f"PackageLocale: {locale}",
        f"Publisher: {scalar(PUBLISHER)}",
        f"PublisherUrl: {scalar(HOMEPAGE)}",
        f"PackageName: {scalar(NAME)}",
        f"PackageUrl: {scalar(HOMEPAGE)}",
        f"License: {LICENSE}",
        f"ShortDescription: {scalar(description)}",
        "Tags:",
        "- slideshow",
        "- tray",
    ]


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    dist, version, release_url = sys.argv[1:]
    base = release_url.replace("{version}", version).rstrip("/")
    files = {}
    for arch, _, _ in ARCHES:
        for kind, name in (("setup", f"Kobaru-{version}-{arch}-setup.exe"), ("zip", f"Kobaru-{version}-{arch}.zip")):
            path = os.path.join(dist, name)
            if not os.path.isfile(path):
                sys.exit(f"manifests: {path} is missing; make both builds' packages first")
            files[arch, kind] = (f"{base}/{name}", sha256(path))

    winget = os.path.join(dist, "winget")
    os.makedirs(winget, exist_ok=True)
    for old in os.listdir(winget):
        os.remove(os.path.join(winget, old))
    installers = ["Installers:"]
    for arch, winget_arch, _ in ARCHES:
        url, digest = files[arch, "setup"]
        installers += [
            f"- Architecture: {winget_arch}",
            "  InstallerType: nullsoft",
            "  Scope: user",
            f"  InstallerUrl: {scalar(url)}",
            f"  InstallerSha256: {digest.upper()}",
        ]
    documents = {
        f"{IDENTIFIER}.yaml": yaml_document("version", [
            f"PackageIdentifier: {IDENTIFIER}",
            f"PackageVersion: {scalar(version)}",
            "DefaultLocale: en-US",
        ]),
        f"{IDENTIFIER}.installer.yaml": yaml_document("installer", [
            f"PackageIdentifier: {IDENTIFIER}",
            f"PackageVersion: {scalar(version)}",
            "MinimumOSVersion: 6.1.7601.0",
            "InstallModes:",
            "- interactive",
            "- silent",
            "UpgradeBehavior: install",
            f"ProductCode: {scalar(PRODUCT_CODE)}",
        ] + installers),
        f"{IDENTIFIER}.locale.en-US.yaml": yaml_document(
            "defaultLocale", locale_lines(version, "en-US", DESCRIPTIONS["en-US"])),
        f"{IDENTIFIER}.locale.ja-JP.yaml": yaml_document(
            "locale", locale_lines(version, "ja-JP", DESCRIPTIONS["ja-JP"])),
    }
    for name, text in documents.items():
        with open(os.path.join(winget, name), "w", encoding="utf-8", newline="\n") as f:
            f.write(text)

    scoop = {
        "version": version,
        "description": DESCRIPTIONS["en-US"],
        "homepage": HOMEPAGE,
        "license": LICENSE,
        "architecture": {
            scoop_arch: {"url": files[arch, "zip"][0], "hash": files[arch, "zip"][1]}
            for arch, _, scoop_arch in reversed(ARCHES)
        },
        # Scoop keeps a persisted name that does not exist yet as a folder;
        # an empty settings file makes it a file, and tells the program that
        # its settings live in the INI file.
        "pre_install": [
            f'if (!(Test-Path "$persist_dir\\{SETTINGS}")) {{ New-Item "$dir\\{SETTINGS}" -ItemType File | Out-Null }}'
        ],
        "bin": EXE,
        "shortcuts": [[EXE, NAME]],
        "persist": SETTINGS,
    }
    os.makedirs(os.path.join(dist, "scoop"), exist_ok=True)
    with open(os.path.join(dist, "scoop", "kobaru.json"), "w", encoding="utf-8", newline="\n") as f:
        json.dump(scoop, f, ensure_ascii=False, indent=4)
        f.write("\n")
    print(f"manifests: {winget}/ ({len(documents)} files), {dist}/scoop/kobaru.json, for {base}/")


main()
