#!/usr/bin/python3
"""Reads the quiz as a screen reader does, through the accessibility bus.

Runs the program in a fresh working folder with one question file of its own, then
walks the welcome window, the name prompt, the topic window, the question screen and
the result window through the accessibility tree alone: names and descriptions are
read, buttons are pressed and boxes ticked through their accessible actions.

Usage: screen_reader_test.py PROGRAM [--dump FILE]
  --dump FILE  also writes the question screen's tree, as a screen reader lists it
Run it inside session.sh (X server, D-Bus session and accessibility bus).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from quizfiles import ANSWERS, QUESTIONS, TOPIC, Failure, question_file

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402
import pyatspi  # noqa: E402

TIMEOUT = 120.0         # seconds; generous, the CI machine may be busy
POLL = 0.1





# The program under test; a wait ends at once when it has ended.
program_process = None


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe() until it gives something true; returns that or fails."""
    deadline = time.monotonic() + timeout
    last_error = None
    while time.monotonic() < deadline:
        if program_process is not None and program_process.poll() is not None:
            raise Failure(f"the program ended (exit status {program_process.returncode}) "
                          f"while waiting for {what}")
        try:
            found = probe()
            if found:
                return found
        except Exception as error:  # a window may vanish while it is walked
            last_error = error
        time.sleep(POLL)
    raise Failure(f"timed out waiting for {what}" + (f" (last error: {last_error})" if last_error else ""))


# ---------------------------------------------------------------- reading the tree

def states(acc):
    return acc.getState()


def showing(acc):
    s = states(acc)
    return s.contains(pyatspi.STATE_SHOWING) and s.contains(pyatspi.STATE_VISIBLE)


def children(acc):
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield child


def walk(acc, only_showing=True):
    for child in children(acc):
        if only_showing and not showing(child):
            continue
        yield child
        yield from walk(child, only_showing)


def find_app(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        if app.name == name:
            return app
    return None


def top_windows(app):
    return [w for w in children(app) if showing(w)]


def find(root, role=None, name=None, description=None, only_showing=True):
    for acc in walk(root, only_showing):
        if role is not None and acc.getRole() != role:
            continue
        if name is not None and acc.name != name:
            continue
        if description is not None and acc.description != description:
            continue
        return acc
    return None


def text_of(acc):
    try:
        t = acc.queryText()
        return t.getText(0, t.characterCount)
    except NotImplementedError:
        return None


def press(acc):
    action = acc.queryAction()
    if action.nActions < 1:
        raise Failure(f"{acc.getRoleName()} '{acc.name}' offers no action")
    action.doAction(0)


STATE_MARKS = [
    (pyatspi.STATE_FOCUSED, "focused"),
    (pyatspi.STATE_CHECKED, "checked"),
    (pyatspi.STATE_SELECTED, "selected"),
    (pyatspi.STATE_FOCUSABLE, "focusable"),
]


def describe(acc):
    line = f"[{acc.getRoleName()}] \"{acc.name}\""
    if acc.description:
        line += f" (description: \"{acc.description}\")"
    text = text_of(acc)
    if text and text != acc.name and acc.getRole() != pyatspi.ROLE_LABEL:
        line += f" text: \"{text}\""
    s = states(acc)
    marks = [label for state, label in STATE_MARKS if s.contains(state)]
    if not s.contains(pyatspi.STATE_ENABLED) and not s.contains(pyatspi.STATE_SENSITIVE):
        marks.append("disabled")
    if marks:
        line += " {" + ", ".join(marks) + "}"
    return line


def dump(window):
    """The window's showing objects, indented by depth, as a screen reader lists them."""
    lines = [describe(window)]

    def visit(acc, depth):
        for child in children(acc):
            if not showing(child):
                continue
            lines.append("  " * depth + describe(child))
            visit(child, depth + 1)

    visit(window, 1)
    return "\n".join(lines) + "\n"


# ---------------------------------------------------------------- checks

class Checks:
    def __init__(self):
        self.failures = []

    def equal(self, what, actual, expected):
        if actual != expected:
            self.failures.append(f"{what}: got {actual!r}, expected {expected!r}")

    def true(self, what, value):
        if not value:
            self.failures.append(what)

    def raise_if_failed(self, where):
        if self.failures:
            raise Failure(f"{where}:\n  " + "\n  ".join(self.failures))


def window_named(app, name):
    return wait_for(f"window '{name}'",
                    lambda: next((w for w in top_windows(app) if w.name == name), None))


def fillers_without_name(window):
    """Pictures and empty frames a screen reader would stop on without reading anything."""
    return [describe(acc) for acc in walk(window)
            if acc.getRole() in (pyatspi.ROLE_IMAGE, pyatspi.ROLE_FILLER, pyatspi.ROLE_PANEL,
                                 pyatspi.ROLE_SEPARATOR)
            and not acc.name and acc.childCount == 0]


def check_welcome(app):
    welcome = window_named(app, "Тесты по ЗУФ")
    c = Checks()
    question = find(welcome, pyatspi.ROLE_LABEL, "Вы желаете работать с тестами по ЗУФ?")
    c.true("the welcome question is read as a label", question is not None)
    yes = find(welcome, pyatspi.ROLE_PUSH_BUTTON, "Да")
    no = find(welcome, pyatspi.ROLE_PUSH_BUTTON, "Нет")
    c.true("buttons 'Да' and 'Нет'", yes is not None and no is not None)
    if yes is not None:
        c.true("'Да' has the focus", states(yes).contains(pyatspi.STATE_FOCUSED))
    c.equal("unnamed fillers in the welcome window", fillers_without_name(welcome), [])
    c.raise_if_failed("welcome window")
    return yes


def enter_name(app, name):
    prompt = window_named(app, "Регистрация")
    entry = wait_for("the name field", lambda: find(prompt, pyatspi.ROLE_TEXT))
    entry.queryEditableText().setTextContents(name)
    wait_for("the name typed", lambda: text_of(entry) == name)
    press(find(prompt, pyatspi.ROLE_PUSH_BUTTON, "ОК"))
    wait_for("the prompt closed", lambda: all(w.name != "Регистрация" for w in top_windows(app)))


def start_topic(app):
    main = window_named(app, "Тесты по ЗУФ")
    new_test = wait_for("menu item 'Новый тест'",
                        lambda: find(main, pyatspi.ROLE_MENU_ITEM, "Новый тест", only_showing=False))
    press(new_test)
    topics = window_named(app, "Выбор темы")
    topic_list = wait_for("the topic list", lambda: find(topics, pyatspi.ROLE_LIST))
    items = [topic_list.getChildAtIndex(i) for i in range(topic_list.childCount)]
    index = next(i for i, item in enumerate(items) if item.name == TOPIC)
    # A list item's one action toggles its selection, as Space does on the keyboard.
    if not states(items[index]).contains(pyatspi.STATE_SELECTED):
        press(items[index])
    wait_for("the topic selected", lambda: states(items[index]).contains(pyatspi.STATE_SELECTED))
    press(find(topics, pyatspi.ROLE_PUSH_BUTTON, "Ok"))
    wait_for("the topic window closed", lambda: all(w.name != "Выбор темы" for w in top_windows(app)))
    return main


def tick_boxes(main):
    boxes = [acc for acc in walk(main) if acc.getRole() == pyatspi.ROLE_CHECK_BOX]
    return sorted(boxes, key=lambda b: b.description)


def check_question_screen(main, n, score):
    c = Checks()
    wait_for(f"question {n} on screen",
             lambda: find(main, pyatspi.ROLE_LABEL, f"Номер вопроса: {n}") is not None)
    c.true(f"score reads 'Количество баллов: {score}'",
           find(main, pyatspi.ROLE_LABEL, f"Количество баллов: {score}") is not None)
    boxes = tick_boxes(main)
    c.equal("tick boxes showing", len(boxes), ANSWERS)
    for k, box in enumerate(boxes, start=1):
        c.equal(f"name of tick box {k}", box.name, f"Вариант {n}.{k}")
        c.equal(f"description of tick box {k}", box.description, f"Ответ {k}")
        c.true(f"tick box {k} unticked", not states(box).contains(pyatspi.STATE_CHECKED))
    # Review reads each answer once: by its tick box, not again by the label beside it.
    names = [acc.name for acc in walk(main)]
    for k in range(1, ANSWERS + 1):
        c.equal(f"objects read as answer {k}", names.count(f"Вариант {n}.{k}"), 1)
    # The question is the description of the group the boxes stand in.
    group = boxes[0].parent if boxes else None
    c.true("the tick boxes' group carries the question as description",
           group is not None and group.description == f"Вопрос номер {n}")
    # The question has the keyboard, and its name says where the pupil stands.
    place = f"Вопрос номер {n} Вопрос {n} из 10. Количество баллов: {score}."
    question = wait_for(f"question {n} with its place",
                        lambda: next((acc for acc in walk(main) if acc.getRole() == pyatspi.ROLE_LABEL
                                      and acc.name.endswith(place)), None))
    c.true("the question label has the keyboard", states(question).contains(pyatspi.STATE_FOCUSED))
    c.true("the answer button", find(main, pyatspi.ROLE_PUSH_BUTTON, "Ответ") is not None)
    c.equal("unnamed fillers on the question screen", fillers_without_name(main), [])
    c.raise_if_failed(f"question {n}")
    return boxes


def answer_first(main, n, boxes):
    first = boxes[0]
    press(first)
    wait_for(f"tick in box 1 of question {n}", lambda: states(first).contains(pyatspi.STATE_CHECKED))
    press(find(main, pyatspi.ROLE_PUSH_BUTTON, "Ответ"))


def check_result(app, grade):
    result = window_named(app, "Оценка")
    c = Checks()
    wait_for("the grade", lambda: find(result, pyatspi.ROLE_LABEL, f"Ваша оценка: {grade}"))
    ok = find(result, pyatspi.ROLE_PUSH_BUTTON, "Ok")
    c.true("button 'Ok'", ok is not None)
    c.equal("unnamed fillers in the result window", fillers_without_name(result), [])
    c.raise_if_failed("result window")
    return ok


def run(program, dump_file):
    work = tempfile.mkdtemp(prefix="zuf-a11y-")
    proc = None
    try:
        with open(os.path.join(work, "qes8.ssu"), "wb") as f:
            f.write(question_file())
        proc = subprocess.Popen([program], cwd=work)
        global program_process
        program_process = proc
        app = wait_for("the program on the accessibility bus", lambda: find_app("zuf-quiz"))
        app.set_cache_mask(Atspi.Cache.NONE)

        yes = check_welcome(app)
        print("welcome window: ok")
        press(yes)
        enter_name(app, "Ученик")
        main = start_topic(app)
        boxes = check_question_screen(main, 1, 0)
        if dump_file:
            with open(dump_file, "w", encoding="utf-8") as f:
                f.write(dump(main))
        print("question screen: ok")
        for n in range(1, QUESTIONS + 1):
            if n > 1:
                boxes = check_question_screen(main, n, n - 1)
            answer_first(main, n, boxes)
        print("ten answers through the tick boxes' actions: ok")
        ok = check_result(app, 5)
        print("result window: ok")
        press(ok)
        wait_for("the result window closed", lambda: all(w.name != "Оценка" for w in top_windows(app)))
        with open(os.path.join(work, "records.ssu"), "rb") as f:
            recorded = f.read().decode("cp1251")
        if recorded != f"Ученик,{TOPIC}, 5\r\n":
            raise Failure(f"records file holds {recorded!r}")
        print("records line: ok")
        return 0
    finally:
        if proc is not None:
            proc.terminate()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
        shutil.rmtree(work, ignore_errors=True)


def dump_only(program, out, questions):
    """The welcome window and question 1 as they read, whatever the names (out and
    out.welcome); questions is a question file to use instead of the test's own."""
    work = tempfile.mkdtemp(prefix="zuf-a11y-")
    proc = None
    try:
        if questions:
            shutil.copy(questions, os.path.join(work, "qes8.ssu"))
        else:
            with open(os.path.join(work, "qes8.ssu"), "wb") as f:
                f.write(question_file())
        proc = subprocess.Popen([program], cwd=work)
        global program_process
        program_process = proc
        app = wait_for("the program on the accessibility bus", lambda: find_app("zuf-quiz"))
        app.set_cache_mask(Atspi.Cache.NONE)
        welcome = wait_for("the welcome window", lambda: top_windows(app)[0])
        with open(out + ".welcome", "w", encoding="utf-8") as f:
            f.write(dump(welcome))
        press(find(welcome, pyatspi.ROLE_PUSH_BUTTON, "Да"))
        enter_name(app, "Ученик")
        main = start_topic(app)
        wait_for("question 1", lambda: find(main, pyatspi.ROLE_CHECK_BOX) is not None)
        time.sleep(1)
        with open(out, "w", encoding="utf-8") as f:
            f.write(dump(main))
        return 0
    finally:
        if proc is not None:
            proc.terminate()
            proc.wait(timeout=10)
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--dump", help="write the question screen's tree to this file")
    parser.add_argument("--dump-only", action="store_true", help="only drive to question 1 and dump")
    parser.add_argument("--questions", help="with --dump-only: the topic's question file")
    args = parser.parse_args()
    try:
        if args.dump_only:
            return dump_only(os.path.abspath(args.program), args.dump, args.questions)
        return run(os.path.abspath(args.program), args.dump)
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
