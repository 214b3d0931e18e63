#!/usr/bin/env python3
"""Draws the program's own artwork and prompt sounds into resources/ (run once by hand)."""
import math, struct, sys, wave, zlib, os

OUT = os.path.join(os.path.dirname(__file__), '..', 'resources')

def png(path, w, h, pixel):
    rows = bytearray()
    for y in range(h):
        rows.append(0)
        for x in range(w):
            rows.extend(pixel(x, y))
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data) & 0xffffffff)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(bytes(rows), 9)) + chunk(b'IEND', b''))

def mix(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(len(a)))

def inside_round_rect(x, y, l, t, r, b, rad):
    if x < l or x > r or y < t or y > b:
        return False
    cx = min(max(x, l + rad), r - rad)
    cy = min(max(y, t + rad), b - rad)
    return (x - cx) ** 2 + (y - cy) ** 2 <= rad * rad

DOCS = [  # left, top, stripe colour
    (300, 38, (214, 48, 49)),
    (352, 58, (41, 98, 255)),
    (404, 38, (230, 126, 34)),
    (456, 58, (39, 174, 96)),
]

def cover(x, y):
    w, h = 520, 180
    col = mix((18, 52, 110), (20, 140, 150), (x / w) * 0.8 + (y / h) * 0.2)
    # soft light band
    d = abs((y - 0.35 * x) - 30) / 60.0
    if d < 1:
        col = mix(col, (255, 255, 255), 0.08 * (1 - d))
    for (l, t, stripe) in DOCS:
        r, b = l + 44, t + 58
        if inside_round_rect(x, y, l + 3, t + 4, r + 3, b + 4, 5):
            col = mix(col, (0, 0, 0), 0.25)
        if inside_round_rect(x, y, l, t, r, b, 5) and not (x > r - 12 and y < t + 12 and (x - (r - 12)) > (y - t)):
            col = (250, 250, 252)
            if t + 8 <= y <= t + 18 and l + 6 <= x <= r - 16:
                col = stripe
            for k in range(3):
                yy = t + 26 + k * 9
                if yy <= y <= yy + 3 and l + 6 <= x <= r - 6 - k * 6:
                    col = (200, 205, 215)
    # magnifier over the documents
    cx, cy, rr = 250, 96, 40
    dist = math.hypot(x - cx, y - cy)
    if rr - 7 <= dist <= rr:
        col = (245, 245, 245)
    elif dist < rr - 7:
        col = mix(col, (255, 255, 255), 0.18)
    hx, hy = x - cx, y - cy
    along = (hx + hy) / math.sqrt(2)
    across = (hx - hy) / math.sqrt(2)
    if rr + 2 <= along <= rr + 46 and abs(across) <= 7:
        col = (245, 200, 60)
    # title bars on the left
    for i, (yy, ww) in enumerate([(52, 170), (78, 130), (104, 150)]):
        if yy <= y <= yy + 8 and 36 <= x <= 36 + ww:
            col = mix(col, (255, 255, 255), 0.55 - i * 0.12)
    return col + (255,)

def icon(x, y):
    s = 64
    if not inside_round_rect(x, y, 2, 2, s - 3, s - 3, 12):
        return (0, 0, 0, 0)
    col = mix((18, 52, 110), (20, 140, 150), (x + y) / (2 * s))
    if inside_round_rect(x, y, 14, 10, 40, 46, 3):
        col = (250, 250, 252)
        if 15 <= y <= 21 and 18 <= x <= 36:
            col = (214, 48, 49)
    dist = math.hypot(x - 38, y - 38)
    if 9 <= dist <= 13:
        col = (245, 200, 60)
    along = ((x - 38) + (y - 38)) / math.sqrt(2)
    across = ((x - 38) - (y - 38)) / math.sqrt(2)
    if 13 <= along <= 26 and abs(across) <= 3.5:
        col = (245, 200, 60)
    return col + (255,)

def state_icon(kind):
    # 16 x 16 round badges: waiting, downloading, finished, failed
    colours = {1: (150, 150, 160), 2: (41, 98, 255), 3: (39, 174, 96), 4: (214, 48, 49)}
    def pixel(x, y):
        cx, cy = 7.5, 7.5
        d = math.hypot(x - cx, y - cy)
        if d > 7.5:
            return (0, 0, 0, 0)
        col = colours[kind]
        a = 255 if d < 7 else int(255 * (7.5 - d) * 2)
        white = False
        if kind == 1:  # clock hands
            white = (x in (7, 8) and 3 <= y <= 8) or (y in (7, 8) and 7 <= x <= 11)
        elif kind == 2:  # down arrow
            white = (x in (7, 8) and 3 <= y <= 10) or (y >= 8 and abs(x - 7.5) <= 12 - y and y <= 12)
        elif kind == 3:  # check mark
            white = (abs((y - 8) - (x - 4)) <= 1 and 4 <= x <= 7) or (abs((y - 11) + (x - 7)) <= 1 and 7 <= x <= 12)
        elif kind == 4:  # cross
            white = (abs(x - y) <= 1 or abs(x + y - 15) <= 1) and 4 <= x <= 11 and 4 <= y <= 11
        return ((255, 255, 255) if white else col) + (a,)
    return pixel

def tone(path, notes):
    rate = 22050
    frames = bytearray()
    for freq, dur in notes:
        n = int(rate * dur)
        for i in range(n):
            env = min(1.0, i / 300.0, (n - i) / 900.0)
            v = 0.45 * env * (math.sin(2 * math.pi * freq * i / rate) + 0.3 * math.sin(4 * math.pi * freq * i / rate))
            frames.extend(struct.pack('<h', int(v * 32767 / 1.3)))
    with wave.open(path, 'wb') as w:
        w.setnchannels(1); w.setsampwidth(2); w.setframerate(rate); w.writeframes(bytes(frames))

if __name__ == '__main__':
    os.makedirs(os.path.join(OUT, 'images'), exist_ok=True)
    os.makedirs(os.path.join(OUT, 'sounds'), exist_ok=True)
    png(os.path.join(OUT, 'images', 'cover.png'), 520, 180, cover)
    png(os.path.join(OUT, 'images', 'quenlit.png'), 64, 64, icon)
    for kind in range(1, 5):
        png(os.path.join(OUT, 'images', 'state%d.png' % kind), 16, 16, state_icon(kind))
    tone(os.path.join(OUT, 'sounds', '101.wav'), [(880, 0.12), (1175, 0.18)])          # one file done
    tone(os.path.join(OUT, 'sounds', '102.wav'), [(660, 0.12), (880, 0.12), (1320, 0.3)])  # list done
    tone(os.path.join(OUT, 'sounds', '103.wav'), [(440, 0.2), (330, 0.3)])            # problem
