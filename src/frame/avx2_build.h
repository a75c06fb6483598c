#pragma once
// A function marked ZT_AVX2_BUILD gets a second build for processors with
// AVX2, chosen as the library loads. Its file must be built with
// -ffp-contract=off: that build's fused multiply-add would round once where
// the portable build rounds twice, and every machine must decide every pixel
// alike. Not under ThreadSanitizer: the loader picks the build before the
// sanitizer's runtime is ready, and the instrumented chooser crashes the
// program as it loads. Not with clang (the fuzzing build): its choosers of
// functions local to a file, or inline in a header, clash at link time.
#if defined(__SANITIZE_THREAD__) || defined(__clang__)
#define ZT_AVX2_BUILD
#else
#define ZT_AVX2_BUILD __attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
