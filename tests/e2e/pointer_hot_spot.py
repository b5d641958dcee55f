#!/usr/bin/env python3
"""Prints "X Y", the hot spot of the pointer image the X display ($DISPLAY)
shows now, through the XFixes extension: libX11 and libXfixes through
ctypes, nothing beyond the standard library."""
import ctypes
import sys


class CursorImage(ctypes.Structure):
    # The leading fields of XFixesCursorImage, as far as the hot spot.
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort)]


x11 = ctypes.CDLL("libX11.so.6")
fixes = ctypes.CDLL("libXfixes.so.3")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
fixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
fixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the X display")
image = fixes.XFixesGetCursorImage(display)
if not image:
    sys.exit("the X server gave no pointer image")
print(image.contents.xhot, image.contents.yhot)
