#!/usr/bin/env python3
"""Writes the lines of a large record file as TSV (Windows-1252): a header line and COUNT data
lines in a four-level hierarchy (region, place, register, years) with APID, nine-digit ID, page
range and search terms. Turn it into a record file with `krv make OUT.tsv NAME.krv`.

    python3 tools/record_generator/make_records.py COUNT OUT.tsv [SEED]

The lines come out in shuffled order, so loading has real sorting to do; the same COUNT and
SEED always give the same file.
"""
import random
import sys

REGIONS = ["Thüringen", "Sachsen", "Bayern", "Württemberg", "Baden", "Hessen", "Westfalen",
           "Rheinprovinz", "Schlesien", "Pommern", "Ostpreußen", "Brandenburg", "Mecklenburg",
           "Hannover", "Oldenburg", "Braunschweig"]
PARISHES = ["Evangelische Kirche", "Katholische Kirche St. Marien", "Standesamt",
            "Evangelisch-Lutherische Kirche", "Katholische Kirche St. Peter und Paul"]
SYLLABLES = ["Al", "ber", "Gör", "litz", "Mühl", "hau", "sen", "Weiß", "en", "see", "Groß",
             "hain", "Lö", "bau", "Zwö", "nitz", "Kö", "nigs", "berg", "Füs", "Straß", "burg"]
REGISTERS = ["Taufen", "Trauungen", "Bestattungen", "Konfirmationen", "Geburten",
             "Heiraten", "Sterbefälle", "Familienbuch"]
TERMS = {"Taufen": "Taufregister", "Trauungen": "Trauregister", "Bestattungen": "Sterberegister",
         "Konfirmationen": "Konfirmanden", "Geburten": "Geburtsregister",
         "Heiraten": "Heiratsregister", "Sterbefälle": "Sterberegister",
         "Familienbuch": "Familienregister"}


def place_name(rng):
    return "".join(rng.choice(SYLLABLES) for _ in range(rng.randint(2, 3))).capitalize()


def main():
    if len(sys.argv) not in (3, 4):
        sys.stderr.write(__doc__)
        return 2
    count = int(sys.argv[1])
    out_path = sys.argv[2]
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) == 4 else 4711)
    lines = []
    next_id = 4000000
    while len(lines) < count:
        region = rng.choice(REGIONS)
        place = f"{place_name(rng)}, {rng.choice(PARISHES)}"
        district = place_name(rng) + "er Land"
        for register in rng.sample(REGISTERS, rng.randint(1, 4)):
            start = rng.randrange(1650, 1880, 10)
            for decade in range(rng.randint(1, 8)):
                if len(lines) >= count:
                    break
                first_year = start + 30 * decade
                years = f"{first_year}-{first_year + 29}"
                first_page = rng.randint(1, 900)
                last_page = first_page + rng.randint(10, 1500)
                next_id += rng.randint(1, 40)
                apid = "TH-{}-{:05d}-{:05d}-{:02d}".format(
                    rng.randint(1942, 2012), rng.randint(0, 99999), rng.randint(0, 99999),
                    rng.randint(0, 99))
                terms = ", ".join([place.split(",")[0], district, "Kirchenbuch",
                                   TERMS[register], str(first_year)])
                lines.append("\t".join([region, place, register, years, apid,
                                        f"{next_id:09d}",
                                        f"{first_page:05d}-{last_page:05d}", terms]))
    rng.shuffle(lines)
    with open(out_path, "w", encoding="cp1252", newline="\n") as out:
        out.write("Info 1\tInfo 2\tInfo 3\tInfo 4\tAPID\tID\tSeiten\tInfo 5\n")
        out.write("\n".join(lines))
        out.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
