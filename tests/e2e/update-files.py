#!/usr/bin/env python3
"""Host-side checks of what a firmware update leaves behind, for wine-harness.sh.

  update-files.py check-backup MEMORY.bin BACKUP.hex  the backup holds the settings memory
  update-files.py check-flash IMAGE.bin FLASH.bin     the flash holds the image in sending order
  update-files.py checksum FLASH.bin                  the instrument's firmware checksum, decimal
  update-files.py random-flash FILE SEED              65,536 reproducible random bytes

Each check prints "ok ..." or "FAIL ..." and exits 0 or 1.
"""
import random
import sys

# The carried images are stored with each of these pieces reversed within its bounds.
PIECES = [(0, 436), (437, 8644), (8645, 46547), (46548, 65535)]
UPLOADED = 57344  # 224 pages of 256 bytes; the rest of the image is never sent
BACKUP_LINES = 128


def sending_order(stored):
    image = bytearray(len(stored))
    for first, last in PIECES:
        image[first:last + 1] = stored[first:last + 1][::-1]
    return image


def check_backup(memory_path, backup_path):
    memory = open(memory_path, 'rb').read()
    backup = open(backup_path, 'rb').read()
    expected = b''.join(memory[16 * line:16 * line + 16].hex().upper().encode() + b'\r\n' for line in range(BACKUP_LINES))
    if len(memory) != 2048:
        return f'FAIL the memory dump has {len(memory)} bytes'
    if backup == expected:
        return f'ok the backup holds the settings memory: {len(backup)} bytes, {BACKUP_LINES} lines'
    lines = backup.split(b'\r\n')
    for number, (wanted, got) in enumerate(zip(expected.split(b'\r\n'), lines)):
        if wanted != got:
            return f'FAIL backup line {number}: expected {wanted!r}, got {got!r}'
    return f'FAIL the backup has {len(backup)} bytes, expected {len(expected)}'


def check_flash(image_path, flash_path):
    image = sending_order(open(image_path, 'rb').read())
    flash = open(flash_path, 'rb').read()
    for offset in range(UPLOADED):
        if flash[offset] != image[offset]:
            return f'FAIL flash byte {offset}: expected 0x{image[offset]:02X}, got 0x{flash[offset]:02X}'
    return f'ok the flash holds the image in sending order over 0..{UPLOADED - 1}'


def main(arguments):
    command = arguments[0] if arguments else ''
    if command == 'check-backup' and len(arguments) == 3:
        result = check_backup(arguments[1], arguments[2])
    elif command == 'check-flash' and len(arguments) == 3:
        result = check_flash(arguments[1], arguments[2])
    elif command == 'checksum' and len(arguments) == 2:
        print(sum(open(arguments[1], 'rb').read()[:UPLOADED]) % (1 << 24))
        return 0
    elif command == 'random-flash' and len(arguments) == 3:
        generator = random.Random(int(arguments[2]))
        open(arguments[1], 'wb').write(bytes(generator.randrange(256) for _ in range(65536)))
        return 0
    else:
        print(__doc__, file=sys.stderr)
        return 2
    print(result)
    return 0 if result.startswith('ok') else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
