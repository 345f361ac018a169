#!/usr/bin/python3
"""Listens to the quiz as a blind pupil does: through Orca.

Starts openbox and Orca (speech through speech-dispatcher's dummy module, in a home
folder of its own), runs the program in a fresh working folder with a question file
of its own, and drives a whole run with the keyboard alone. What Orca says is read
line by line from its debug log; each step presses keys and then checks the phrases
Orca spoke for it.

Usage: orca_test.py PROGRAM [--transcript FILE] [--observe]
  --transcript FILE  writes every step with what Orca said for it
  --observe          only records what Orca says; checks nothing (a run of an older build)
Run it inside session.sh (X server, D-Bus session and accessibility bus).
Exits 77 (skipped) where Orca or openbox is missing or Orca does not start.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from quizfiles import ANSWERS, QUESTIONS, TOPIC, Failure, question_file

SKIP = 77
# Latin letters stand in the keyboard map: xdotool types Cyrillic ones by remapping a
# key for each, and under load the last one is sometimes lost.
PUPIL = "Vanya"
# The phrase, then the voice it is spoken in.
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*)'\s*(\{.*\}|None)?\s*$")
QUIET = 0.4                 # seconds without new speech that end a step once its phrases came
PATIENCE = 8.0              # seconds to wait for a phrase Orca has not said yet




class Speech:
    """Orca's debug log, read as it grows: each spoken phrase once."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.partial = b""

    def take(self):
        try:
            with open(self.path, "rb") as f:
                f.seek(self.offset)
                data = f.read()
        except FileNotFoundError:
            return []
        self.offset += len(data)
        lines = (self.partial + data).split(b"\n")
        self.partial = lines.pop()
        return [m.group(1) for m in (SPEECH.search(l.decode("utf-8", "replace")) for l in lines) if m]

    def listen(self, expected, patience, quiet=QUIET):
        """Phrases spoken until every expected piece was heard (in order) and Orca fell
        quiet for a moment, or patience ran out."""
        heard = []
        deadline = time.monotonic() + patience
        last = time.monotonic()
        while True:
            now = time.monotonic()
            new = self.take()
            if new:
                heard += new
                last = now
            if now - last >= quiet and in_order(expected, heard):
                return heard
            if now >= deadline:
                return heard
            time.sleep(0.05)


def is_key_echo(phrase):
    """Orca names each key pressed ("tab ", "У "): a trailing space, no full stop."""
    return phrase.endswith(" ")


def in_order(pieces, phrases):
    """Every piece occurs in the phrases, each after the one before."""
    text = " | ".join(phrases)
    at = 0
    for piece in pieces:
        found = text.find(piece, at)
        if found < 0:
            return False
        at = found + len(piece)
    return True


def key(name):
    subprocess.run(["xdotool", "key", name], check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "60", text], check=True)


class Run:
    def __init__(self, speech, observe):
        self.speech = speech
        self.observe = observe
        self.steps = []
        self.failures = []

    def step(self, what, action, expected=()):
        """Does action (keys pressed) and collects what Orca says upon it."""
        if action:
            action()
        expected = [] if self.observe else list(expected)
        heard = self.speech.listen(expected, PATIENCE if expected or self.observe else 1.0,
                                   quiet=1.0 if self.observe else QUIET)
        self.steps.append((what, heard, expected))
        return heard

    def check(self):
        """Each step's words in order, and after those of the step before: Orca may say
        them a little late, in the next step's time."""
        spoken = [(i, h) for i, (_, heard, _) in enumerate(self.steps) for h in heard]
        at = 0
        for i, (what, _, expected) in enumerate(self.steps):
            for piece in expected:
                found = next((k for k in range(at, len(spoken)) if piece in spoken[k][1]), None)
                if found is None:
                    self.failures.append(f"{what}: did not hear {piece!r}")
                    break
                at = found   # the same phrase may hold the next piece too


def keys(*names):
    """Presses keys one after another, as a pupil who knows the window does."""
    def press():
        for name in names:
            key(name)
            time.sleep(0.15)
    return press


def open_file_menu(run):
    """Alt opens the menu bar, Down its first menu. Observing an older build, where
    Alt mostly did nothing under a screen reader, Alt+Ф opens the menu instead."""
    if run.observe:
        run.step("Alt, then Alt+Ф: the File menu", keys("alt", "alt+Cyrillic_ef"))
    else:
        run.step("Alt: the menu bar", lambda: key("alt"), ["Файл"])
        run.step("Down: the File menu opens", lambda: key("Down"), ["Новый тест"])


def review_window(run, n):
    """Keypad plus twice reads the whole window in flat review (keypad minus leaves it):
    the counters, the question, each answer once with its box, and 'Ответ'."""
    answers = [f"Вариант {n}.{k}" for k in range(1, ANSWERS + 1)]
    heard = run.step(f"question {n}: keypad plus twice, review reads the window, keypad minus",
                     keys("KP_Add", "KP_Add", "KP_Subtract"),
                     [f"Количество баллов: {n - 1} Номер вопроса: {n}", f"Вопрос номер {n}"] + answers + ["Ответ"])
    for answer in answers:
        if sum(answer in phrase for phrase in heard) != 1:
            run.failures.append(f"review of question {n}: {answer!r} not read once")


def drive(run, workdir):
    """A whole run, keyboard only."""
    run.step("the program starts: welcome window", None,
             ["Да", "Вы желаете работать с тестами по ЗУФ?"])
    run.step("Return on 'Да': the name prompt", lambda: key("Return"), ["Регистрация"])
    run.step(f"types '{PUPIL}'", lambda: type_text(PUPIL))
    run.step("Return: the title screen", lambda: key("Return"), ["Тесты по ЗУФ", "Программа представляет"])
    open_file_menu(run)
    run.step("Return on 'Новый тест': the topic window", lambda: key("Return"),
             ["Выбор темы", "Безопасность при"])
    # One key a step: Orca drops what it was saying of a row when the next key comes quickly.
    for n, topic in enumerate(["Землетрясение", "Мероприятия", TOPIC], start=2):
        run.step(f"Down: topic {n}", lambda: key("Down"), [topic])
    if run.observe:
        run.step("Tab, Space on Ok: question 1", keys("Tab", "space"))
    else:
        run.step("Return in the list: question 1", lambda: key("Return"),
                 ["Вопрос номер 1", "Вопрос 1 из 10", "Количество баллов: 0"])
    # The older build had "Ответ" first in the window, the answers after it.
    back = ["shift+Tab"] if run.observe else ["shift+Tab", "shift+Tab"]
    for n in range(1, QUESTIONS + 1):
        if n == 2 and not run.observe:
            review_window(run, n)
        if n < QUESTIONS:
            then = [f"Ответ принят. Вопрос номер {n + 1}", f"Вопрос {n + 1} из 10", f"Количество баллов: {n}"]
        else:
            then = ["Оценка", "Ok push button", "Ответ принят. Ваша оценка: 5"]
        run.step(f"question {n}: Tab, Space ticks answer 1, Shift+Tab to 'Ответ', Space",
                 keys("Tab", "space", *back, "space"),
                 [f"Вариант {n}.1 check box not checked", "checked", "Ответ push button"] + then)
    run.step("Return on Ok: back to the title screen", lambda: key("Return"),
             ["Тесты по ЗУФ", "Программа представляет"])
    open_file_menu(run)
    run.step("Down: 'Рекорды'", lambda: key("Down"), ["Рекорды"])
    run.step("Return: the records window", lambda: key("Return"),
             ["Рейтинг тестируемых", f"{PUPIL}, {TOPIC}, оценка 5"])
    run.step("Down in the records list (one row)", lambda: key("Down"), [f"{PUPIL}, {TOPIC}, оценка 5"])
    run.step("Escape: the records window closes", lambda: key("Escape"), ["Тесты по ЗУФ"])
    open_file_menu(run)
    run.step("Right: the Help menu", lambda: key("Right"), ["Помощь"])
    run.step("Return: the help window", lambda: key("Return"), ["Справка"])
    run.step("Escape: the help window closes", lambda: key("Escape"), ["Тесты по ЗУФ"])
    with open(os.path.join(workdir, "records.ssu"), "rb") as f:
        recorded = f.read().decode("cp1251")
    if not run.observe and recorded != f"{PUPIL},{TOPIC}, 5\r\n":
        run.failures.append(f"records file holds {recorded!r}")


def start_orca(home, log):
    """Openbox and Orca in a home of their own; False where Orca does not speak."""
    config = os.path.join(home, ".config")
    os.makedirs(os.path.join(config, "speech-dispatcher"))
    runtime = os.path.join(home, "run")
    os.makedirs(runtime, mode=0o700)
    os.makedirs(os.path.join(home, "speechd-log"))
    with open(os.path.join(config, "speech-dispatcher", "speechd.conf"), "w") as f:
        # The dummy module speaks nothing; Orca writes every phrase to its log before.
        # The server Orca starts ends itself a second after Orca has gone.
        f.write('AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\nAudioOutputMethod "libao"\nTimeout 1\n'
                f'LogDir "{home}/speechd-log"\n')
    os.environ.update(HOME=home, XDG_CONFIG_HOME=config,
                      XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                      XDG_RUNTIME_DIR=runtime, LANG="C.UTF-8")
    procs = [subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)]
    # Orca names every key it hears, arrows too: each step's words then start after
    # the echo of its key, however late they come.
    prefs = os.path.join(home, "orca")
    os.makedirs(prefs)
    echo = {"enableKeyEcho": True, "enableNavigationKeys": True, "enableActionKeys": True}
    with open(os.path.join(prefs, "user-settings.conf"), "w") as f:
        json.dump({"general": dict(echo), "pronunciations": {}, "keybindings": {},
                   "profiles": {"default": dict(echo, profile=["Default", "default"])}}, f)
    # Orca writes its log in blocks; line by line, each phrase is there as it is said.
    with open(os.path.join(prefs, "orca-customizations.py"), "w") as f:
        f.write("import orca.debug\nif orca.debug.debugFile:\n"
                "    orca.debug.debugFile.reconfigure(line_buffering=True)\n")
    procs.append(subprocess.Popen(["orca", "--replace", "-u", prefs, "--debug-file", log],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    return procs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--transcript")
    parser.add_argument("--observe", action="store_true")
    args = parser.parse_args()
    for tool in ("orca", "openbox", "xdotool", "speech-dispatcher"):
        if not shutil.which(tool):
            print(f"SKIP: {tool} is not installed (tools/install-deps.sh installs it)")
            return SKIP

    home = tempfile.mkdtemp(prefix="zuf-orca-")
    workdir = os.path.join(home, "work")
    os.makedirs(workdir)
    with open(os.path.join(workdir, "qes8.ssu"), "wb") as f:
        f.write(question_file())
    log = os.path.join(home, "orca.log")
    procs = start_orca(home, log)
    program = None
    run = None
    try:
        speech = Speech(log)
        started = speech.listen(["Screen reader on"], patience=20)
        if not any("Screen reader on" in s for s in started):
            print("SKIP: Orca did not start speaking within 20 s")
            return SKIP
        env = dict(os.environ, LANG="C.UTF-8")
        program = subprocess.Popen([os.path.abspath(args.program)], cwd=workdir, env=env)
        run = Run(speech, args.observe)
        try:
            drive(run, workdir)
        except Failure:
            pass
        run.check()
        if program.poll() is not None:
            run.failures.append(f"the program ended with status {program.returncode}")
    finally:
        for p in ([program] if program else []) + procs[::-1]:
            p.terminate()
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()
        if run and args.transcript:
            with open(args.transcript, "w", encoding="utf-8") as f:
                for what, heard, _ in run.steps:
                    f.write(f"{what}\n" + "".join(f"    «{h}»\n" for h in heard))
        shutil.rmtree(home, ignore_errors=True)
    for what, heard, _ in run.steps:
        print(f"{what}: " + " / ".join(heard))
    if run.failures:
        print("FAIL:\n  " + "\n  ".join(run.failures), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
