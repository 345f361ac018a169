#pragma once

// Where the checker's text goes. The text is UTF-8 with '\n' line ends; each platform
// half hands it over as its reader reads it. Linux: the bytes as they are. Windows: a
// console gets it through the console's wide-character call, whatever its code page;
// a file or a pipe gets UTF-8 after a byte-order mark, which Notepad needs to read it.

#include <QByteArrayView>
#include <cstdio>

// Called once before the first report line. A JSON document goes without the mark,
// which JSON readers refuse.
void beginReport(bool markFile);

// 0, or the C library's error number when the text did not get through.
int writeText(std::FILE *stream, QByteArrayView utf8);

// Whether this process is alone on its console, as when started from Explorer or by a
// file dropped on it: the console closes with it, so it waits for a key first.
bool ownsConsole();
void waitForKey();
