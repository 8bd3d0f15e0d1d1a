#pragma once
// Opt-in diagnostics. The engine reports failures only through results; when
// a game asks (ZARVO_LOG=1 in the environment, or a handler set here), each
// failure also sends one line naming its cause. Without either, it is silent.
#include <cstdint>

namespace ZARVO::RUNTIME {

// Receives one line per failure (no trailing newline). The text lives only
// for the call.
using DIAGNOSTICPROC = void (*)(const char* message);

// The game's handler; null (the default) leaves only ZARVO_LOG.
void ONDIAGNOSTIC(DIAGNOSTICPROC handler);
DIAGNOSTICPROC ONDIAGNOSTIC();

// True when a message would reach anyone: a handler is set, or ZARVO_LOG is
// set to something other than "" or "0" (read once, at the first call).
bool DIAGNOSTICSON();

// Formats one line (printf rules, cut at 1023 bytes) and sends it to the
// handler, or to stderr as "zarvo: ..." under ZARVO_LOG. Does nothing, and
// formats nothing, when diagnostics are off.
void DIAGNOSTIC(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace ZARVO::RUNTIME
