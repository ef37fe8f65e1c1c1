#include "util/cpu_features.h"

// glibc's header spells its functions with C's _Bool, which clang refuses in C++; clang builds
// (the fuzzing harnesses) ask the processor.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    __has_include(<sys/platform/x86.h>)
#include <sys/platform/x86.h>
#define OTDR_CPU_FROM_LIBC 1
#endif

namespace otdr::cpu {

#if defined(OTDR_CPU_FROM_LIBC)

bool hasAvx() {
    return CPU_FEATURE_ACTIVE(AVX);
}

bool hasCarrylessMultiply() {
    return CPU_FEATURE_ACTIVE(PCLMULQDQ) && CPU_FEATURE_ACTIVE(SSSE3);
}

#elif defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

bool hasAvx() {
    return __builtin_cpu_supports("avx");
}

bool hasCarrylessMultiply() {
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
}

#else

bool hasAvx() {
    return false;
}

bool hasCarrylessMultiply() {
    return false;
}

#endif

}  // namespace otdr::cpu
