#include "shell/screenreader.h"

#include <QAccessible>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QWidget>

// Qt tells the accessibility bus that a control shown again is "showing", never that it
// is "visible". A reader keeps a copy of every state it has read: a control it first
// met hidden stays invisible there, and its review skips it (the counters, the tick
// boxes, "Ответ"). The missing change is sent here, on Qt's own connection to the
// bus, so that it comes from the object Qt publishes.
void tellControlShown(QWidget &control)
{
    if (!QAccessible::isActive())
        return;
    QDBusConnection bus(QStringLiteral("a11y"));   // the connection Qt's bridge opened
    QAccessibleInterface *object = QAccessible::queryAccessibleInterface(&control);
    if (!bus.isConnected() || !object)
        return;
    const QString path = QStringLiteral("/org/a11y/atspi/accessible/") + QString::number(QAccessible::uniqueId(object));
    QDBusArgument application;
    application.beginStructure();
    application << bus.baseService() << QDBusObjectPath(QStringLiteral("/org/a11y/atspi/accessible/root"));
    application.endStructure();
    QDBusMessage change = QDBusMessage::createSignal(path, QStringLiteral("org.a11y.atspi.Event.Object"),
                                                     QStringLiteral("StateChanged"));
    change << QStringLiteral("visible") << 1 << 0 << QVariant::fromValue(QDBusVariant(0))
           << QVariant::fromValue(application);
    bus.send(change);
}
