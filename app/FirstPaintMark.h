#pragma once

class QWidget;

// For bench/startup.sh: with MAREVOX_FIRST_PAINT_MARK in the environment,
// once `window` has been painted for the first time and its picture handed
// to the display, one line goes to standard error:
//
//     first paint: NANOSECONDS
//
// the monotonic clock's reading (CLOCK_MONOTONIC, the clock the script reads
// before starting the program). Without the variable nothing is watched.
void MarkFirstPaint(QWidget& window);
