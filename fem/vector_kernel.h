// Marks a compute kernel that is also compiled for x86-64-v3 (AVX2, FMA)
// and chosen at load time on processors that have it; everything it calls
// is inlined into it so that each version is vectorised for its own target.
// The x86-64-v3 version fuses multiplications and additions (FMA), so the
// two versions' results may differ in the last bits.
// Not for exported routines: the loader's choice is made through an indirect
// symbol of its own.
#ifndef TH10FEM_FEM_VECTOR_KERNEL_H
#define TH10FEM_FEM_VECTOR_KERNEL_H

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define TH10FEM_VECTOR_KERNEL __attribute__((target_clones("arch=x86-64-v3", "default"), flatten))
#else
#define TH10FEM_VECTOR_KERNEL
#endif

#endif
