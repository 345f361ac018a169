#include "shell/username.h"
#include "quiz/codepage.h"

bool isAcceptableUserName(const QString &name)
{
    if (name.isEmpty() || name.size() > MaxUserNameLength)
        return false;
    if (name.trimmed().isEmpty() || name.contains(u','))
        return false;
    // The records reader skips spaces in front of a field, then takes a quote for the
    // start of a quoted text.
    qsizetype first = 0;
    while (name[first] == u' ')
        ++first;
    if (name[first] == u'"')
        return false;
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    return encode1251(name).has_value();
}
