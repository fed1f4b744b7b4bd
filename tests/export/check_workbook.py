"""Reads an exported archive workbook on its own and checks its layout and the cells asked for.

Usage: check_workbook.py WORKBOOK CHANNELS [SHEET!CELL=EXPECTED ...]
CHANNELS is the channel count N (sheets of channels 1..N) or "only:A,B" for the sheets of
channels A and B only.
EXPECTED is "blank", "filled", "s:TEXT" for a text cell or "n:NUMBER" for a numeric cell.
Prints every mismatch and exits with 1 when there is one.
"""
import sys

import openpyxl

EVENTS_SHEET = "События"
EVENT_HEADERS = ["Дата", "Время", "Канал", "Событие", "Концен.", "Ед. изм."]
CHANNEL_HEADERS = ["Дата", "Время", "Концен.", "Ед. изм."]
EVENT_NAME_WIDTH = 15
# A stored column width includes the padding that spreadsheet programs add to the characters.
WIDTH_PADDING = 5 / 7


def header_texts(sheet):
    values = [cell.value for cell in sheet[1]]
    while values and values[-1] is None:
        values.pop()
    return values


def channel_numbers(argument):
    if argument.startswith("only:"):
        return [int(channel) for channel in argument[len("only:"):].split(",") if channel]
    return list(range(1, int(argument) + 1))


def layout_problems(book, channels):
    names = [EVENTS_SHEET] + ["К.%02d" % channel for channel in channels]
    if book.sheetnames != names:
        return ["sheets %s, expected %s" % (book.sheetnames, names)]
    problems = []
    if book.active.title != EVENTS_SHEET:
        problems.append("active sheet %s" % book.active.title)
    for name in names:
        expected = EVENT_HEADERS if name == EVENTS_SHEET else CHANNEL_HEADERS
        if header_texts(book[name]) != expected:
            problems.append("%s headers %s" % (name, header_texts(book[name])))
    width = book[EVENTS_SHEET].column_dimensions["D"].width
    if abs(width - WIDTH_PADDING - EVENT_NAME_WIDTH) > 0.01:
        problems.append("column D width %s" % width)
    return problems


def cell_matches(cell, expected):
    kind, _, text = expected.partition(":")
    if kind == "blank":
        return cell.value is None
    if kind == "filled":
        return cell.value is not None
    if kind == "s":
        return cell.data_type == "s" and cell.value == text
    if kind == "n":
        return (cell.data_type == "n" and isinstance(cell.value, (int, float))
                and abs(cell.value - float(text)) < 1e-9)
    raise ValueError("unknown expectation " + expected)


def cell_problems(book, checks):
    problems = []
    for check in checks:
        place, expected = check.split("=", 1)
        sheet, reference = place.split("!")
        cell = book[sheet][reference]
        if not cell_matches(cell, expected):
            problems.append("%s is %r (%s), expected %s"
                            % (place, cell.value, cell.data_type, expected))
    return problems


def main(arguments):
    book = openpyxl.load_workbook(arguments[0])
    problems = layout_problems(book, channel_numbers(arguments[1])) + cell_problems(book, arguments[2:])
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
