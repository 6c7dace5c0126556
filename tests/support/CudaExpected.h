// CudaExpected.h — what a CUDA test does when it finds no usable driver.
//
// On a machine with a driver of its own the CUDA tests use it, and where there is none they skip. A
// build whose tests were set to run on the driver stand-in (MRPH_TESTS_ON_CUDA_STANDIN) counts on it:
// a stand-in that fails to load, or is not what was found, fails the test, so that a broken stand-in
// never turns the whole CUDA layer into skipped tests.
#ifndef MORPHALITH_TESTS_CUDA_EXPECTED_H
#define MORPHALITH_TESTS_CUDA_EXPECTED_H

#include <gtest/gtest.h>

#if defined(MRPH_TESTS_ON_CUDA_STANDIN)
#define MRPH_WITHOUT_CUDA_DRIVER() FAIL() << "the CUDA driver stand-in was expected: "
#else
#define MRPH_WITHOUT_CUDA_DRIVER() GTEST_SKIP() << "skipped: "
#endif

#endif  // MORPHALITH_TESTS_CUDA_EXPECTED_H
