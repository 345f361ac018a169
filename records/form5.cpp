#include "records/form5.h"
#include "shell/form1.h"
#include "shell/windows.h"

Form5::Form5()
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Рейтинг тестируемых"));
}

void listRecords()
{
    form1().setEnabled(false);
    showWindow(form5());
}
