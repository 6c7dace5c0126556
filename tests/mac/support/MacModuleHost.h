// MacModuleHost.h — the module built with the macOS bodies, loaded by the stand-in host with a small
// scene applied, and a Metal compiler that fails: GPU device set-up then shows the parsed errors in the
// debug-text window, through the main queue, as a Mac shows a broken kernel's.
#ifndef MORPHALITH_TESTS_MAC_MAC_MODULE_HOST_H
#define MORPHALITH_TESTS_MAC_MAC_MODULE_HOST_H

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "host/Host.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"

namespace mac_test {

// One sphere on a null, 64 x 36.
inline std::string SphereScene() {
    return R"({"composition": {"width": 64, "height": 36, "frameRate": 30, "duration": 2},
      "nulls": [{"id": 2, "position": [32, 18, 0]}],
      "effect": {"params": {"Ambient Light Color Top": [0, 0, 0], "Ambient Light Color Bottom": [0, 0, 0],
                            "Max Clip Distance": 200},
                 "slots": [{"type": "Sphere", "layer": 2,
                            "params": {"Diameter": 10, "Diffuse Color": [204, 102, 51], "Specular Intensity": 0}}]}})";
}

// A stand-in for clang++ that answers --version and fails every compile with this error.
inline const char* kCompilerDiagnostics =
    "program_source:12:5: error: use of undeclared identifier 'shade'\n"
    "    shade(ray);\n"
    "    ^\n"
    "1 error generated.\n";
// What the module makes of it: the word, the position, the message, a colon and the source line.
inline const char* kParsedErrors = "error [12:5] use of undeclared identifier 'shade': shade(ray);\n";

class MacModuleHost : public ::testing::Test {
protected:
    MacModuleHost() : host_(MRPH_TEST_MODULE_PATH) {}

    void SetUp() override {
        ASSERT_TRUE(host_.load()) << host_.error();
        host::Scene scene;
        std::string error;
        ASSERT_TRUE(host::parseScene(SphereScene(), MRPH_TEST_DATA_DIR, &scene, &error)) << error;
        ASSERT_TRUE(host::applyScene(host_, scene, &error)) << error;
    }
    void TearDown() override {
        unsetenv("MRPH_METAL_CXX");
        if (host_.module().effectMain()) {
            host_.command(PF_Cmd_SEQUENCE_SETDOWN);
            host_.command(PF_Cmd_GLOBAL_SETDOWN);
        }
    }

    // From now on every Metal compile fails with these diagnostics.
    void BreakMetalCompiler(const std::string& diagnostics = kCompilerDiagnostics) {
        const std::string path = std::string(std::getenv("HOME")) + "/failing-metal-compiler";
        std::ofstream(path) << "#!/bin/sh\n"
                               "if [ \"$1\" = --version ]; then echo 'failing compiler 1.0'; exit 0; fi\n"
                               "cat >&2 <<'EOF'\n"
                            << diagnostics << "EOF\nexit 1\n";
        ASSERT_EQ(chmod(path.c_str(), 0755), 0);
        setenv("MRPH_METAL_CXX", path.c_str(), 1);
    }

    // GPU device set-up of the Metal device, on this thread; what the module printed during it (the
    // window's run included, when it ran on the main thread) is kept in setUpPrinted_.
    PF_Err SetUpMetal() {
        host::RenderJob job(host_, host::Framework::Metal);
        const PF_Err err = job.setupDevice(PF_GPU_Framework_METAL);
        setUpPrinted_ = host_.printed();
        return err;
    }

    host::Host host_;
    std::string setUpPrinted_;
};

}  // namespace mac_test

#endif  // MORPHALITH_TESTS_MAC_MAC_MODULE_HOST_H
