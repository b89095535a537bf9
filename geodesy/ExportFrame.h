// What every export has in common: the per-thread code, the null-handle and null-pointer
// refusals, the neutral results and the catch rules. No exception ever leaves an export.
#pragma once

#include <cmath>
#include <type_traits>
#include <utility>

#include "common/erc.h"
#include "geodesy/Tellus.h"

class Geodesy;

namespace exportframe {

// The Geodesy behind a handle the caller has checked.
inline Geodesy& geodesyOf(GeodesyHandle h) { return *static_cast<Geodesy*>(h); }

// The calling thread's code, 0 on a new thread. Every export writes it, so it is reached inline
// and with the initial-exec model: one move relative to the thread pointer, where the default
// model of a shared object calls __tls_get_addr on each access. The library's one int fits the
// static TLS that the C library keeps spare for objects loaded with dlopen.
extern thread_local constinit int threadError __attribute__((tls_model("initial-exec")));

inline void setError(int code) { threadError = code; }
inline int error() { return threadError; }

// Code of a null record or output pointer where an export needs one: refused, nothing written.
inline erc nullPointer() { return erc(TELLUS_E_GENERAL, kSeverityError, &geodesyFacility()); }

// Whether every number an export is about to hand back is finite. A success never returns NaN or
// an infinity: where a result overflows, the export fails with its code instead (one comparison a
// number, so it costs the hot paths nothing worth measuring).
template <typename... D>
inline bool finite(D... values) {
    return (std::isfinite(values) && ...);
}

// Runs `body` under the catch rules and returns the code: the body's status (an erc status, or a
// bare int code where a hot path has no error value to build on success), a thrown error value's
// code (or `thrownCode` when that is non-zero), 1 for anything else.
template <typename Body>
int runCaught(Body&& body, int thrownCode = 0) noexcept {
    try {
        try {
            if constexpr (std::is_same_v<decltype(body()), int>) {
                return body();
            } else {
                erc status = body();
                return status.release();
            }
        } catch (erc& e) {
            int code = e.release();
            return thrownCode ? thrownCode : code;
        }
    } catch (erc& e) {
        // A destructor that threw while the first error was being taken.
        int code = e.release();
        return thrownCode ? thrownCode : code;
    } catch (...) {
        return TELLUS_E_GENERAL;
    }
}

// An export that returns 1/0 for a handle: null -> code 2 and 0; otherwise the body's code.
template <typename Body>
int statusExport(const void* handle, Body&& body, int thrownCode = 0) noexcept {
    if (!handle) {
        setError(TELLUS_E_NULL_HANDLE);
        return 0;
    }
    int code = runCaught(std::forward<Body>(body), thrownCode);
    setError(code);
    return code == 0 ? 1 : 0;
}

// An export that returns a value for a handle: `body(R& result)` returns an erc status; on a
// null handle or a failure the neutral value is returned. A result that is not finite fails with
// `nonFinite`.
template <typename R, typename Body>
R valueExport(const void* handle, R neutral, Body&& body, int nonFinite = TELLUS_E_OUT_OF_RANGE) noexcept {
    if (!handle) {
        setError(TELLUS_E_NULL_HANDLE);
        return neutral;
    }
    R result = neutral;
    int code = runCaught([&]() { return body(result); });
    if (code == 0 && !finite(result)) code = nonFinite;
    setError(code);
    return code == 0 ? result : neutral;
}

}  // namespace exportframe
