#pragma once
// POSIX systems: a file made in a folder that its group may write is writable by that
// group from its first instant, whatever the creator's umask, so that pupils of one group
// can share it; no class of users gets more access to it than the folder gives.

#include <QByteArray>

// Creates name for reading and appending with the rights it keeps from its first instant:
// made under a name of its own, given its group and mode, then linked under name, which is
// never replaced (another copy that created it first wins: -1 with EEXIST). -1 with errno
// when nothing was created.
int createShared(const QByteArray &name);
