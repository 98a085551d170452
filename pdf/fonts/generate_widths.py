#!/usr/bin/env python3
"""Writes base_font_widths.cpp: the advance widths of the ten proportional base fonts for the
WinAnsi (Windows-1252) code order, in thousandths of the em.

The widths come from the AFM files of the URW base-35 fonts (Debian package fonts-urw-base35,
formerly gsfonts), whose metrics equal the standard PDF base fonts. Text fonts are looked up by
glyph name through the WinAnsi encoding; Symbol and ZapfDingbats by their built-in codes.

Usage: generate_widths.py [AFM_DIR] > base_font_widths.cpp
"""
import pathlib
import sys

AFM_DIR = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "/usr/share/fonts/type1/urw-base35")

# (C++ table name, AFM file, encoding kind)
FONTS = [
    ("helvetica", "NimbusSans-Regular", "text"),
    ("helveticaBold", "NimbusSans-Bold", "text"),
    ("helveticaOblique", "NimbusSans-Italic", "text"),
    ("helveticaBoldOblique", "NimbusSans-BoldItalic", "text"),
    ("timesRoman", "NimbusRoman-Regular", "text"),
    ("timesBold", "NimbusRoman-Bold", "text"),
    ("timesItalic", "NimbusRoman-Italic", "text"),
    ("timesBoldItalic", "NimbusRoman-BoldItalic", "text"),
    ("symbol", "StandardSymbolsPS", "builtin"),
    ("zapfDingbats", "D050000L", "builtin"),
]

ASCII_NAMES = (
    "space exclam quotedbl numbersign dollar percent ampersand quotesingle parenleft parenright "
    "asterisk plus comma hyphen period slash zero one two three four five six seven eight nine "
    "colon semicolon less equal greater question at A B C D E F G H I J K L M N O P Q R S T U V "
    "W X Y Z bracketleft backslash bracketright asciicircum underscore grave a b c d e f g h i j "
    "k l m n o p q r s t u v w x y z braceleft bar braceright asciitilde"
).split()

HIGH_NAMES = {
    128: "Euro", 130: "quotesinglbase", 131: "florin", 132: "quotedblbase", 133: "ellipsis",
    134: "dagger", 135: "daggerdbl", 136: "circumflex", 137: "perthousand", 138: "Scaron",
    139: "guilsinglleft", 140: "OE", 142: "Zcaron", 145: "quoteleft", 146: "quoteright",
    147: "quotedblleft", 148: "quotedblright", 149: "bullet", 150: "endash", 151: "emdash",
    152: "tilde", 153: "trademark", 154: "scaron", 155: "guilsinglright", 156: "oe",
    158: "zcaron", 159: "Ydieresis",
}
LATIN1_NAMES = (
    "space exclamdown cent sterling currency yen brokenbar section dieresis copyright "
    "ordfeminine guillemotleft logicalnot hyphen registered macron degree plusminus twosuperior "
    "threesuperior acute mu paragraph periodcentered cedilla onesuperior ordmasculine "
    "guillemotright onequarter onehalf threequarters questiondown Agrave Aacute Acircumflex "
    "Atilde Adieresis Aring AE Ccedilla Egrave Eacute Ecircumflex Edieresis Igrave Iacute "
    "Icircumflex Idieresis Eth Ntilde Ograve Oacute Ocircumflex Otilde Odieresis multiply Oslash "
    "Ugrave Uacute Ucircumflex Udieresis Yacute Thorn germandbls agrave aacute acircumflex "
    "atilde adieresis aring ae ccedilla egrave eacute ecircumflex edieresis igrave iacute "
    "icircumflex idieresis eth ntilde ograve oacute ocircumflex otilde odieresis divide oslash "
    "ugrave uacute ucircumflex udieresis yacute thorn ydieresis"
).split()

WINANSI = {32 + i: name for i, name in enumerate(ASCII_NAMES)}
WINANSI.update(HIGH_NAMES)
WINANSI.update({160 + i: name for i, name in enumerate(LATIN1_NAMES)})

# Width of a WinAnsi code without a glyph in the text fonts.
MISSING_TEXT_WIDTH = 350
# Glyphs of the standard Symbol font that the URW clone lacks (published value).
SYMBOL_EXTRA = {240: 790}


def read_afm(name):
    by_name, by_code = {}, {}
    for line in (AFM_DIR / f"{name}.afm").read_text(encoding="latin-1").splitlines():
        if not line.startswith("C "):
            continue
        fields = {}
        for part in line.split(";"):
            words = part.split()
            if len(words) >= 2:
                fields[words[0]] = words[1]
        width = int(round(float(fields["WX"])))
        by_name[fields["N"]] = width
        code = int(fields["C"])
        if code >= 0:
            by_code[code] = width
    return by_name, by_code


def table(afm, kind):
    by_name, by_code = read_afm(afm)
    widths = []
    if kind == "text":
        space = by_name["space"]
        for code in range(256):
            if code < 32:
                widths.append(space)
            else:
                widths.append(by_name.get(WINANSI.get(code, ""), MISSING_TEXT_WIDTH))
    else:
        extra = SYMBOL_EXTRA if afm == "StandardSymbolsPS" else {}
        # Control codes carry the space width of Symbol; ZapfDingbats has 0 there.
        control = by_code[32] if afm == "StandardSymbolsPS" else 0
        for code in range(256):
            if code < 32:
                widths.append(control)
            else:
                widths.append(by_code.get(code, extra.get(code, 0)))
    return widths


def check(tables):
    expected = [
        ("helvetica", 32, 278), ("helvetica", 65, 667), ("helvetica", 97, 556),
        ("helvetica", 0xE4, 556), ("helvetica", 128, 556), ("helvetica", 0, 278),
        ("helvetica", 127, 350), ("timesRoman", 32, 250), ("timesRoman", 65, 722),
        ("timesRoman", 97, 444), ("timesItalic", 65, 611), ("symbol", 160, 750),
        ("symbol", 0, 250), ("zapfDingbats", 0, 0),
    ]
    for name, code, width in expected:
        if tables[name][code] != width:
            sys.exit(f"{name}[{code}] is {tables[name][code]}, expected {width}")


def main():
    tables = {name: table(afm, kind) for name, afm, kind in FONTS}
    check(tables)
    out = [
        "// Generated by pdf/fonts/generate_widths.py from the URW base-35 AFM metrics; do not edit.",
        '#include "pdf/fonts/base_font_widths.h"',
        "",
        "// Sixteen codes a row, as generated.",
        "// clang-format off",
        "namespace korvalis::basewidths {",
        "",
    ]
    for name, _, _ in FONTS:
        out.append(f"const WidthTable {name} = {{")
        values = tables[name]
        for row in range(0, 256, 16):
            out.append("    " + ", ".join(str(v) for v in values[row:row + 16]) + ",")
        out.append("};")
        out.append("")
    out.append("}  // namespace korvalis::basewidths")
    out.append("// clang-format on")
    print("\n".join(out))


main()
