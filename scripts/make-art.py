#!/usr/bin/env python3
"""Draws the banner and the program icons (original artwork of this project) with
ImageMagick. The results are committed; run this only to change them."""
import os
import subprocess

OUT = "src/app/resources"
FONT = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"


def diamond(cx, cy, r):
    """A cut gem: crown and pavilion with a few facet lines."""
    top = cy - r * 0.75
    girdle = cy - r * 0.3
    tip = cy + r
    return f"""
stroke '#ffffff' stroke-width {max(1, r / 18):.1f}
fill '#c9ecff' polygon {cx - r},{girdle} {cx - r / 2},{top} {cx + r / 2},{top} {cx + r},{girdle} {cx},{tip}
fill '#7fc8f5' polygon {cx - r},{girdle} {cx + r},{girdle} {cx},{tip}
stroke '#eaf8ff' stroke-width {max(0.5, r / 36):.1f}
line {cx - r / 2},{top} {cx - r / 4},{girdle}
line {cx + r / 2},{top} {cx + r / 4},{girdle}
line {cx - r / 4},{girdle} {cx},{tip}
line {cx + r / 4},{girdle} {cx},{tip}
"""


def pearl(cx, cy, r):
    """A pearl with a soft highlight."""
    return f"""
stroke '#ffffff' stroke-width {max(1, r / 18):.1f}
fill '#eadfe8' circle {cx},{cy} {cx + r},{cy}
stroke none
fill '#f7f0f5' circle {cx - r / 5},{cy - r / 5} {cx - r / 5 + r * 0.6},{cy - r / 5}
fill '#ffffff' circle {cx - r / 3},{cy - r / 3} {cx - r / 3 + r / 6},{cy - r / 3}
"""


def render(size, drawing, target, extra=()):
    w, h = size
    subprocess.run(["convert", "-size", f"{w}x{h}", "gradient:#0b2f8a-#2a6fe0",
                    "-draw", " ".join(drawing.split()), *extra, "-strip", target], check=True)


os.makedirs(f"{OUT}/icons", exist_ok=True)
banner = diamond(74, 55, 40) + pearl(695, 57, 36) + """
fill '#ffffff26' rectangle 0,0 769,5
fill '#00000030' rectangle 0,110 769,115
"""
render((769, 115), banner, f"PNG24:{OUT}/banner.png", extra=[
    "-font", FONT, "-pointsize", "64", "-fill", "#00000060", "-annotate", "+243+80", "Quillmark",
    "-fill", "#eef4ff", "-annotate", "+239+76", "Quillmark",
    "-pointsize", "14", "-fill", "#d6e4ff", "-annotate", "+250+100",
    "Species editor for the Gen 4 games"])

for s in (16, 32, 48, 64, 128, 256):
    k = s / 32
    render((s, s), diamond(13 * k, 13 * k, 11 * k) + pearl(22 * k, 22 * k, 8 * k),
           f"PNG32:{OUT}/icons/quillmark-{s}.png")
subprocess.run(["convert", f"{OUT}/icons/quillmark-32.png", "-background", "none",
                "-flatten", "-alpha", "off", f"PNG24:{OUT}/icon.png"], check=True)
subprocess.run(["convert", *[f"{OUT}/icons/quillmark-{s}.png" for s in (16, 32, 48, 256)],
                f"{OUT}/quillmark.ico"], check=True)
