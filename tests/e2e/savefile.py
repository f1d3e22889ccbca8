"""The save file "pomki.dat", encoded and decoded here from the file format's table,
independently of the program's own code.

    format_save(record(level=5, unlocked=[0, 1], on=[1]))   # the bytes the program writes
    decode_save(data)                                        # a PetRecord, or None if refused
"""

from __future__ import annotations

import dataclasses
from typing import Iterable

from constants import ABILITY_COUNT, DOUBLE_MONEY, FAST_MOVE, LOTS_OF_MONEY

SCALAR_FIELDS = ("level", "experience", "fullness", "stress", "reserved", "money")


@dataclasses.dataclass
class PetRecord:
    """The 30 saved numbers of the hamster, first-run values by default."""

    abilityUnlocked: list[int] = dataclasses.field(default_factory=lambda: [0] * ABILITY_COUNT)
    abilityOn: list[int] = dataclasses.field(default_factory=lambda: [0] * ABILITY_COUNT)
    level: int = 1
    experience: int = 0
    fullness: int = 500
    stress: int = 0
    reserved: int = 0
    money: int = 0

    def copy(self, **changes) -> "PetRecord":
        twin = dataclasses.replace(self, abilityUnlocked=list(self.abilityUnlocked), abilityOn=list(self.abilityOn))
        return dataclasses.replace(twin, **changes)

    def get(self, field: tuple) -> int:
        name, index = field
        value = getattr(self, name)
        return value[index] if index is not None else value

    def set(self, field: tuple, value: int) -> None:
        name, index = field
        if index is None:
            setattr(self, name, value)
        else:
            getattr(self, name)[index] = value


def _unlocked(i):
    return ("abilityUnlocked", i)


def _on(i):
    return ("abilityOn", i)


def _scalar(name):
    return (name, None)


# The 40 lines of the file: ("marker", number) or (field, k, d), the number stored being
# value * k + d. Written out from the file format's table.
SAVE_LINES = [
    ("marker", 31306), ("marker", 5592),
    (_unlocked(0), 19, 2), (_unlocked(1), 62, 27), (_unlocked(2), 21, 99), (_unlocked(3), 54, 232),
    (_unlocked(4), 23, 132),
    ("marker", 450),
    (_unlocked(5), 54, 232), (_unlocked(6), 23, 132), (_unlocked(7), 19, 2), (_unlocked(8), 62, 27),
    (_unlocked(9), 21, 99),
    ("marker", 2),
    (_unlocked(10), 23, 132), (_unlocked(11), 19, 2),
    ("marker", 44),
    (_on(0), 23, 132), (_on(1), 19, 2), (_on(2), 62, 27), (_on(3), 21, 99), (_on(4), 54, 232), (_on(5), 23, 132),
    ("marker", 105),
    (_on(6), 54, 232), (_on(7), 23, 132),
    ("marker", 1111),
    (_on(8), 62, 27), (_on(9), 21, 99), (_on(10), 54, 232), (_on(11), 23, 132),
    ("marker", 1200),
    (_scalar("level"), 54, 232), (_scalar("experience"), 23, 132), (_scalar("fullness"), 19, 2),
    (_scalar("stress"), 62, 27), (_scalar("reserved"), 21, 99), (_scalar("money"), 54, 232),
    ("marker", 12230), ("marker", 5500),
]
assert len(SAVE_LINES) == 40

INT32_MIN, INT32_MAX = -(2 ** 31), 2 ** 31 - 1
PROGRAM_EOL = b"\r\r\n"


def encode_numbers(pet: PetRecord) -> list[int]:
    numbers = []
    for line in SAVE_LINES:
        if line[0] == "marker":
            numbers.append(line[1])
        else:
            field, k, d = line
            numbers.append(pet.get(field) * k + d)
    return numbers


def format_numbers(numbers: Iterable[int], eol: bytes = PROGRAM_EOL) -> bytes:
    return b"".join(b"%d" % n + eol for n in numbers)


def format_save(pet: PetRecord, eol: bytes = PROGRAM_EOL) -> bytes:
    """The bytes the program writes for this record (with its 0D 0D 0A line ends by default)."""
    return format_numbers(encode_numbers(pet), eol)


def read_numbers(data: bytes, count: int = 40) -> list[int] | None:
    """Up to `count` numbers read as fscanf's "%d" reads them; None when one is malformed or
    outside 32 bits. Fewer than `count` are returned when the file ends early."""
    numbers, pos = [], 0
    while len(numbers) < count:
        while pos < len(data) and data[pos:pos + 1] in b" \t\n\v\f\r":
            pos += 1
        if pos >= len(data):
            break
        start = pos
        if data[pos:pos + 1] in b"+-":
            pos += 1
        digits_start = pos
        while pos < len(data) and data[pos:pos + 1].isdigit():
            pos += 1
        if pos == digits_start:
            return None
        value = int(data[start:pos])
        if not INT32_MIN <= value <= INT32_MAX:
            return None
        numbers.append(value)
    return numbers


def decode_save(data: bytes) -> PetRecord | None:
    """The record a valid file holds, or None for a file the program must refuse."""
    numbers = read_numbers(data)
    if numbers is None or len(numbers) < 40:
        return None
    pet = PetRecord()
    for number, line in zip(numbers, SAVE_LINES):
        if line[0] == "marker":
            if number != line[1]:
                return None
            continue
        field, k, d = line
        if (number - d) % k != 0:
            return None
        pet.set(field, (number - d) // k)
    return pet


def money_per_tick(pet: PetRecord) -> int:
    return 1 + (pet.abilityOn[DOUBLE_MONEY] == 1) + 3 * (pet.abilityOn[LOTS_OF_MONEY] == 1)


def explain_ticks(before: PetRecord, after: PetRecord) -> str | None:
    """None when `after` is `before` after some whole number of behaviour ticks that neither
    made the pet hungry enough to raise stress nor changed anything else; else the difference.
    (Each tick: money += money_per_tick, fullness -= 1.)"""
    ticks = before.fullness - after.fullness
    if ticks < 0:
        return f"fullness rose from {before.fullness} to {after.fullness}"
    if before.fullness - ticks < 200 and ticks:
        return "the record ran into hunger; pick a fuller pet for this check"
    expected = before.copy(fullness=after.fullness, money=before.money + ticks * money_per_tick(before))
    if after != expected:
        return f"after {ticks} tick(s) expected {expected}, got {after}"
    return None


def record(**fields) -> PetRecord:
    """A pet record; `unlocked` and `on` list ability indices set to 1."""
    unlocked = fields.pop("unlocked", ())
    on = fields.pop("on", ())
    pet = PetRecord(**fields)
    for k in unlocked:
        pet.abilityUnlocked[k] = 1
    for k in on:
        pet.abilityOn[k] = 1
    return pet


def pet_record(*abilities: int, stress: int = 0, fullness: int = 2000) -> PetRecord:
    """A pet with FastMove (a tick every 100 ms) and the given abilities unlocked and on."""
    return record(stress=stress, fullness=fullness, unlocked=(FAST_MOVE, *abilities), on=(FAST_MOVE, *abilities))


def stressed_record(*abilities: int) -> PetRecord:
    """A starving pet at the stress ceiling, with FastMove: every trick is above its stress level."""
    return pet_record(*abilities, stress=500, fullness=0)
