"""What the two screen-reader tests share: the topic they take and its question file."""

TOPIC = "Наводнения"    # the catalogue reads it from qes8.ssu
ANSWERS = 4
QUESTIONS = 10


class Failure(Exception):
    pass


def question_file():
    """Thresholds 9, 7, 5; in question n only answer 1 is right."""
    lines = ["9,7,5,0"]
    for n in range(1, QUESTIONS + 1):
        answers = ",".join(f'"Вариант {n}.{k}"' for k in range(1, ANSWERS + 1))
        lines.append(f'"Вопрос номер {n}",{answers},0,1,0,0,0')
    return ("\r\n".join(lines) + "\r\n").encode("cp1251")
