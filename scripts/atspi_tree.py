#!/usr/bin/python3
"""Reads the running 基礎体温表 over the AT-SPI bus, as a screen reader such as Orca does.

Usage: /usr/bin/python3 scripts/atspi_tree.py PID

Answers the start-up message with its OK button, prints the window's accessible tree,
presses グラフ表示, waits for the chart's description to change, prints the tree again and
the chart's table as a screen reader walks it, row by row under its column headers, and
checks what a screen reader reads out. Before the drawing and after it, it sends the chart's
table requests for places in it and outside it, and checks each answer and that the program
still runs and answers. Prints "ok: ..." for every check that holds; exits with status 1 and
a "FAILED: ..." line on the first that does not.
"""

import sys
import time

import pyatspi
from gi.repository import GLib

WindowTitle = "基礎体温表"
SampleTitle = "2002/08 サンプル"
DesignTitle = "タイトル"
ButtonCaptions = ["印刷", "Clear", "グラフ表示"]
ChartName = "基礎体温グラフ"
NotDrawnYet = "まだグラフは描かれていません。"
DrawnSampleBegins = f"「{SampleTitle}」の基礎体温グラフ。記録のある日 23日"
SampleLowest, SampleHighest = "36.1℃（15日）", "36.72℃（27日）"
TableHeaders = ["日", "体温", "チェック日"]
SampleDays = 23
Row27 = ["27", "36.72", "いいえ"]
Row27Index = 18
# Moving along the 27th's row, a screen reader announces each cell under its column's header.
Row27Announced = ["日 27", "体温 36.72", "チェック日 いいえ"]

# Requests a screen reader may send the chart's table, with the answer before the first
# drawing, when the table has no rows, and after the sample's. A place outside the table has
# no cell: it spans nothing, is not selected, and has no index, row or column.
# (pyatspi's name of the request, its arguments, answer before, answer after)
TableRequests = [
    ("getRowExtentAt", (0, 0), 0, 1),
    ("isSelected", (0, 0), False, False),
    ("getIndexAt", (0, 0), -1, 3),
    ("getRowAtIndex", (3,), -1, 0),
    ("getRowExtentAt", (-1, 0), 0, 0),
    ("getRowExtentAt", (10000, 0), 0, 0),
    ("getColumnExtentAt", (0, 99), 0, 0),
    ("isSelected", (0, 99), False, False),
    ("getIndexAt", (99, 0), -1, -1),
    ("getRowAtIndex", (10000,), -1, -1),
    ("getColumnAtIndex", (10000,), -1, -1),
    ("getAccessibleAt", (99, 0), None, None),
    # Qt's bridge reports success whenever it is handed a cell, the one outside included.
    ("getRowColumnExtentsAtIndex", (10000,), (True, -1, -1, 0, 0, False), (True, -1, -1, 0, 0, False)),
]

# The program and the bus answer in their own time; a wait that takes longer has failed.
DeadlineSeconds = 30
# What Qt answers when asked about an element that has gone, such as the start-up message
# and its buttons while the message closes.
GoneAway = "No such object path"


def fail(message):
    print(f"FAILED: {message}", file=sys.stderr)
    sys.exit(1)


def check(holds, what, found):
    if not holds:
        fail(f"expected {what}; found {found}")
    print(f"ok: {what}")


def wait_for(what, find):
    """What `find` finds before the deadline. An element that goes away while `find` reads it
    is one not there yet: `find` looks again."""
    end = time.monotonic() + DeadlineSeconds
    while time.monotonic() < end:
        try:
            found = find()
        except GLib.GError as error:
            if GoneAway not in error.message:
                raise
            found = None
        if found:
            return found
        time.sleep(0.05)
    fail(f"gave up after {DeadlineSeconds} s waiting for {what}")


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    return next((app for app in desktop if app is not None and app.get_process_id() == pid), None)


def children(element, role):
    return [child for child in element if child is not None and child.getRole() == role]


def descendants(element, role):
    return pyatspi.findAllDescendants(element, lambda found: found.getRole() == role)


def press(element):
    actions = element.queryAction()
    names = [actions.getName(index) for index in range(actions.nActions)]
    for index, name in enumerate(names):
        if name.lower() in ("press", "click"):
            actions.doAction(index)
            return
    fail(f'"{element.name}" offers no press action, only {names}')


def print_tree(element, depth=0):
    print(f'{"  " * depth}{element.getRoleName()} "{element.name}" "{element.description}"')
    if element.getRole() == pyatspi.ROLE_CHART:
        return  # its children are the cells of its table, printed as a table
    for child in element:
        if child is not None:
            print_tree(child, depth + 1)


def table_rows(chart):
    """The chart's table as a screen reader walks it: the column headers, then each row."""
    try:
        table = chart.queryTable()
    except NotImplementedError:
        fail(f'the chart "{chart.name}" offers no table')
    headers = [table.getColumnHeader(column).name for column in range(table.nColumns)]
    rows = [[table.getAccessibleAt(row, column).name for column in range(table.nColumns)]
            for row in range(table.nRows)]
    return headers, rows


def print_table(headers, rows):
    print(f"The chart's table, {len(rows)} rows, as a screen reader walks it:")
    for cells in [headers] + rows:
        print("  " + " | ".join(cells))


def answer_startup_message(app):
    message = wait_for("the start-up message", lambda: children(app, pyatspi.ROLE_ALERT))[0]
    buttons = descendants(message, pyatspi.ROLE_PUSH_BUTTON)
    names = [button.name for button in buttons]
    check(message.name == WindowTitle and names == ["OK"],
          f'the start-up message is an alert "{WindowTitle}" with one button, OK',
          f'an alert "{message.name}" with the buttons {names}')
    press(buttons[0])


def main_window(app):
    return next((window for window in app if window is not None and window.name == WindowTitle
                 and window.getRole() != pyatspi.ROLE_ALERT and window.childCount > 0), None)


def the_chart(window):
    charts = descendants(window, pyatspi.ROLE_CHART)
    check(len(charts) == 1 and charts[0].name == ChartName,
          f'one element with the role chart, named "{ChartName}"',
          f'elements with the role chart named {[chart.name for chart in charts]}')
    return charts[0]


def running(pid):
    """Whether the process runs: not gone, and not a zombie waiting for its parent."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def answer(request):
    try:
        found = request()
    except Exception as error:  # the bus's error, or the program gone
        return f"an error: {error}"
    return tuple(found) if isinstance(found, tuple) else found


def check_table_requests(pid, chart, drawn):
    table = chart.queryTable()
    rows = SampleDays if drawn else 0
    when = "after the drawing" if drawn else "before any drawing"
    for name, arguments, before, after in TableRequests:
        expected = after if drawn else before
        request = f"{name}{arguments}".replace(",)", ")")
        found = answer(lambda: getattr(table, name)(*arguments))
        alive = running(pid)
        told = answer(lambda: table.nRows)
        check(found == expected and alive and told == rows,
              f"{when}, {request} answers {expected}, and the program runs on and tells its {rows} rows",
              f"the answer {found}, the program {'running' if alive else 'gone'}, the rows {told}")


def check_row27(chart):
    """The 27th's cells as a screen reader reads them, each telling its own row and column."""
    table = chart.queryTable()
    cells = [table.getAccessibleAt(Row27Index, column) for column in range(table.nColumns)]
    places = [(table.getRowAtIndex(cell.getIndexInParent()), table.getColumnAtIndex(cell.getIndexInParent()))
              for cell in cells]
    extents = [(table.getRowExtentAt(row, column), table.getColumnExtentAt(row, column)) for row, column in places]
    check(places == [(Row27Index, column) for column in range(len(cells))] and extents == [(1, 1)] * len(cells),
          f"the 27th's cells tell their row, {Row27Index}, their columns and an extent of one row and one column",
          f"the places {places} and the extents {extents}")
    announced = [f"{table.getColumnHeader(column).name} {cell.name}" for cell, (_, column) in zip(cells, places)]
    check(announced == Row27Announced, f"along the 27th's row a screen reader announces {', '.join(Row27Announced)}",
          announced)


def label_names(window):
    return [label.name for label in children(window, pyatspi.ROLE_LABEL)]


def main():
    sys.stdout.reconfigure(line_buffering=True)
    pid = int(sys.argv[1])
    app = wait_for(f"the program (process {pid}) on the accessibility bus", lambda: application(pid))
    answer_startup_message(app)
    window = wait_for(f'the window "{WindowTitle}"', lambda: main_window(app))

    print("The accessible tree before グラフ表示 (role \"name\" \"description\"):")
    print_tree(app)
    chart = the_chart(window)
    check(DesignTitle in label_names(window) and chart.description == NotDrawnYet,
          f'before the first drawing the title label reads "{DesignTitle}" and the chart "{NotDrawnYet}"',
          f'the labels {label_names(window)} and the chart "{chart.description}"')
    check_table_requests(pid, chart, drawn=False)

    buttons = children(window, pyatspi.ROLE_PUSH_BUTTON)
    draw = [button for button in buttons if button.name == "グラフ表示"]
    check(sorted(button.name for button in buttons) == sorted(ButtonCaptions),
          f"the push buttons are named by their captions: {'、'.join(ButtonCaptions)}",
          f"push buttons named {[button.name for button in buttons]}")
    press(draw[0])
    wait_for("the chart's description to change after グラフ表示", lambda: chart.description != NotDrawnYet)

    print("The accessible tree after グラフ表示:")
    print_tree(app)
    labels = label_names(window)
    check(SampleTitle in labels and DesignTitle not in labels,
          f'the title label reads "{SampleTitle}"',
          f'the labels {labels}')
    boxes = [box.name for box in children(window, pyatspi.ROLE_TEXT)]
    check(boxes == ["記録"], 'the text box is named "記録"', f"text boxes named {boxes}")
    described = chart.description
    check(described.startswith(DrawnSampleBegins) and SampleLowest in described and SampleHighest in described,
          f'the chart\'s description begins "{DrawnSampleBegins}" and names {SampleLowest} and {SampleHighest}',
          f'"{described}"')

    headers, rows = table_rows(chart)
    print_table(headers, rows)
    check(headers == TableHeaders and len(rows) == SampleDays,
          f"the chart's table has the columns {'、'.join(TableHeaders)} and a row for each of the {SampleDays} days "
          "with a reading",
          f"the columns {headers} and {len(rows)} rows")
    row27 = next((cells for cells in rows if cells[0] == Row27[0]), None)
    check(row27 == Row27, f"the 27th's row reads {' | '.join(Row27)}", f"{row27}")
    check_row27(chart)
    check_table_requests(pid, chart, drawn=True)


if __name__ == "__main__":
    main()
