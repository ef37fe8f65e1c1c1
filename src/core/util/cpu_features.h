#pragma once
// What the processor offers, as the C library found it when the program started (GCC builds;
// others ask the processor). Asking the processor itself (CPUID) takes microseconds in a
// virtual machine, and the compiler's __builtin_cpu_supports brings a constructor that asks it
// many times in every process that links it, whether or not the answer is ever used.

namespace otdr::cpu {

// AVX usable (the processor has it and the system saves its registers).
bool hasAvx();
// Carry-less multiplication (PCLMULQDQ) and SSSE3's byte shuffle.
bool hasCarrylessMultiply();

}  // namespace otdr::cpu
