#!/usr/bin/env python3
"""Regenerates the sample record data: Beispiel.tsv (the record file's lines, Windows-1252),
Beispiel.catalogue.tsv (the films the test archive server must serve) and, given the path of
the krv tool, Beispiel.krv (made with `krv make`).

    python3 data/make_beispiel.py [PATH/TO/krv]

The output is fixed by the seed below, so running it again gives the same files.
"""
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
rng = random.Random(20261209)

# Region (Info 1) -> places (Info 2) with the district that goes into the search terms.
REGIONS = {
    "Thüringen": [
        ("Mühlhausen, Evangelische Kirche St. Blasius", "Unstrut-Hainich-Kreis"),
        ("Gößnitz, Evangelisch-Lutherische Kirche", "Altenburger Land"),
        ("Weißensee, Standesamt", "Sömmerda"),
        ("Schleiz, Evangelische Bergkirche", "Saale-Orla-Kreis"),
        ("Pößneck, Evangelische Stadtkirche", "Saale-Orla-Kreis"),
    ],
    "Sachsen": [
        ("Großenhain, Evangelische Marienkirche", "Meißen"),
        ("Zwönitz, Evangelisch-Lutherische Kirche", "Erzgebirgskreis"),
        ("Löbau, Standesamt", "Görlitz"),
        ("Oelsnitz, Evangelische Jakobikirche", "Vogtlandkreis"),
    ],
    "Bayern": [
        ("Füssen, Katholische Kirche St. Mang", "Ostallgäu"),
        ("Kötzting, Katholische Kirche Mariä Himmelfahrt", "Cham"),
        ("Würzburg, Standesamt", "Unterfranken"),
        ("Nördlingen, Evangelische Kirche St. Georg", "Donau-Ries"),
    ],
    "Preußen, Provinz Sachsen": [
        ("Weißenfels, Evangelische Marienkirche", "Kreis Weißenfels"),
        ("Quedlinburg, Evangelische Kirche St. Nikolai", "Kreis Quedlinburg"),
        ("Zörbig, Standesamt", "Kreis Bitterfeld"),
    ],
    "Württemberg": [
        ("Göppingen, Evangelische Oberhofenkirche", "Oberamt Göppingen"),
        ("Tübingen, Katholische Kirche St. Johannes", "Oberamt Tübingen"),
        ("Möckmühl, Standesamt", "Oberamt Neckarsulm"),
    ],
    "Österreich, Oberösterreich": [
        ("Gmünd, Römisch-Katholische Pfarre", "Bezirk Gmünd"),
        ("Hörsching, Römisch-Katholische Pfarre", "Bezirk Linz-Land"),
        ("Straßwalchen, Römisch-Katholische Pfarre", "Bezirk Vöcklabruck"),
    ],
    "Baden": [
        ("Überlingen, Katholische Kirche St. Nikolaus", "Bodenseekreis"),
        ("Müllheim, Evangelische Kirche", "Breisgau-Hochschwarzwald"),
        ("Säckingen, Standesamt", "Waldshut"),
    ],
}
CHURCH_TYPES = ["Taufen", "Trauungen", "Bestattungen", "Konfirmationen"]
OFFICE_TYPES = ["Geburten", "Heiraten", "Sterbefälle"]
PERIODS = [(1780, 1809), (1810, 1839), (1840, 1869), (1870, 1899), (1900, 1925)]

# What the types are called in the search terms.
TERMS = {
    "Taufen": "Kirchenbuch, Taufregister",
    "Trauungen": "Kirchenbuch, Trauregister",
    "Bestattungen": "Kirchenbuch, Sterberegister",
    "Konfirmationen": "Kirchenbuch, Konfirmanden",
    "Geburten": "Zivilstandsregister, Geburtsregister",
    "Heiraten": "Zivilstandsregister, Heiratsregister",
    "Sterbefälle": "Zivilstandsregister, Sterberegister",
}


def main():
    entries = []  # (info1, info2, info3, info4, apid, id, pages, info5)
    films = []  # (id, first page, last page, film apid)
    next_id = 4010000 + rng.randrange(1000)
    for region, places in REGIONS.items():
        for place, district in places:
            town = place.split(",")[0]
            office = "Standesamt" in place
            types = OFFICE_TYPES if office else CHURCH_TYPES
            periods = PERIODS[3:] if office else rng.sample(PERIODS, 3)
            for start, end in sorted(periods):
                # One film holds all record types of a place and period, one after another.
                next_id += rng.randrange(1, 40)
                film_id = "%09d" % next_id
                apid = "TH-%d-%05d-%04d-%02d" % (rng.choice([1942, 1951, 1961, 1971, 1977]),
                                                 rng.randrange(10000, 99999),
                                                 rng.randrange(1000, 9999), rng.randrange(100))
                page = 1
                for kind in types:
                    count = rng.randrange(40, 400)
                    pages = "%05d-%05d" % (page, page + count - 1)
                    info5 = "%s, %s, %s, %d" % (town, district, TERMS[kind], start)
                    entries.append((region, place, kind, "%d-%d" % (start, end), apid, film_id,
                                    pages, info5))
                    page += count
                films.append((film_id, 1, page - 1, apid))
    rng.shuffle(entries)  # the file is unsorted; the loader sorts it

    header = "Info 1\tInfo 2\tInfo 3\tInfo 4\tAPID\tID\tSeiten\tInfo 5"
    with open(os.path.join(HERE, "Beispiel.tsv"), "w", encoding="cp1252", newline="\n") as out:
        out.write(header + "\n")
        for e in entries:
            out.write("\t".join(e) + "\n")

    with open(os.path.join(HERE, "Beispiel.catalogue.tsv"), "w", encoding="ascii",
              newline="\n") as out:
        out.write("# The films of data/Beispiel.krv, for the test archive server.\n"
                  "# Columns (TAB-separated): id, first page, last page, APID of the film's"
                  " first image.\n"
                  "# Rule for image APIDs: the image of page P of a film has the APID of the"
                  " film's first image\n"
                  "# with its last \"-\" part (the five-digit page, 00001 here) replaced by P"
                  " in five digits;\n"
                  "# e.g. page 17 of a film whose first image is TH-1961-20817-3456-71-00001"
                  " is TH-1961-20817-3456-71-00017.\n"
                  "# The film's own APID (column APID of the record file) is that text"
                  " without the page part.\n")
        for film_id, first, last, apid in films:
            out.write("%s\t%05d\t%05d\t%s-%05d\n" % (film_id, first, last, apid, first))

    if len(sys.argv) > 1:
        subprocess.run([sys.argv[1], "make", os.path.join(HERE, "Beispiel.tsv"),
                        os.path.join(HERE, "Beispiel.krv")], check=True)
    print("%d entries, %d films" % (len(entries), len(films)))


if __name__ == "__main__":
    main()
