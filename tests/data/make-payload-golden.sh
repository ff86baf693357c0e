#!/usr/bin/env bash
# Makes payload-full.gbk, the barcode text of the record below, without the program's code:
# AES-128-ECB by the openssl command, CRC-32 by Python's zlib. Run it again only to change the record.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
python3 - <<'PY'
import subprocess, zlib
# The 24 fields the payload takes, in print record order (ghdw … zh).
record = ["张三", "身份证", "110101199001011234", "13800138000", "100010", "北京市东城区某路1号",
          "EA211 088456", "一汽-大众汽车有限公司", "LFV2A21K5A3000001", "大众FV7152FCDBG", "2026-12-10",
          "00012345", "132000000001", "117000.00", "1.6", "0.17", "1.5", "5", "110101200801010",
          "13205810000", "北京市朝阳区车市路8号", "010-88886666", "中国工商银行", "0200001234567890123"]
gbk = [v.encode("gbk") for v in record]
key = (gbk[12] + b"-" + gbk[11])[:16].ljust(16, b"\0")

def encrypt(plain):
    if not plain:
        return b""
    padded = plain + b"\0" * (-len(plain) % 16)
    out = subprocess.run(["openssl", "enc", "-aes-128-ecb", "-nopad", "-K", key.hex()],
                         input=padded, capture_output=True, check=True).stdout
    return out.hex().upper().encode()

fields = gbk[0:6] + [encrypt(gbk[6])] + gbk[7:13] + [encrypt(gbk[13])] + [gbk[14]] + gbk[18:24] + gbk[15:18]
text = b"^1^1^" + b"".join(f + b"^" for f in fields)
payload = b"#STARS#" + str(zlib.crc32(text)).encode() + text + b"#END#"
open("payload-full.gbk", "wb").write(payload)
PY
