#pragma once
// POSIX systems: following a link at the end of a name only where following it cannot be
// turned against the user, as the kernel's protected-links rule reasons. A link is
// followed when it belongs to this user, to the owner of the folder it lies in, or to
// root; a link anyone else made there (a classmate who may write the shared folder) is not.

#include <QByteArray>
#include <sys/types.h>

// open(2), asked again when a signal cut it short: every opening of the program's files
// goes through here.
int openUninterrupted(const char *name, int flags, mode_t mode = 0);

// Opens name with open(2)'s flags and mode, never through a link at its end that is not
// trusted, nor through one that appears there after it was looked at. -1 with errno when
// nothing was opened; untrusted is then set when a link was refused. `opened` is the name
// of what was opened (or of the last name tried), links followed.
int openFollowingTrustedLinks(const QByteArray &name, int flags, mode_t mode, QByteArray &opened, bool &untrusted);

// The folder part of a name: "." for a bare name.
QByteArray folderOf(const QByteArray &name);
