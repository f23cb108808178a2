#!/usr/bin/env python3
"""Update manifests, as a portal signs them: the newest launcher's version,
its installer's URL, size and SHA-256, and the oldest version that may update
to it, signed with the portal's Ed25519 key (the seed link_signing.py keygen
made; any key of the launcher's list verifies).

    update_manifest.py SEED_FILE INSTALLER VERSION URL [--minimum VERSION] [--not-before SECONDS]
        prints the signed manifest for INSTALLER (its size and SHA-256 are
        read from the file), to be served at PortalBaseUrl + launcher/update.txt

The signature covers Context followed by every byte before the signature
line, which comes last: "signature=" and the Base64 signature. A launch
link's context is another text, so neither signature passes for the other.
docs/portal.md describes the fields; the launcher refuses a manifest that
does not verify, parse or fit, and these functions refuse to make one.
"""
import argparse
import base64
import ctypes
import hashlib
import re
import sys

import link_signing

Context = b"zentaris update manifest v1\0"
# The launcher's bounds (ZentarisLauncher/update/update_manifest.h).
MANIFEST_CAPACITY = 4096
SIZE_LIMIT = 64 * 1024 * 1024
URL_CAPACITY = 2048

_VERSION = re.compile(r"(0|[1-9][0-9]{0,4})(\.(0|[1-9][0-9]{0,4})){3}\Z")
_URL_CHARS = re.compile(r"[A-Za-z0-9\-._~:/?#\[\]@!$&'()*+,;=%]+\Z")
_LOOPBACK = re.compile(r"(localhost|\[::1\]|127\.([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,3}))(:[0-9]{1,5})?\Z")


def check_version(text):
    """Four numbers of 0 to 65535 without leading zeros, as Windows keeps a
    file's version."""
    if not _VERSION.match(text) or any(int(part) > 65535 for part in text.split(".")):
        raise ValueError(f"not a version of four numbers 0-65535: {text!r}")
    return text


def check_url(url, plain_http_for_any_host=False):
    """https, or http on loopback only (unless the launcher was built with
    AllowPlainHttpPortal): the launcher's rule for an installer's URL."""
    if not 0 < len(url) <= URL_CAPACITY or not _URL_CHARS.match(url):
        raise ValueError(f"not a plain URL of at most {URL_CAPACITY} characters: {url!r}")
    scheme, sep, rest = url.partition("://")
    authority = re.split(r"[/?#]", rest, maxsplit=1)[0] if sep else ""
    if scheme not in ("https", "http") or not authority or authority.startswith(":") or re.search(r"[@%]", authority):
        raise ValueError(f"not an https or http URL with a plain host: {url!r}")
    loopback = _LOOPBACK.match(authority.lower())
    if loopback and loopback.group(2) is not None and max(int(loopback.group(n)) for n in (2, 3, 4)) > 255:
        loopback = None
    if scheme == "http" and not loopback and not plain_http_for_any_host:
        raise ValueError(f"plain http is for loopback hosts only: {url!r}")
    return url


def manifest_body(version, url, size, sha256, minimum, not_before=None):
    """The signed lines, each ended by LF."""
    check_version(version)
    check_version(minimum)
    check_url(url)
    if not 0 < size <= SIZE_LIMIT:
        raise ValueError(f"an installer of {size} bytes: the launcher takes 1 to {SIZE_LIMIT}")
    if not re.fullmatch(r"[0-9a-f]{64}", sha256):
        raise ValueError(f"not a SHA-256 in hex: {sha256!r}")
    lines = [f"version={version}", f"url={url}", f"size={size}", f"sha256={sha256}", f"minimum={minimum}"]
    if not_before is not None:
        if not 0 <= int(not_before) < 10 ** 18:
            raise ValueError(f"not a time in seconds: {not_before!r}")
        lines.append(f"notbefore={int(not_before)}")
    return "".join(line + "\n" for line in lines).encode("ascii")


def sign(seed, body, context=Context):
    """body, then its signature line. (`context` is for tests that show that
    another context's signature is refused.)"""
    _, secret = link_signing.keypair_from_seed(seed)
    message = context + body
    signature = ctypes.create_string_buffer(64)
    if link_signing._lib.crypto_sign_detached(signature, None, message, ctypes.c_ulonglong(len(message)),
                                              secret) != 0:
        raise RuntimeError("crypto_sign_detached failed")
    text = body + b"signature=" + base64.b64encode(signature.raw) + b"\n"
    if len(text) > MANIFEST_CAPACITY:
        raise ValueError(f"a manifest of {len(text)} bytes: the launcher reads at most {MANIFEST_CAPACITY}")
    return text


def installer_manifest(seed, installer, version, url, minimum="0.0.0.0", not_before=None):
    """The signed manifest for the installer's bytes."""
    body = manifest_body(version, url, len(installer), hashlib.sha256(installer).hexdigest(), minimum, not_before)
    return sign(seed, body)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("seed_file")
    ap.add_argument("installer")
    ap.add_argument("version")
    ap.add_argument("url")
    ap.add_argument("--minimum", default="0.0.0.0", help="the oldest version that may update to this one")
    ap.add_argument("--not-before", type=int, metavar="SECONDS",
                    help="seconds since 1970 (UTC) before which no launcher updates")
    args = ap.parse_args()
    with open(args.installer, "rb") as f:
        installer = f.read()
    try:
        text = installer_manifest(link_signing.read_seed(args.seed_file), installer, args.version, args.url,
                                  args.minimum, args.not_before)
    except ValueError as e:
        sys.exit(f"update_manifest.py: {e}")
    sys.stdout.buffer.write(text)


if __name__ == "__main__":
    main()
