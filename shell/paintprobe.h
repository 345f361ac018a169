#pragma once
// For start-up measurements only, compiled into the benchmarks' copy of the program
// (bench/), never into the installed one. With ZUF_BENCH_EXIT_ON_PAINT=1 in the environment
// the process prints "painted <ns>" (CLOCK_MONOTONIC) on stdout as soon as the first
// window has been painted and handed to the windowing system, and ends at once.
// Without the variable nothing is installed.

class QApplication;

void armFirstPaintExit(QApplication &app);
