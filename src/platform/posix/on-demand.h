// Libraries a run may never need (TLS, signatures, X11) are not linked: the
// program defines their functions itself, and each such function opens the
// library and finds the real one the first time it is called. A run that
// neither opens an HTTPS connection nor a window nor checks a signature
// therefore never loads them, and starts as fast as a bare program.
//
// A library that cannot be loaded makes every function of it answer
// nothing: a null pointer, 0, or no effect. The callers treat that as the
// library's own failure (no context, no display).
#pragma once

#include <type_traits>

// The handle of `soname`, or null when it cannot be loaded. Each library's
// file keeps it in a function-local static, opened on the first call.
void* OnDemandOpen(const char* soname);
// The address of `name` in the library, or null.
void* OnDemandSymbol(void* library, const char* name);

template <typename Result> Result OnDemandNothing() {
    if constexpr (!std::is_void_v<Result>) return Result{};
}

// Defines `name` (declared by the library's header with the same
// `parameters`) to forward to the library's own `name`. `library` is an
// expression giving the handle.
#define ON_DEMAND(library, result, name, parameters, arguments)                                  \
    extern "C" result name parameters {                                                        \
        static const auto real = reinterpret_cast<decltype(&name)>(                           \
            OnDemandSymbol(library, #name));                                                   \
        if (real == nullptr) return OnDemandNothing<result>();                                 \
        return real arguments;                                                                 \
    }
