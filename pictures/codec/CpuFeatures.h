// The one place that decides which processor-specific kernels the picture code may use: the
// instruction sets known when compiling (SSE2 is part of every x86-64 processor) and those
// detected when running (SSSE3). A build with ORVANTA_SCALAR defined uses none of them, so that
// the portable scalar paths can be tested on any machine.
#pragma once

#if !defined(ORVANTA_SCALAR) && (defined(__x86_64__) || defined(__i386__))
#define ORV_PNG_X86 1
#endif
#if defined(ORV_PNG_X86) && defined(__SSE2__)
#define ORV_PNG_SSE2 1
#endif

// Whether the processor running the program has SSSE3 (checked once; false in a scalar-only
// build and on other processors).
bool CpuHasSsse3();
