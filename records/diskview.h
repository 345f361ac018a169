#pragma once
// A file as the disk or the share's server holds it, not as this machine remembers it
// (diskview_unix.cpp, diskview_win.cpp). Two machines appending to one share see each
// other's lines only so.

#include <QtGlobal>

class QFile;

// The file's size as the disk or the server has it now.
qint64 currentSize(QFile &file);

// Where the next bytes written to the file lie at or after `from`: a stretch the file
// system keeps as a hole (a file made large with truncate) reads as zero bytes and need
// not be read. `from` itself where the system cannot tell; the size after the last data.
qint64 nextData(QFile &file, qint64 from);

// Pushes what was written out to the share's server and forgets this machine's copy, so
// that the next read shows what the file really holds; nothing to do on a local disk.
void forgetCachedData(QFile &file);
