#!/bin/sh
# Regenerates the binary files of the demo product (module directories, program and web-site
# images, the manual). The results are committed: the demo works without running this.
#
#   demo/make-binaries.sh [BINARY]
#
# The program and operating-system images carry real machine code at realistic sizes, so that a
# load shows what a controller's image gives (compiled code compresses about 2:1; made-up noise
# would not compress at all): the code section (.text) of BINARY, an ELF program this project
# builds, by default build/sim/kvxsim (or KRELVAN_DEMO_CODE), sliced at a different offset for
# each image. The images are signed with the demo's own key pair: its secret key stays outside
# the repository (KRELVAN_DEMO_SIGNING_KEY, by default in ~/.local/share/krelvan), made once when
# missing; the public key goes to product/System/ImageKey.pub, where Krelvan looks for it.
# With the same binary and key the output is deterministic, so running it again changes nothing;
# with a new key every image and the public key change together. Needs python3-cryptography.
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
code="${1:-${KRELVAN_DEMO_CODE:-$top/build/sim/kvxsim}}"
if [ ! -f "$code" ]; then
    echo "make-binaries.sh: $code not found: build it (ninja -C build kvxsim) or name an ELF" \
         "program as the argument" >&2
    exit 2
fi
export KRELVAN_DEMO_CODE="$(cd "$(dirname "$code")" && pwd)/$(basename "$code")"
cd "$top/demo/product"
export KRELVAN_DEMO_SIGNING_KEY="${KRELVAN_DEMO_SIGNING_KEY:-$HOME/.local/share/krelvan/demo-image-signing.key}"
exec python3 - <<'EOF'
import os
import struct
import zlib
from pathlib import Path

try:
    from cryptography.hazmat.primitives.asymmetric.ed25519 import Ed25519PrivateKey
    from cryptography.hazmat.primitives.serialization import Encoding, PublicFormat
except ImportError:
    raise SystemExit("make-binaries.sh: needs python3-cryptography "
                     "(apt-get install python3-cryptography)")

APPS = Path("Application programs")
PROJECTS = ["KVX200/2.4", "KVX200/2.5", "KVX210/2.1", "KVX210/2.2", "KVX210/2.3",
            "KVX300C/3.0", "KVX300C/3.1"]
RECORD = 74


def write(path, data):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


def modules_dir(pla, ela, name):
    # Three fixed 74-byte records: header, the one module, an all-zero end record.
    header = b"CODEFILE!" + b"\x1a" + struct.pack("<HH", RECORD, 1)
    module = bytes([1, pla, ela]) + name.encode("cp850")
    return (header.ljust(RECORD, b" ") + module.ljust(RECORD, b" ") + bytes(RECORD))


def text_section(path):
    # The bytes of the ELF file's .text section, read from its section headers.
    data = Path(path).read_bytes()
    if data[:4] != b"\x7fELF" or data[4] not in (1, 2) or data[5] not in (1, 2):
        raise SystemExit("make-binaries.sh: %s is not an ELF program" % path)
    end = "<" if data[5] == 1 else ">"
    if data[4] == 2:
        shoff, = struct.unpack_from(end + "Q", data, 0x28)
        shentsize, shnum, shstrndx = struct.unpack_from(end + "HHH", data, 0x3A)
        header = end + "IIQQQQ"
    else:
        shoff, = struct.unpack_from(end + "I", data, 0x20)
        shentsize, shnum, shstrndx = struct.unpack_from(end + "HHH", data, 0x2E)
        header = end + "IIIIII"

    def section(index):
        name, kind, _flags, _addr, offset, size = struct.unpack_from(
            header, data, shoff + index * shentsize)
        return name, kind, offset, size

    try:
        names = section(shstrndx)
        for index in range(shnum):
            name, kind, offset, size = section(index)
            at = names[2] + name
            if data[at:data.index(b"\0", at)] == b".text" and kind == 1:  # SHT_PROGBITS
                if offset + size > len(data):
                    break
                return data[offset:offset + size]
    except (struct.error, ValueError):
        pass
    raise SystemExit("make-binaries.sh: %s has no readable .text section" % path)


CODE = text_section(os.environ["KRELVAN_DEMO_CODE"])
if len(CODE) < 64 * 1024:
    raise SystemExit("make-binaries.sh: the code of %s is too small (%d bytes)"
                     % (os.environ["KRELVAN_DEMO_CODE"], len(CODE)))


def code(label, length):
    # `length` bytes of the code from an offset of the image's own, wrapping round at its end;
    # the period stays far beyond deflate's 32 KB window, so wrapping does not help compression.
    start = zlib.crc32(label.encode()) % len(CODE)
    out = bytearray()
    while len(out) < length:
        out += CODE[start:start + length - len(out)]
        start = 0
    return bytes(out)


def str8(value):
    data = value.encode("cp850")
    return struct.pack("<B", len(data)) + data


def signing_key():
    # The seed as 64 hexadecimal digits, readable by its owner only.
    path = Path(os.environ["KRELVAN_DEMO_SIGNING_KEY"])
    if not path.exists():
        path.parent.mkdir(parents=True, exist_ok=True)
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
        with os.fdopen(fd, "w") as out:
            out.write(os.urandom(32).hex() + "\n")
    return Ed25519PrivateKey.from_private_bytes(bytes.fromhex(path.read_text().strip()))


KEY = signing_key()
PUBLIC_KEY_TEXT = KEY.public_key().public_bytes(Encoding.Raw, PublicFormat.Raw).hex() + "\n"


def krv_image(kind, model, version, name, version_text, payload):
    # The loaders' image file (docs/image-format.md), format 2: header, payload, its CRC-32,
    # the signature over header and payload, the file's CRC-32.
    signed = (b"KRVIMAGE" + struct.pack("<HBBH4H", 2, kind, 0, model, *version) + str8(name)
              + str8(version_text) + struct.pack("<I", len(payload)) + payload)
    body = signed + struct.pack("<I", zlib.crc32(payload)) + KEY.sign(signed)
    return body + struct.pack("<I", zlib.crc32(body))


def app_image(model, revision, program, size):
    return krv_image(1, model, (0, 0, 0, 0), program, revision,
                     code("app %d %s %s" % (model, revision, program), size))


def os_image(model, version, size):
    text = "%d.%d-%d-%d" % version
    return krv_image(2, model, version, "KVXreal %s" % text, text,
                     code("os %d %s" % (model, text), size))


def port_os_image(port_type, revision, size):
    # A TCP/IP Port OS upgrade file: the model field names the port type.
    return krv_image(3, port_type, (0, 0, 0, 0), "TCP/IP Port OS %s" % revision, revision,
                     code("portos %d %s" % (port_type, revision), size))


def site_archive(folder):
    # A web site's payload (docs/image-format.md): every file below `folder`, in path order.
    files = sorted((p.relative_to(folder).as_posix(), p.read_bytes())
                   for p in folder.rglob("*") if p.is_file())
    out = b"KRVSITE1" + struct.pack("<H", len(files))
    for name, data in files:
        out += str8(name) + struct.pack("<I", len(data)) + data
    return out


def web_site_image(model, name, folder):
    return krv_image(4, model, (0, 0, 0, 0), name, "", site_archive(folder))


def pdf(lines):
    # The smallest well-formed PDF: one page of Helvetica text.
    stream = "BT /F1 12 Tf 72 760 Td 16 TL\n"
    for line in lines:
        stream += "(%s) '\n" % line.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)")
    stream += "ET\n"
    objects = [
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
        "/Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /Length %d >>\nstream\n%sendstream" % (len(stream), stream),
    ]
    out = b"%PDF-1.4\n"
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += ("%d 0 obj\n%s\nendobj\n" % (number, body)).encode("latin-1")
    xref = len(out)
    out += ("xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)).encode()
    for offset in offsets:
        out += ("%010d 00000 n \n" % offset).encode()
    out += ("trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n"
            % (len(objects) + 1, xref)).encode()
    return out


write(Path("System/ImageKey.pub"), PUBLIC_KEY_TEXT.encode())
for project in PROJECTS:
    write(APPS / project / "Modules.Dir", modules_dir(254, 30, "Module1"))

write(APPS / "KVX300C/3.0/Module1/App.Qvx",
      app_image(300, "3.0-1-05", "Heating and ventilation", 96 * 1024))
write(APPS / "KVX300C/3.1/Module1/App.Qvx",
      app_image(300, "3.1-0-02", "Heating and ventilation with web site", 128 * 1024))
# Applications of the older controllers, loaded by their job files. Sizes are what such
# programs weigh: tens of kilobytes for an application, hundreds for an operating system.
for model, project, program, size in [
        (200, "KVX200/2.4", "Heating, two radiator circuits", 24 * 1024),
        (200, "KVX200/2.5", "Heating, two radiator circuits and hot water", 32 * 1024),
        (210, "KVX210/2.1", "Air handling unit, constant air volume", 20 * 1024),
        (210, "KVX210/2.2", "Air handling unit, constant air volume", 24 * 1024),
        (210, "KVX210/2.3", "Air handling unit, constant air volume", 28 * 1024)]:
    write(APPS / project / "Module1/App.Kvx", app_image(model, project.split("/")[1], program, size))
write(APPS / "KVX210/2.3/Module1/Vav.Kvx",
      app_image(210, "2.3", "Air handling unit, variable air volume", 28 * 1024))
# Operating-system images: an older and a newer one per controller family.
write(APPS / "KVX300C/3.0/KVXreal/KVXrealC_3_1.img", os_image(300, (3, 1, 0, 12), 384 * 1024))
write(APPS / "KVX300C/3.1/KVXreal/KVXrealC_3_2.img", os_image(300, (3, 2, 0, 4), 416 * 1024))
write(APPS / "KVX200/2.4/KVXreal/KVX200_OS_2_5.img", os_image(200, (2, 5, 0, 0), 256 * 1024))
write(APPS / "KVX200/2.5/KVXreal/KVX200_OS_2_6.img", os_image(200, (2, 6, 0, 1), 272 * 1024))
write(APPS / "KVX210/2.2/KVXreal/KVX210_OS_2_2.img", os_image(210, (2, 2, 0, 0), 288 * 1024))
write(APPS / "KVX210/2.3/KVXreal/KVX210_OS_2_3.img", os_image(210, (2, 3, 0, 2), 304 * 1024))
# The TCP/IP option of the older controllers of revision 2.5: a Port OS image of their port
# type (20), reloaded by "Load Web-site".
write(APPS / "KVX200/2.5/Module1/Image.Bin", port_os_image(20, "2.5-0-03", 48 * 1024))
# TCP/IP Port OS upgrade files by port type (the controllers' UpgradeFileNumber), newer than
# what the demo controllers run, and one damaged file that the upgrade refuses.
write(Path("SLib/KVXreal/18.TcpIpPortOS"), port_os_image(18, "1.9", 128 * 1024))
write(Path("SLib/KVXreal/12.TcpIpPortOS"), port_os_image(12, "1.3", 96 * 1024))
damaged = bytearray(port_os_image(13, "2.0", 96 * 1024))
damaged[len(damaged) // 2] ^= 0xFF
write(Path("SLib/KVXreal/13.TcpIpPortOS"), bytes(damaged))

# Web sites from their sources in demo/sites.
SITES = Path("../sites")
write(APPS / "KVX300C/3.1/Module1/Image.Ecp",
      web_site_image(300, "Heating and ventilation web site", SITES / "heating-ventilation"))

write(Path("Documentation/English/Krelvan Manual.pdf"), pdf([
    "Krelvan - demo manual",
    "",
    "1. Pick a controller model in the upper list.",
    "2. Pick a program revision; the current revision is marked.",
    "3. Press Communication to choose the serial link or a TCP/IP port.",
    "4. Press Load Controller to load the program into the controller.",
    "",
    "The demo catalogue lies in the folder Application programs.",
]))
EOF
