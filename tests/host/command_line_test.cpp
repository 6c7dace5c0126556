// The morphalith-host command line as a user meets it: the built binary run as a child process, its
// exit status, standard output and standard error read apart.
#include <gtest/gtest.h>

#include "support/HostProcess.h"

namespace {

using namespace host_process;

// Every usage error: exit status 2, one line naming the fault and where the help is, nothing on
// standard output, and the module never loaded (no log line).
TEST_F(CommandLine, UsageErrorsExitWithTwoAndSayWhatIsWrong) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"render"}, "morphalith-host render: -o is required"},
        {{"render", "-o"}, "morphalith-host render: -o needs a value"},
        {{"render", "-o", "--frames", "3"}, "-o needs a value (\"--frames\" is an option)"},
        {{"render", "-o", "x.png", "--frames"}, "--frames needs a value"},
        {{"render", "-o", "x.png", "--frames", "3-1"}, "--frames: wants a frame N or a range A-B"},
        {{"render", "-o", "x.png", "--frames=1-x"}, "got \"1-x\""},
        {{"render", "-o", "x.png", "--frames", "99999999999"}, "got \"99999999999\""},
        {{"render", "-o", "x.png", "--pass=shiny"}, "--pass: \"shiny\" is not one of beauty, normal, depth, ao"},
        {{"render", "-o", "x.png", "--size", "640"}, "--size: wants WxH"},
        {{"render", "-o", "x.png", "--size=0x10"}, "got \"0x10\""},
        {{"render", "-o", "x.png", "--framework", "vulkan"}, "\"vulkan\" is not one of opencl, metal, cuda"},
        {{"render", "a.json", "b.json", "-o", "x.png"}, "morphalith-host render: unexpected argument \"b.json\""},
        {{"render", "-o", "x.png", "--fast"}, "morphalith-host render: unknown option \"--fast\""},
        {{"--bogus"}, "morphalith-host: unknown option \"--bogus\""},
        {{"frobnicate"}, "morphalith-host: unexpected argument \"frobnicate\""},
        {{"--module"}, "morphalith-host: --module needs a value"},
        {{"params", "--module"}, "morphalith-host params: --module needs a value"},
        {{"info", "params"}, "unexpected argument \"params\""},
        {{"render", "-o", "a.png", "-o", "b.png"}, "morphalith-host render: -o is given more than once"},
    };
    for (const Case& c : cases) {
        const Result run = host(c.args);
        EXPECT_EQ(run.status, 2) << joined(c.args) << "\n" << run.err;
        EXPECT_TRUE(has(run.err, c.message)) << joined(c.args) << "\n  gave: " << run.err;
        EXPECT_TRUE(has(run.err, "--help' for its options.")) << joined(c.args) << "\n" << run.err;
        EXPECT_EQ(run.out, "") << joined(c.args);
        EXPECT_FALSE(has(run.err, "[Morphalith]")) << joined(c.args) << "\n" << run.err;
    }
}

// Help and version are the command's output: standard output, exit 0, each command its own help.
TEST_F(CommandLine, HelpAndVersionGoToStandardOutput) {
    struct Case {
        std::vector<std::string> args;
        std::vector<const char*> shown;
    } cases[] = {
        {{"--version"}, {"morphalith-host 1.1.0\n"}},
        {{"--help"}, {"Usage: morphalith-host [OPTIONS]", "info", "params", "render", "--module PATH", "--trace"}},
        {{"-h"}, {"Usage: morphalith-host [OPTIONS]"}},
        {{"render", "--help"},
         {"Usage: morphalith-host render", "-o OUT", "--frames N|A-B", "--pass beauty|normal|depth|ao", "--size WxH",
          "--framework opencl|metal|cuda"}},
        {{"params", "--help"}, {"Usage: morphalith-host params"}},
        {{"info", "-h"}, {"Usage: morphalith-host info"}},
    };
    for (const Case& c : cases) {
        const Result run = host(c.args);
        EXPECT_EQ(run.status, 0) << joined(c.args) << "\n" << run.err;
        for (const char* text : c.shown) EXPECT_TRUE(has(run.out, text)) << joined(c.args) << ": " << text;
        EXPECT_EQ(run.err, "") << joined(c.args);
    }
    EXPECT_FALSE(has(host({"render", "--help"}).out, "Usage: morphalith-host params"));
}

// Faults found after the arguments parsed are no usage errors: exit 1 with the reason.
TEST_F(CommandLine, FailuresAfterParsingExitWithOne) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--module=/nonexistent/Morphalith", "info"}, "cannot load module /nonexistent/Morphalith"},
        {{"render", "{dir}/missing.json", "-o", "{dir}/x.png"}, "morphalith-host render: "},
        // A machine without a CUDA driver: tests/render/cuda_module_test.cpp, CudaCommandLine.
    };
    for (const Case& c : cases) {
        const Result run = host(c.args);
        EXPECT_EQ(run.status, 1) << joined(c.args) << "\n" << run.err;
        EXPECT_TRUE(has(run.err, c.message)) << joined(c.args) << "\n  gave: " << run.err;
        EXPECT_EQ(run.out, "") << joined(c.args);
    }
    EXPECT_TRUE(files().empty());
}

// Standard output carries only the command's own output; the module's log lines go to standard error.
TEST_F(CommandLine, LogLinesGoToStandardErrorOnly) {
    struct Case {
        std::vector<std::string> args;
        const char* firstOut;  // how standard output begins ("" for nothing at all)
    } cases[] = {
        {{"info"}, "module:        "},
        {{}, "module:        "},
        {{"params", "--trace"}, "index  name"},
        {{"render", "-o", "{dir}/a.png", "--size", "16x9"}, ""},
    };
    for (const Case& c : cases) {
        const Result run = host(c.args);
        EXPECT_EQ(run.status, 0) << joined(c.args) << "\n" << run.err;
        EXPECT_EQ(run.out.rfind(c.firstOut, 0), 0u) << joined(c.args) << "\n" << run.out.substr(0, 200);
        if (!*c.firstOut) {
            EXPECT_EQ(run.out, "") << joined(c.args);
        }
        EXPECT_FALSE(has(run.out, "[Morphalith]")) << joined(c.args);
        EXPECT_TRUE(has(run.err, "[Morphalith] : Welcome!\n")) << joined(c.args) << "\n" << run.err;
    }
    // --trace after the command still reaches the host, and traces to standard error.
    const Result traced = host({"info", "--trace"});
    EXPECT_TRUE(has(traced.err, "[trace] command")) << traced.err;
    EXPECT_FALSE(has(traced.out, "[trace]"));
}

// Without --frames, frame 0 to OUT; --frames N renders that one frame, A-B the range into numbered
// files; frames past the end warn. The default scene is 1 s at 30 frames a second: frames 0-29.
TEST_F(CommandLine, RenderWritesTheFramesAsked) {
    struct Case {
        std::vector<std::string> args;
        std::set<std::string> written;
        std::vector<const char*> said;  // on standard error, in this order
        bool warns;
    } cases[] = {
        {{"render", "-o={dir}/eq.png"}, {"eq.png"}, {"wrote {dir}/eq.png (32x18, "}, false},
        {{"render", "-o", "{dir}/metal.png", "--framework", "metal"}, {"metal.png"}, {"wrote {dir}/metal.png (32x18, "}, false},
        {{"render", "-o", "{dir}/one.png", "--frames", "3"}, {"one.png"}, {"wrote {dir}/one.png (32x18, "}, false},
        {{"render", "-o", "{dir}/late.png", "--frames=40"},
         {"late.png"},
         {"warning: frame 40 is past the composition's end (its frames are 0-29)", "wrote {dir}/late.png"},
         true},
        {{"render", "-o", "{dir}/hash_###.png", "--frames", "7"}, {"hash_007.png"}, {"wrote {dir}/hash_007.png"}, false},
        {{"render", "-o", "{dir}/f.png", "--frames", "2-3"},
         {"f_0002.png", "f_0003.png"},
         {"frame 2 (1 of 2) ", " elapsed, about ", " left -> {dir}/f_0002.png\n", "frame 3 (2 of 2) ",
          "rendered 2 frames in ", " a frame): {dir}/f_0002.png .. {dir}/f_0003.png\n"},
         false},
        {{"render", "-o", "{dir}/seq_##.exr", "--frames", "28-31"},
         {"seq_28.exr", "seq_29.exr", "seq_30.exr", "seq_31.exr"},
         {"warning: frames 30-31 are past the composition's end (its frames are 0-29)", "frame 28 (1 of 4) ",
          "frame 31 (4 of 4) ", "rendered 4 frames in "},
         true},
    };
    for (Case& c : cases) {
        c.args.insert(c.args.end(), {"--size", "32x18"});
        const Result run = host(c.args);
        EXPECT_EQ(run.status, 0) << joined(c.args) << "\n" << run.err;
        EXPECT_EQ(run.out, "") << joined(c.args);
        std::set<std::string> written = files();
        EXPECT_EQ(written, c.written) << joined(c.args);
        for (const std::string& name : written) fs::remove(dir_ / name);
        size_t at = 0;
        for (std::string said : c.said) {
            for (size_t d; (d = said.find("{dir}")) != std::string::npos;) said.replace(d, 5, dir_.string());
            const size_t found = run.err.find(said, at);
            EXPECT_NE(found, std::string::npos) << joined(c.args) << ": \"" << said << "\" in order\n" << run.err;
            if (found != std::string::npos) at = found + said.size();
        }
        EXPECT_EQ(has(run.err, "warning"), c.warns) << joined(c.args) << "\n" << run.err;
    }
}

}  // namespace
