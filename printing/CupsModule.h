#pragma once

class ChartSpooler;

// The CUPS spooler as a module of its own, libmarevox_cups.so, loaded when
// chart printing starts (CupsSpoolerLoader): the program starts without
// libcups and what it brings (GnuTLS, Avahi).
namespace CupsModule {

constexpr const char* kFileName = "libmarevox_cups.so";

// The one function the module exports: a new CupsSpooler that calls
// failed(context) for each document not printed, or null when it cannot be
// made. The name carries the version of the ChartSpooler interface, so that
// a module of another build, made for another interface, is not used: count
// it up whenever ChartSpooler's virtual functions change.
constexpr const char* kEntryName = "MarevoxNewCupsSpooler1";
using Entry = ChartSpooler* (*)(void (*failed)(void* context), void* context);

}  // namespace CupsModule
