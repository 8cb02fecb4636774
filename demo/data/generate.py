#!/usr/bin/env python3
"""Writes the demo installation's CSV files (owners, properties, units, collections,
payments) into this directory. Deterministic: the same files every time."""
import csv
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
rng = random.Random(2026)

PEOPLE = [
    "Jordi Puig i Serra", "Montserrat Vila Roca", "Pere Casals Bosch", "Núria Ferrer Soler",
    "Josep Maria Font Pujol", "Mercè Riera Camps", "Joan Batlle Martí", "Roser Sala Vidal",
    "Albert Coll Miralles", "Laia Torrent Badia", "Xavier Pons Ribas", "Anna Mas Estruch",
    "Oriol Giralt Plana", "Marta Bonet Canals", "Ramon Vilaró Esteve", "Teresa Prat Closa",
    "Lluís Comas Farré", "Carme Sunyer Oliveras", "Francesc Rovira Sans", "Elisabet Duran Pagès",
    "Enric Solà Marimon", "Glòria Rius Aymerich",
]
COMPANIES = [
    "Immobles Empordà, SL", "Patrimonis Gràcia, SA", "Finques Ripollès, SL",
    "Lloguers del Maresme, SL", "Inversions Montjuïc, SA", "Habitatges Osona, SL",
    "Gestió Patrimonial Vallès, SL", "Cooperativa Sant Andreu, SCCL", "Edificis Terres de l'Ebre, SL",
    "Promocions Pirineu, SA", "Comunitat Hereus Roig, CB", "Residencial Sarrià, SL",
]
STREETS = [
    "C/ Major", "C/ de Sant Pere", "Pg. de Gràcia", "Rbla. de Catalunya", "C/ d'Aragó",
    "C/ de la Indústria", "Av. Diagonal", "C/ del Carme", "Pl. de l'Església", "C/ de Sants",
    "C/ del Rosselló", "Ronda de Sant Antoni", "C/ de Balmes", "C/ de Còrsega", "C/ Nou de la Rambla",
    "Travessera de Dalt", "C/ de Provença", "C/ de Muntaner", "Pg. Marítim", "C/ de l'Hospital",
]
LETTERS = "TRWAGMYFPDXBNJZSQVHLCKE"


def person_nif():
    n = rng.randrange(10_000_000, 99_999_999)
    return f"ES{n:08d}{LETTERS[n % 23]}"


def company_cif():
    return f"ES{rng.choice('ABEFGJ')}{rng.randrange(10_000_000, 99_999_999):08d}"


def main():
    owners = []
    names = [(n, person_nif()) for n in PEOPLE] + [(n, company_cif()) for n in COMPANIES]
    rng.shuffle(names)
    prop_code = 100
    properties = []
    for i, (name, tax_id) in enumerate(names, start=1):
        code = i * 10 + rng.randrange(0, 9)
        entries = []
        for _ in range(rng.choice([1, 1, 2, 2, 3, 4])):
            prop_code += rng.randrange(1, 40)
            regime = 1 if rng.random() < 0.15 else 0
            entries.append(f"{prop_code}:{regime}")
            properties.append(prop_code)
        if i % 11 == 0:
            entries.append("9998:0")  # an entry whose property is not on file
        owners.append([code, name, tax_id, ";".join(entries)])

    props = []
    for code in properties:
        street = rng.choice(STREETS)
        props.append([code, f"{street}, {rng.randrange(1, 240)}".upper()[:30],
                      rng.choice(["5", "5.5", "6", "6.5", "7", "8"]),
                      rng.choice([0, 0, 600, 1200, 1500, 2500]),
                      rng.choice([0, 0, 0, 0, 3000, 4500])])

    units, collections, payments = [], [], []
    for code in properties:
        n_units = rng.randrange(1, 9)
        for u in range(1, n_units + 1):
            units.append([code, u])
            rent = rng.randrange(450, 1400) * 100
            for month in range(1, 13):
                day = rng.choice([1, 2, 5, 10])
                state = "L" if month <= 9 else "P"  # the last quarter is still open
                roll = rng.random()
                kind = "C" if roll < 0.75 else ("I" if roll < 0.9 else "X")
                deduct = rng.choice([0, 0, 0, 0, 2500, 5000])
                add = rng.choice([0, 0, 1520, 2840, 3675])
                collections.append([code, u, f"2026-{month:02d}-{day:02d}", rent, kind,
                                    deduct, add, state])
            if rng.random() < 0.2:  # a late collection after the closing date
                collections.append([code, u, "2027-01-05", rent, "C", 0, 0, "P"])
        for month in rng.sample(range(1, 13), rng.randrange(1, 6)):
            payments.append([code, f"2026-{month:02d}-{rng.randrange(1, 28):02d}",
                             rng.randrange(3000, 95000), "L" if month <= 9 else "P"])

    collections.sort(key=lambda r: (r[0], r[1], r[2]))
    payments.sort(key=lambda r: (r[0], r[1]))
    write("owners.csv", ["code", "name", "tax_id", "properties"], owners)
    write("properties.csv", ["code", "name", "fee_percent", "supplement", "fixed_fee"], props)
    write("units.csv", ["property", "unit"], units)
    write("collections.csv",
          ["property", "unit", "date", "amount", "kind", "deduct", "add", "state"], collections)
    write("payments.csv", ["property", "date", "amount", "state"], payments)


def write(name, header, rows):
    with open(os.path.join(HERE, name), "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(header)
        w.writerows(rows)


if __name__ == "__main__":
    main()
