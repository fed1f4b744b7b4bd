"""Reads two workbooks on their own and compares their sheets, cells and column widths.

Usage: compare_workbooks.py FIRST SECOND
Prints every difference and exits with 1 when there is one.
"""
import sys

import openpyxl


def contents(path):
    book = openpyxl.load_workbook(path)
    sheets = {}
    for sheet in book.worksheets:
        rows = [[(type(cell.value).__name__, cell.value) for cell in row] for row in sheet.iter_rows()]
        widths = {key: dim.width for key, dim in sheet.column_dimensions.items()}
        sheets[sheet.title] = (rows, widths)
    return book.sheetnames, book.active.title, sheets


def main():
    first_names, first_active, first = contents(sys.argv[1])
    second_names, second_active, second = contents(sys.argv[2])
    problems = []
    if first_names != second_names or first_active != second_active:
        problems.append("sheets %s (%s) against %s (%s)"
                        % (first_names, first_active, second_names, second_active))
    for name in first_names:
        if name in second and first[name] != second[name]:
            problems.append("sheet %s differs" % name)
    for problem in problems:
        print(problem)
    sys.exit(1 if problems else 0)


main()
