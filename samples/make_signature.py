#!/usr/bin/env python3
"""Writes a sign.sgn for a sample: a detached CMS (PKCS#7) SignedData in DER.

The structure has the shape of the signatures the editor attaches: one signer
certificate issued by the TÜBİTAK Kamu SM authority names, a signer whose
subject carries a commonName and an 11-digit serialNumber, and signed
attributes with contentType, signingTime (UTCTime) and the SHA-256 message
digest of the exact content.xml member bytes. Nothing in it is a real key or
a real signature: the key and signature bytes are derived from a fixed seed so
that the file is reproducible.

usage: make_signature.py CONTENT_XML OUTPUT_SGN
"""

import hashlib
import sys

SIGNER_NAME = "CAHİT YILMAZ"
SIGNER_NUMBER = "31415926530"  # invented, 11 digits
SIGNING_TIME = "261204143015Z"  # 04.12.2026 14:30:15
NOT_BEFORE = "261101000000Z"
NOT_AFTER = "291101000000Z"

OID_SIGNED_DATA = "1.2.840.113549.1.7.2"
OID_DATA = "1.2.840.113549.1.7.1"
OID_SHA256 = "2.16.840.1.101.3.4.2.1"
OID_SHA256_RSA = "1.2.840.113549.1.1.11"
OID_RSA = "1.2.840.113549.1.1.1"
OID_CONTENT_TYPE = "1.2.840.113549.1.9.3"
OID_MESSAGE_DIGEST = "1.2.840.113549.1.9.4"
OID_SIGNING_TIME = "1.2.840.113549.1.9.5"
OID_COUNTRY = "2.5.4.6"
OID_ORGANIZATION = "2.5.4.10"
OID_UNIT = "2.5.4.11"
OID_COMMON_NAME = "2.5.4.3"
OID_SERIAL_NUMBER = "2.5.4.5"

ISSUER = [
    (OID_COUNTRY, 0x13, "TR"),
    (OID_ORGANIZATION, 0x0C, "Türkiye Bilimsel ve Teknolojik Araştırma Kurumu - TÜBİTAK"),
    (OID_UNIT, 0x0C, "Kamu Sertifikasyon Merkezi - Kamu SM"),
    (OID_COMMON_NAME, 0x0C, "Kamu SM Nitelikli Elektronik Sertifika Hizmet Sağlayıcısı - Sürüm 1"),
]
SUBJECT = [
    (OID_COUNTRY, 0x13, "TR"),
    (OID_SERIAL_NUMBER, 0x13, SIGNER_NUMBER),
    (OID_COMMON_NAME, 0x0C, SIGNER_NAME),
]


def length(n):
    if n < 0x80:
        return bytes([n])
    body = n.to_bytes((n.bit_length() + 7) // 8, "big")
    return bytes([0x80 | len(body)]) + body


def tlv(tag, content):
    return bytes([tag]) + length(len(content)) + content


def seq(*parts):
    return tlv(0x30, b"".join(parts))


def set_of(*parts):
    return tlv(0x31, b"".join(sorted(parts)))


def context(number, content):
    return tlv(0xA0 + number, content)


def integer(value):
    body = value.to_bytes(max(1, (value.bit_length() + 8) // 8), "big")
    return tlv(0x02, body)


def oid(dotted):
    numbers = [int(x) for x in dotted.split(".")]
    body = bytes([40 * numbers[0] + numbers[1]])
    for n in numbers[2:]:
        chunk = [n & 0x7F]
        n >>= 7
        while n:
            chunk.append(0x80 | (n & 0x7F))
            n >>= 7
        body += bytes(reversed(chunk))
    return tlv(0x06, body)


def name(attributes):
    return seq(*(set_of(seq(oid(o), tlv(tag, value.encode("utf-8")))) for o, tag, value in attributes))


def algorithm(dotted):
    return seq(oid(dotted), b"\x05\x00")


def filler(label, size):
    """Reproducible stand-in bytes for a key or a signature."""
    out = b""
    block = label.encode()
    while len(out) < size:
        block = hashlib.sha256(block).digest()
        out += block
    return out[:size]


def certificate():
    serial = 0x4B414D55534D0001
    public_key = seq(algorithm(OID_RSA), tlv(0x03, b"\x00" + seq(integer(int.from_bytes(
        b"\x00" + filler("modulus", 256), "big")), integer(65537))))
    tbs = seq(context(0, integer(2)), integer(serial), algorithm(OID_SHA256_RSA), name(ISSUER),
              seq(tlv(0x17, NOT_BEFORE.encode()), tlv(0x17, NOT_AFTER.encode())), name(SUBJECT), public_key)
    return seq(tbs, algorithm(OID_SHA256_RSA), tlv(0x03, b"\x00" + filler("certificate", 256))), serial


def signed_data(content):
    cert, serial = certificate()
    attributes = [
        seq(oid(OID_CONTENT_TYPE), set_of(oid(OID_DATA))),
        seq(oid(OID_SIGNING_TIME), set_of(tlv(0x17, SIGNING_TIME.encode()))),
        seq(oid(OID_MESSAGE_DIGEST), set_of(tlv(0x04, hashlib.sha256(content).digest()))),
    ]
    signer = seq(integer(1), seq(name(ISSUER), integer(serial)), algorithm(OID_SHA256),
                 context(0, b"".join(attributes)), algorithm(OID_SHA256_RSA),
                 tlv(0x04, filler("signature", 256)))
    body = seq(integer(1), set_of(algorithm(OID_SHA256)), seq(oid(OID_DATA)), context(0, cert), set_of(signer))
    return seq(oid(OID_SIGNED_DATA), context(0, body))


def main():
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(sys.argv[1], "rb") as f:
        content = f.read()
    with open(sys.argv[2], "wb") as f:
        f.write(signed_data(content))
    return 0


if __name__ == "__main__":
    sys.exit(main())
