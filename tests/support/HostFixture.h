// HostFixture.h — a stand-in host for tests that drive plug-in code directly (no module loaded):
// its records, suites and project are real, so balance and disposal can be checked.
#ifndef MORPHALITH_TESTS_HOST_FIXTURE_H
#define MORPHALITH_TESTS_HOST_FIXTURE_H

#include <gtest/gtest.h>

#include "host/Host.h"

class HostFixture : public ::testing::Test {
protected:
    HostFixture() : host_(MRPH_TEST_MODULE_PATH) {}

    PF_InData* in() { return &host_.inData(); }
    PF_OutData* out() { return &host_.outData(); }
    const SPBasicSuite* basic() { return host_.suites().basic(); }

    host::Host host_;
};

#endif  // MORPHALITH_TESTS_HOST_FIXTURE_H
