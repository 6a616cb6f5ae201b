#!/usr/bin/env python3
"""Compares the CPU time of importing 80,000 contacts with what peer libraries need only to read
the same files: the vCard import against EVCard's parse (libebook-contacts, built on demand from
evcard_parse.c), the CSV import of the program's own export against Python's csv.reader.

    bench/peers/compare-import.py BUILD_DIR [RUNS]

Not part of the build or the tests. Installs libebook-contacts1.2-dev with apt-get when it is
missing (as root), else asks for it. Prints the median CPU seconds of each and the ratios."""
import os
import random
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
COUNT = 80000


def cpu_of(command, **kwargs):
    """CPU seconds (user + system) of one run of command."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, **kwargs)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def median_cpu(runs, command, prepare=None):
    times = []
    for _ in range(runs):
        if prepare:
            prepare()
        times.append(cpu_of(command))
    return statistics.median(times)


def evcard_program(work):
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "libebook-contacts-1.2"],
                           capture_output=True, text=True)
    if flags.returncode != 0:
        if os.geteuid() != 0:
            sys.exit("libebook-contacts1.2-dev is missing: apt-get install libebook-contacts1.2-dev")
        subprocess.run(["apt-get", "install", "-y", "--no-install-recommends", "libebook-contacts1.2-dev"],
                       check=True, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
        flags = subprocess.run(["pkg-config", "--cflags", "--libs", "libebook-contacts-1.2"],
                               capture_output=True, text=True, check=True)
    program = os.path.join(work, "evcard_parse")
    subprocess.run(["cc", "-O2", "-o", program, os.path.join(HERE, "evcard_parse.c")] + flags.stdout.split(),
                   check=True)
    return program


def made_up_cards(path):
    """80,000 Polish contacts as vCard 3.0, from a fixed seed, as the benchmarks make them: without
    notes or photos, whose files (each written on its own) would measure the file system."""
    rng = random.Random(11)
    surnames = ["Nowak", "Kowalski", "Wiśniewski", "Wójcik", "Kamiński", "Zieliński", "Woźniak", "Dąbrowski",
                "Kozłowski", "Łukasik", "Żak", "Ćwik", "Śliwa", "Adamski", "Król"]
    first = ["Anna", "Piotr", "Maria", "Krzysztof", "Małgorzata", "Tomasz", "Łukasz", "Ewa"]
    cities = ["Warszawa", "Kraków", "Łódź", "Wrocław", "Poznań", "Gdańsk"]
    digits = lambda n: "".join(rng.choice("0123456789") for _ in range(n))
    with open(path, "w", encoding="utf-8", newline="") as f:
        for i in range(COUNT):
            f.write("BEGIN:VCARD\r\nVERSION:3.0\r\n")
            f.write(f"N:{rng.choice(surnames)};{rng.choice(first)};;;\r\n")
            f.write(f"TEL;TYPE=HOME:0{digits(2)} {digits(7)}\r\nTEL;TYPE=CELL:+48 {digits(9)}\r\n")
            f.write(f"EMAIL:osoba{i}@poczta.pl\r\n")
            f.write(f"ADR;TYPE=HOME:;;ul. Długa {rng.randint(1, 199)};{rng.choice(cities)};;{digits(2)}-{digits(3)};\r\n")
            if rng.randrange(3) == 0:
                f.write(f"ORG:Przedsiębiorstwo {rng.choice(surnames)}\\, Sp. z o.o.\r\nTITLE:kierownik działu\r\n")
                f.write(f"TEL;VALUE=uri;TYPE=work:tel:22-{digits(7)};ext={digits(3)}\r\n")
            if rng.randrange(2) == 0:
                f.write(f"BDAY:{rng.randint(1930, 2009)}-{rng.randint(1, 12):02d}-{rng.randint(1, 28):02d}\r\n")
            f.write("END:VCARD\r\n")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    morwinek = os.path.abspath(os.path.join(sys.argv[1], "src", "app", "morwinek"))
    if not os.path.exists(morwinek):
        morwinek = os.path.abspath(os.path.join(sys.argv[1], "morwinek"))
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory() as work:
        evcard = evcard_program(work)
        made_up_cards(os.path.join(work, "made-up.vcf"))
        book = os.path.join(work, "book")
        os.mkdir(book)
        run = lambda *args: subprocess.run([morwinek, "--data-dir", *args], check=True, stdout=subprocess.DEVNULL,
                                           env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        run(book, "--import", os.path.join(work, "made-up.vcf"))
        vcf = os.path.join(work, "export.vcf")
        csv_file = os.path.join(work, "export.csv")
        run(book, "--export-vcard", vcf, "--export-csv", csv_file)

        target = os.path.join(work, "target")

        def empty_book():
            shutil.rmtree(target, ignore_errors=True)
            os.mkdir(target)

        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        results = {}
        results["vcard import"] = median_cpu(runs, [morwinek, "--data-dir", target, "--import", vcf], empty_book)
        results["EVCard parse"] = median_cpu(runs, [evcard, vcf])
        results["csv import"] = median_cpu(runs, [morwinek, "--data-dir", target, "--import", csv_file], empty_book)
        results["csv.reader"] = median_cpu(runs, [sys.executable, os.path.join(HERE, "csv_read.py"), csv_file])
        results["empty start"] = median_cpu(runs, [morwinek, "--data-dir", target, "--export-csv",
                                                   os.path.join(work, "empty.csv")], empty_book)
        for name, seconds in results.items():
            print(f"{name:14s} {seconds:7.3f} s CPU (median of {runs})")
        print(f"vCard import / EVCard parse:  {results['vcard import'] / results['EVCard parse']:.2f}")
        print(f"CSV import / csv.reader:      {results['csv import'] / results['csv.reader']:.2f}")
        print(f"file sizes: {os.path.getsize(vcf)} bytes vCard, {os.path.getsize(csv_file)} bytes CSV")


if __name__ == "__main__":
    main()
