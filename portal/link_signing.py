#!/usr/bin/env python3
"""Launch-link signatures (Ed25519, through libsodium), as a portal makes them.

    link_signing.py keygen DIR   writes DIR/portal-signing.seed (secret, Base64)
                                 and DIR/portal-signing.pub (public, Base64),
                                 unless they exist; prints the public key
    link_signing.py sign SEED_FILE APPNAME INSTALLKEY INSTALLVALUE EXENAME WEBLINK APPROVALID
                                 prints the signed launch link

A signed launch link carries a seventh payload field: the Base64 signature
of Context followed by the six fields joined with ";", exactly as they stand
in the payload. The launcher is built with the public key; the seed stays on
the portal's server. portal/sign_link.php and portal/sign_link.js do the same
in PHP and Node; portal/tests/link_vectors.json holds links all three must
make alike (docs/portal.md).
"""
import base64
import ctypes
import ctypes.util
import os
import sys

Context = b"zentaris launch link v1\0"


def _sodium():
    name = ctypes.util.find_library("sodium") or "libsodium.so.23"
    lib = ctypes.CDLL(name)
    if lib.sodium_init() < 0:
        raise RuntimeError("libsodium could not be initialised")
    return lib


_lib = _sodium()


def keypair_from_seed(seed):
    """(public key, secret key) of a 32-byte seed."""
    if len(seed) != 32:
        raise ValueError("a signing seed has 32 bytes")
    public = ctypes.create_string_buffer(32)
    secret = ctypes.create_string_buffer(64)
    if _lib.crypto_sign_seed_keypair(public, secret, seed) != 0:
        raise RuntimeError("crypto_sign_seed_keypair failed")
    return public.raw, secret.raw


def check_fields(fields):
    """Refuses fields the launcher would read otherwise than they were
    signed: an empty field or a ";" moves every later field, a NUL ends the
    payload."""
    if len(fields) != 6:
        raise ValueError("a launch link has six fields")
    for field in fields:
        if not field or ";" in field or "\0" in field:
            raise ValueError(f"a launch link field is empty or holds ';' or NUL: {field!r}")


def signed_message(fields):
    # Strict: a character Windows-1252 lacks is an error, never a "?" that
    # would name another game or folder.
    return Context + ";".join(fields).encode("cp1252")


def sign_fields(seed, fields):
    """Base64 signature of the six payload fields (payload order)."""
    check_fields(fields)
    _, secret = keypair_from_seed(seed)
    message = signed_message(fields)
    signature = ctypes.create_string_buffer(64)
    if _lib.crypto_sign_detached(signature, None, message, ctypes.c_ulonglong(len(message)), secret) != 0:
        raise RuntimeError("crypto_sign_detached failed")
    return base64.b64encode(signature.raw).decode("ascii")


def launch_link(seed, fields):
    """The signed launch link of six text fields (payload order): "zentaris://launch/"
    and the standard Base64 of the Windows-1252 payload."""
    signature = sign_fields(seed, fields)
    payload = ";".join([*fields, signature]).encode("cp1252")
    return "zentaris://launch/" + base64.b64encode(payload).decode("ascii")


def read_seed(path):
    with open(path) as f:
        return base64.b64decode(f.read().strip())


def keygen(folder):
    os.makedirs(folder, exist_ok=True)
    seed_path = os.path.join(folder, "portal-signing.seed")
    pub_path = os.path.join(folder, "portal-signing.pub")
    if not os.path.exists(seed_path):
        seed = os.urandom(32)
        fd = os.open(seed_path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
        with os.fdopen(fd, "w") as f:
            f.write(base64.b64encode(seed).decode("ascii") + "\n")
    public, _ = keypair_from_seed(read_seed(seed_path))
    text = base64.b64encode(public).decode("ascii")
    with open(pub_path, "w") as f:
        f.write(text + "\n")
    return text


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "keygen":
        print(keygen(sys.argv[2]))
    elif len(sys.argv) == 9 and sys.argv[1] == "sign":
        try:
            print(launch_link(read_seed(sys.argv[2]), sys.argv[3:]))
        except (ValueError, UnicodeEncodeError) as e:
            sys.exit(f"link_signing.py: {e}")
    else:
        sys.exit(__doc__)
